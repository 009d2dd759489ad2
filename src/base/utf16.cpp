#include "base/utf16.h"

namespace tarnwick {

namespace {

constexpr char32_t replacement = 0xFFFD;

bool isHighSurrogate(char32_t unit) { return unit >= 0xD800 && unit <= 0xDBFF; }
bool isLowSurrogate(char32_t unit) { return unit >= 0xDC00 && unit <= 0xDFFF; }

// The character that begins at `at` and the bytes it takes. A malformed one is U+FFFD over
// the bytes that could still have begun a character, at least the first: the byte that
// breaks the sequence starts the next one.
char32_t decode(std::string_view text, size_t at, size_t* used) {
    const auto byte = [&text](size_t i) { return static_cast<unsigned char>(text[i]); };
    const unsigned char lead = byte(at);
    *used = 1;
    if (lead < 0x80) return lead;
    size_t length = 0;
    char32_t point = 0;
    // The second byte's range shuts out overlong forms, surrogates and points past U+10FFFF.
    unsigned char low = 0x80, high = 0xBF;
    if (lead >= 0xC2 && lead <= 0xDF) {
        length = 2;
        point = lead & 0x1F;
    } else if (lead >= 0xE0 && lead <= 0xEF) {
        length = 3;
        point = lead & 0x0F;
        if (lead == 0xE0) low = 0xA0;
        if (lead == 0xED) high = 0x9F;
    } else if (lead >= 0xF0 && lead <= 0xF4) {
        length = 4;
        point = lead & 0x07;
        if (lead == 0xF0) low = 0x90;
        if (lead == 0xF4) high = 0x8F;
    } else {
        return replacement;
    }
    for (size_t i = 1; i < length; ++i) {
        if (at + i >= text.size() || byte(at + i) < low || byte(at + i) > high) return replacement;
        point = (point << 6) | (byte(at + i) & 0x3F);
        *used = i + 1;
        low = 0x80;
        high = 0xBF;
    }
    return point;
}

void encode(char32_t point, std::string& out) {
    if (point < 0x80) {
        out += static_cast<char>(point);
    } else if (point < 0x800) {
        out += static_cast<char>(0xC0 | (point >> 6));
        out += static_cast<char>(0x80 | (point & 0x3F));
    } else if (point < 0x10000) {
        out += static_cast<char>(0xE0 | (point >> 12));
        out += static_cast<char>(0x80 | ((point >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (point & 0x3F));
    } else {
        out += static_cast<char>(0xF0 | (point >> 18));
        out += static_cast<char>(0x80 | ((point >> 12) & 0x3F));
        out += static_cast<char>(0x80 | ((point >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (point & 0x3F));
    }
}

}  // namespace

std::u16string utf8ToUtf16(std::string_view utf8) {
    std::u16string out;
    out.reserve(utf8.size());
    for (size_t at = 0, used = 0; at < utf8.size(); at += used) {
        const char32_t point = decode(utf8, at, &used);
        if (point < 0x10000) {
            out += static_cast<char16_t>(point);
        } else {
            out += static_cast<char16_t>(0xD800 + ((point - 0x10000) >> 10));
            out += static_cast<char16_t>(0xDC00 + ((point - 0x10000) & 0x3FF));
        }
    }
    return out;
}

std::string utf16ToUtf8(std::u16string_view utf16) {
    std::string out;
    out.reserve(utf16.size());
    for (size_t at = 0; at < utf16.size(); ++at) {
        char32_t point = utf16[at];
        if (isHighSurrogate(point) && at + 1 < utf16.size() && isLowSurrogate(utf16[at + 1])) {
            point = 0x10000 + ((point - 0xD800) << 10) + (utf16[at + 1] - 0xDC00);
            ++at;
        } else if (isHighSurrogate(point) || isLowSurrogate(point)) {
            point = replacement;
        }
        encode(point, out);
    }
    return out;
}

size_t wholeCharacters(std::u16string_view utf16, size_t limit) {
    if (utf16.size() <= limit) return utf16.size();
    return limit > 0 && isHighSurrogate(utf16[limit - 1]) ? limit - 1 : limit;
}

}  // namespace tarnwick
