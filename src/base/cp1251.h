#pragma once
// Windows-1251, the single-byte code page of the tool's Russian texts and of the edit boxes.
// Both front ends convert through this one table, so the labels read the same whatever code
// page the system runs with.
#include <cstddef>
#include <cstdint>

namespace tarnwick {

// The Unicode code point of a Windows-1251 byte.
uint16_t cp1251ToUnicode(uint8_t byte);

// The Windows-1251 byte of a code point, or -1 when the code page has none.
int unicodeToCp1251(uint32_t codePoint);

// Converts to UTF-8; returns the bytes written, never more than capacity (a character that
// would not fit whole is left out together with all after it). No terminator is written.
size_t cp1251ToUtf8(const uint8_t* text, size_t length, char* out, size_t capacity);

}  // namespace tarnwick
