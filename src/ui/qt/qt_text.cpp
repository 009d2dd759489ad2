#include "ui/qt/qt_text.h"

#include <QFontMetrics>
#include <QStringList>

#include "app/cp1251.h"

namespace tarnwick::qt {

QString fromCp1251(const uint8_t* bytes, size_t length) {
    QString text;
    text.reserve(static_cast<qsizetype>(length));
    for (size_t i = 0; i < length; ++i) text.append(QChar(cp1251ToUnicode(bytes[i])));
    return text;
}

QString fromCp1251(const char* text) {
    size_t length = 0;
    while (text[length] != '\0') ++length;
    return fromCp1251(reinterpret_cast<const uint8_t*>(text), length);
}

size_t toCp1251(const QString& text, uint8_t* buffer, size_t capacity) {
    if (capacity == 0) return 0;
    size_t stored = 0;
    // Code points, not UTF-16 units: a character outside the basic plane is one '?', not two.
    for (char32_t c : text.toUcs4()) {
        if (stored + 1 >= capacity) break;
        const int byte = unicodeToCp1251(c);
        buffer[stored++] = static_cast<uint8_t>(byte < 0 ? '?' : byte);
    }
    buffer[stored] = 0;
    return stored;
}

QFont layoutFont(const FontSpec& wanted) {
    QFont font;
    font.setFamilies(QStringList{fontFace, QStringLiteral("DejaVu Sans Mono"),
                                 QStringLiteral("Liberation Mono"), QStringLiteral("monospace")});
    font.setStyleHint(QFont::Monospace);
    font.setFixedPitch(true);
    font.setWeight(static_cast<QFont::Weight>(wanted.weight));
    font.setItalic(wanted.italic);
    int pixels = wanted.height;
    font.setPixelSize(pixels);
    while (pixels > 6 && QFontMetrics(font).height() > wanted.height) font.setPixelSize(--pixels);
    return font;
}

}  // namespace tarnwick::qt
