#pragma once
// A line built into a caller's fixed buffer: the trace decoder, the status lines and their
// texts are made on the serial path, where nothing is allocated. What does not fit is cut; the
// text is always terminated.
#include <cstddef>
#include <cstdint>

namespace tarnwick {

class FixedText {
public:
    FixedText(char* text, size_t capacity);

    void put(const char* format, ...) __attribute__((format(printf, 2, 3)));
    // A value as a device gave it, with control bytes shown as '?' so that one line stays one.
    void value(const char* bytes);
    // The bytes as text: printable ASCII as it is, CR and LF as \r and \n, the rest as \xNN.
    void escaped(const uint8_t* bytes, size_t count);
    // The bytes in hex: "[01 0A FF]".
    void hex(const uint8_t* bytes, size_t count);

    size_t length() const { return used; }

private:
    char* text;
    size_t capacity;
    size_t used = 0;
};

}  // namespace tarnwick
