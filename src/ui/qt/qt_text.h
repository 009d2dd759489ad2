#pragma once
// Text between the core's Windows-1251 bytes and Qt's Unicode strings, and the fonts of the
// window built from the layout's font table.
#include <QFont>
#include <QString>

#include <cstddef>
#include <cstdint>

#include "app/layout.h"

namespace tarnwick::qt {

QString fromCp1251(const uint8_t* bytes, size_t length);
QString fromCp1251(const char* text);

// Stores at most capacity - 1 bytes followed by a zero byte, the way the platform's bounded
// text read does; a character the code page lacks becomes '?'. Returns the bytes stored.
size_t toCp1251(const QString& text, uint8_t* buffer, size_t capacity);

// A font of the layout's table. The table's heights are character-cell heights (ascent plus
// descent), so the pixel size is stepped down until the cell fits them; "Consolas" falls back
// to whatever monospace face the system has, stepped down further until its characters are
// about as wide as Consolas's would be, so that the labels keep their room.
QFont layoutFont(const FontSpec& wanted);

}  // namespace tarnwick::qt
