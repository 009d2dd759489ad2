#pragma once
// UTF-8, the program's own text, and UTF-16, what Windows' wide calls take and give: the
// console, the command line and file names. Plain C++, so that the conversion is tested on
// every platform.
#include <cstddef>
#include <string>
#include <string_view>

namespace tarnwick {

// Bytes that are not UTF-8 (a stray continuation byte, a sequence cut short, an overlong form,
// a surrogate's code, a code point above U+10FFFF) become U+FFFD, one for each maximal part of
// a sequence, as the Unicode Standard recommends and Windows' own conversion does.
std::u16string utf8ToUtf16(std::string_view utf8);

// A surrogate without its partner becomes U+FFFD.
std::string utf16ToUtf8(std::u16string_view utf16);

// How much of the start of `utf16`, at most `limit` units, ends on a whole character: a pair
// of surrogates is never cut in two. For a text given out in pieces.
size_t wholeCharacters(std::u16string_view utf16, size_t limit);

}  // namespace tarnwick
