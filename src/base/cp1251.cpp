#include "base/cp1251.h"

namespace tarnwick {

namespace {

// 0x80..0xBF; 0xC0..0xFF are the contiguous Cyrillic letters U+0410..U+044F. 0x98 has no
// character in the code page and maps to the C1 control of the same value, as Windows does.
constexpr uint16_t upperHalf[64] = {
    0x0402, 0x0403, 0x201A, 0x0453, 0x201E, 0x2026, 0x2020, 0x2021,
    0x20AC, 0x2030, 0x0409, 0x2039, 0x040A, 0x040C, 0x040B, 0x040F,
    0x0452, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022, 0x2013, 0x2014,
    0x0098, 0x2122, 0x0459, 0x203A, 0x045A, 0x045C, 0x045B, 0x045F,
    0x00A0, 0x040E, 0x045E, 0x0408, 0x00A4, 0x0490, 0x00A6, 0x00A7,
    0x0401, 0x00A9, 0x0404, 0x00AB, 0x00AC, 0x00AD, 0x00AE, 0x0407,
    0x00B0, 0x00B1, 0x0406, 0x0456, 0x0491, 0x00B5, 0x00B6, 0x00B7,
    0x0451, 0x2116, 0x0454, 0x00BB, 0x0458, 0x0405, 0x0455, 0x0457,
};

}  // namespace

uint16_t cp1251ToUnicode(uint8_t byte) {
    if (byte < 0x80) return byte;
    if (byte >= 0xC0) return static_cast<uint16_t>(0x0410 + (byte - 0xC0));
    return upperHalf[byte - 0x80];
}

int unicodeToCp1251(uint32_t codePoint) {
    if (codePoint < 0x80) return static_cast<int>(codePoint);
    if (codePoint >= 0x0410 && codePoint <= 0x044F) return static_cast<int>(0xC0 + codePoint - 0x0410);
    for (int i = 0; i < 64; ++i)
        if (upperHalf[i] == codePoint) return 0x80 + i;
    return -1;
}

size_t cp1251ToUtf8(const uint8_t* text, size_t length, char* out, size_t capacity) {
    size_t used = 0;
    for (size_t i = 0; i < length; ++i) {
        const uint16_t c = cp1251ToUnicode(text[i]);
        const size_t need = c < 0x80 ? 1 : c < 0x800 ? 2 : 3;
        if (used + need > capacity) break;
        if (need == 1) {
            out[used++] = static_cast<char>(c);
        } else if (need == 2) {
            out[used++] = static_cast<char>(0xC0 | (c >> 6));
            out[used++] = static_cast<char>(0x80 | (c & 0x3F));
        } else {
            out[used++] = static_cast<char>(0xE0 | (c >> 12));
            out[used++] = static_cast<char>(0x80 | ((c >> 6) & 0x3F));
            out[used++] = static_cast<char>(0x80 | (c & 0x3F));
        }
    }
    return used;
}

}  // namespace tarnwick
