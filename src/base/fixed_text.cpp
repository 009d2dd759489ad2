#include "base/fixed_text.h"

#include <cstdarg>
#include <cstdio>

namespace tarnwick {

FixedText::FixedText(char* text, size_t capacity) : text(text), capacity(capacity) {
    if (capacity > 0) text[0] = '\0';
}

void FixedText::put(const char* format, ...) {
    if (used + 1 >= capacity) return;
    va_list arguments;
    va_start(arguments, format);
    const int n = std::vsnprintf(text + used, capacity - used, format, arguments);
    va_end(arguments);
    if (n > 0) used += static_cast<size_t>(n) < capacity - used ? static_cast<size_t>(n) : capacity - used - 1;
}

void FixedText::value(const char* bytes) {
    for (const char* c = bytes; *c != '\0' && used + 1 < capacity; ++c) {
        text[used++] = static_cast<unsigned char>(*c) < 0x20 || *c == 0x7F ? '?' : *c;
        text[used] = '\0';
    }
}

void FixedText::escaped(const uint8_t* bytes, size_t count) {
    for (size_t i = 0; i < count; ++i) {
        const uint8_t c = bytes[i];
        if (c == '\r') put("\\r");
        else if (c == '\n') put("\\n");
        else if (c == '\\') put("\\\\");
        else if (c >= 0x20 && c < 0x7F) put("%c", c);
        else put("\\x%02X", c);
    }
}

void FixedText::hex(const uint8_t* bytes, size_t count) {
    put("[");
    for (size_t i = 0; i < count; ++i) put(i == 0 ? "%02X" : " %02X", bytes[i]);
    put("]");
}

}  // namespace tarnwick
