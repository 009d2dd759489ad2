#include "provision/device_text.h"

#include <cstdint>
#include <cstdio>

#include "base/cp1251.h"

namespace tarnwick::provision {

long utf8CharacterAt(std::string_view text, size_t i, size_t* length) {
    const auto lead = static_cast<uint8_t>(text[i]);
    *length = lead < 0x80 ? 1 : lead < 0xC2 ? 0 : lead < 0xE0 ? 2 : lead < 0xF0 ? 3 : lead < 0xF5 ? 4 : 0;
    uint32_t point = *length == 1 ? lead : lead & (0x7Fu >> *length);
    for (size_t k = 1; *length != 0 && k < *length; ++k) {
        const auto next = i + k < text.size() ? static_cast<uint8_t>(text[i + k]) : 0;
        if ((next & 0xC0) != 0x80) *length = 0;
        point = point << 6 | (next & 0x3Fu);
    }
    static const uint32_t least[] = {0, 0, 0x80, 0x800, 0x10000};
    if (*length != 0 && point >= least[*length] && (point < 0xD800 || point > 0xDFFF) && point <= 0x10FFFF)
        return point;
    *length = 1;
    return -1;
}

std::string characterShown(std::string_view text, size_t i) {
    size_t length;
    const long point = utf8CharacterAt(text, i, &length);
    char code[16];
    std::snprintf(code, sizeof code, " (U+%04lX)", point);
    return "\"" + std::string(text.substr(i, length)) + "\"" + code;
}

namespace {

// The profile's UTF-8 as the Windows-1251 bytes the unit and the modem keep. False, with the
// character that code page has no byte for.
bool toCp1251Bytes(std::string_view utf8, std::string* out, std::string* missing) {
    out->clear();
    for (size_t i = 0, length; i < utf8.size(); i += length) {
        const long point = utf8CharacterAt(utf8, i, &length);
        const int byte = point < 0 ? -1 : unicodeToCp1251(static_cast<uint32_t>(point));
        if (byte < 0) {
            // Bytes that are not UTF-8 name no character.
            *missing = point < 0 ? std::string() : characterShown(utf8, i);
            return false;
        }
        out->push_back(static_cast<char>(byte));
    }
    return true;
}

}  // namespace

bool utf8ToDevice(std::string_view utf8, std::string* cp1251, std::string* missing) {
    return toCp1251Bytes(utf8, cp1251, missing);
}

std::string deviceToUtf8(const std::string& cp1251) {
    std::string text(cp1251.size() * 3, '\0');
    text.resize(cp1251ToUtf8(reinterpret_cast<const uint8_t*>(cp1251.data()), cp1251.size(), text.data(),
                             text.size()));
    return text;
}

}  // namespace tarnwick::provision
