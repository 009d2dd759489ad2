#include "base/utf16.h"

#include <gtest/gtest.h>

#include <string>

using tarnwick::utf16ToUtf8;
using tarnwick::utf8ToUtf16;
using tarnwick::wholeCharacters;

namespace {

// What tarnwick-cli prints and is given on Windows: reports, paths, the arrow of diff, the
// dash of ports, and bytes that are not UTF-8 at all.
TEST(Utf16Test, Utf8BecomesTheUnitsTheConsoleShows) {
    const struct {
        const char* utf8;
        std::u16string utf16;
        const char* why;
    } cases[] = {
        {"", u"", "nothing"},
        {"period: written 012, read back 012, match\n", u"period: written 012, read back 012, match\n", "ASCII"},
        {"user: differs: device Иван → profile Пётр", u"user: differs: device Иван → profile Пётр", "diff's line"},
        {"COM5 — serial port", u"COM5 — serial port", "the ports' dash"},
        {"C:\\Users\\Иван\\профили\\unit-17.toml", u"C:\\Users\\Иван\\профили\\unit-17.toml", "a path"},
        {"\xF0\x9F\x98\x80", u"\xD83D\xDE00", "beyond U+FFFF: a surrogate pair"},
        {"\xF0\x90\x80\x80", u"\xD800\xDC00", "U+10000, the first beyond"},
        {"\xF4\x8F\xBF\xBF", u"\xDBFF\xDFFF", "U+10FFFF, the last code point"},
        // The Unicode Standard's own example: one U+FFFD for each maximal part of a sequence.
        {"\x61\xF1\x80\x80\xE1\x80\xC2\x62\x80\x63\x80\xBF\x64", u"a\uFFFD\uFFFD\uFFFDb\uFFFDc\uFFFD\uFFFDd",
         "sequences cut short and stray continuation bytes"},
        {"\xC0\xAF", u"\uFFFD\uFFFD", "an overlong slash"},
        {"\xE0\x80\xAF", u"\uFFFD\uFFFD\uFFFD", "an overlong three-byte form"},
        {"\xED\xA0\x80", u"\uFFFD\uFFFD\uFFFD", "a surrogate's code"},
        {"\xF0\x8F\xBF\xBF", u"\uFFFD\uFFFD\uFFFD\uFFFD", "an overlong four-byte form"},
        {"\xF4\x90\x80\x80", u"\uFFFD\uFFFD\uFFFD\uFFFD", "past U+10FFFF"},
        {"\xF5\x80\x80\x80\xFF", u"\uFFFD\uFFFD\uFFFD\uFFFD\uFFFD", "bytes that never begin a character"},
        {"Ив\xD0", u"Ив\uFFFD", "the last character cut short"},
        {"\xE2\x86x", u"\uFFFDx", "a sequence broken by an ASCII letter, which stays"},
        {"\xC8\xE2\xE0\xED", u"\uFFFD\uFFFD\uFFFD\uFFFD", "Иван in Windows-1251: four bytes, none UTF-8"},
    };
    for (const auto& c : cases) EXPECT_EQ(utf8ToUtf16(c.utf8), c.utf16) << c.why;
}

// What GetCommandLineW and the file dialogs give, for the program's UTF-8.
TEST(Utf16Test, Utf16BecomesTheProgramsUtf8) {
    const struct {
        std::u16string utf16;
        const char* utf8;
        const char* why;
    } cases[] = {
        {u"", "", "nothing"},
        {u"--user Иван", "--user Иван", "Cyrillic"},
        {u"Z:\\tmp\\профили станции\\unit-17.toml", "Z:\\tmp\\профили станции\\unit-17.toml", "a path"},
        {u"\xD83D\xDE00", "\xF0\x9F\x98\x80", "a surrogate pair is one character"},
        {u"\x7F\x80\x7FF\x800\xFFFF", "\x7F\xC2\x80\xDF\xBF\xE0\xA0\x80\xEF\xBF\xBF", "each length's bounds"},
        {u"a\xD83D", "a\xEF\xBF\xBD", "a high surrogate at the end"},
        {u"\xDE00z", "\xEF\xBF\xBDz", "a low surrogate alone"},
        {u"\xD83Dz", "\xEF\xBF\xBDz", "a high surrogate before a letter"},
        {u"\xDE00\xD83D", "\xEF\xBF\xBD\xEF\xBF\xBD", "a pair the wrong way round"},
    };
    for (const auto& c : cases) EXPECT_EQ(utf16ToUtf8(c.utf16), c.utf8) << c.why;
    // A pair whose second half lies past the text's end is not the text's.
    EXPECT_EQ(utf16ToUtf8(std::u16string_view(u"\xD83D\xDE00", 1)), "\xEF\xBF\xBD");
}

TEST(Utf16Test, ValidTextComesBackAsItWas) {
    for (const char* text : {"tarnwick-cli diff unit-17.toml --port COM3", "apn: differs: device inet → profile интернет",
                             "ЁёЪъ №«»", "\xF0\x9F\x98\x80 \xF4\x8F\xBF\xBF", "\x7F\xC2\x80\xDF\xBF\xE0\xA0\x80\xEF\xBF\xBF"})
        EXPECT_EQ(utf16ToUtf8(utf8ToUtf16(text)), text);
}

// The console is given a long report in pieces, none ending inside a pair of surrogates.
TEST(Utf16Test, APieceEndsOnAWholeCharacter) {
    const std::u16string pair = u"a\xD83D\xDE00" u"b";
    const struct {
        std::u16string_view text;
        size_t limit;
        size_t piece;
    } cases[] = {
        {u"abc", 5, 3}, {u"abc", 3, 3}, {u"abc", 2, 2},
        {pair, 1, 1},  {pair, 2, 1},   {pair, 3, 3},  // the pair stays whole
        {u"ab\xD83D", 3, 3},                         // the text's own end is no cut
    };
    for (const auto& c : cases) EXPECT_EQ(wholeCharacters(c.text, c.limit), c.piece) << c.limit;
}

}  // namespace
