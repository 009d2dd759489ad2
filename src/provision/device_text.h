#pragma once
// The unit's and the modem's texts are Windows-1251, the engineer's (a terminal, a profile, a
// report) UTF-8: converted on the way in and out, and a character that code page lacks is
// refused rather than sent as something else.
#include <cstddef>
#include <string>
#include <string_view>

namespace tarnwick::provision {

// Text typed by the engineer (UTF-8) as the Windows-1251 bytes the unit and the modem keep.
// False, with the character that code page lacks ("✓" (U+2713)), when it cannot be held; false
// with `missing` empty when the text is not UTF-8 at all.
bool utf8ToDevice(std::string_view utf8, std::string* cp1251, std::string* missing);

// The unit's and the modem's Windows-1251 bytes as UTF-8, for a terminal, a report or a file.
std::string deviceToUtf8(const std::string& cp1251);

// The code point of the UTF-8 sequence at `i`, and its length; -1 (length 1) for bytes that
// are not UTF-8.
long utf8CharacterAt(std::string_view text, size_t i, size_t* length);

// The character at `i` as a message names it: "Ж" (U+0416).
std::string characterShown(std::string_view text, size_t i);

}  // namespace tarnwick::provision
