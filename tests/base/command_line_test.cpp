#include "base/command_line.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

using tarnwick::splitCommandLine;

namespace {

using Arguments = std::vector<std::string>;

// The C runtime's rules, as Microsoft documents them with these very lines, and the lines an
// engineer types at cmd.exe or PowerShell: each must give tarnwick-cli the arguments the C
// runtime gave it before it read the wide command line itself.
TEST(CommandLineTest, ArgumentsAreSplitAsTheCRuntimeSplitsThem) {
    const struct {
        const char* line;
        Arguments after;  // the arguments after the program
    } cases[] = {
        // Microsoft's table.
        {R"(t.exe "abc" d e)", {"abc", "d", "e"}},
        {R"(t.exe a\\b d"e f"g h)", {R"(a\\b)", "de fg", "h"}},
        {R"(t.exe a\\\"b c d)", {R"(a\"b)", "c", "d"}},
        {R"(t.exe a\\\\"b c" d e)", {R"(a\\b c)", "d", "e"}},
        {R"(t.exe a"b"" c d)", {R"(ab" c d)"}},
        // Quotes.
        {R"(t.exe "a""b" c)", {R"(a"b)", "c"}},
        {R"(t.exe """a""" b)", {R"("a")", "b"}},
        {R"(t.exe x""y)", {"xy"}},
        {R"(t.exe x "" y)", {"x", "", "y"}},
        {R"(t.exe x "a b)", {"x", "a b"}},
        {R"(t.exe x ")", {"x", ""}},
        // Spaces and tabs.
        {"t.exe", {}},
        {"t.exe   ", {}},
        {"t.exe \t ports\t\t--json  ", {"ports", "--json"}},
        // A folder closed by a backslash: doubled it ends the quote, single it escapes it.
        {R"(t.exe --log "C:\logs\\" ports)", {"--log", R"(C:\logs\)", "ports"}},
        {R"(t.exe --log "C:\logs\" ports)", {"--log", R"(C:\logs" ports)"}},
        {R"(t.exe C:\a\b\\c)", {R"(C:\a\b\\c)"}},
        // Cyrillic, which the ANSI line turned into question marks.
        {"t.exe write --port COM3 --user Иван", {"write", "--port", "COM3", "--user", "Иван"}},
        {"t.exe --user=Иван", {"--user=Иван"}},
        {R"(t.exe diff "C:\Users\Иван\профили станции\unit-17.toml" --port COM3)",
         {"diff", R"(C:\Users\Иван\профили станции\unit-17.toml)", "--port", "COM3"}},
        {"t.exe --apn \"ин\\\"тер\"нет", {"--apn", "ин\"тернет"}},
    };
    for (const auto& c : cases) {
        const Arguments split = splitCommandLine(c.line);
        ASSERT_FALSE(split.empty()) << c.line;
        EXPECT_EQ(split[0], "t.exe") << c.line;
        EXPECT_EQ(Arguments(split.begin() + 1, split.end()), c.after) << c.line;
    }
}

// The program's path: quoted for its spaces, its backslashes kept, even one before the quote.
TEST(CommandLineTest, TheProgramKeepsItsPath) {
    const struct {
        const char* line;
        Arguments split;
    } cases[] = {
        {R"("C:\Program Files\Tarnwick\tarnwick-cli.exe" ports)", {R"(C:\Program Files\Tarnwick\tarnwick-cli.exe)", "ports"}},
        {R"(C:\Tarnwick\tarnwick-cli.exe ports)", {R"(C:\Tarnwick\tarnwick-cli.exe)", "ports"}},
        {R"("C:\Станция\"tarnwick-cli.exe "a b")", {R"(C:\Станция\tarnwick-cli.exe)", "a b"}},
        {"", {""}},
    };
    for (const auto& c : cases) EXPECT_EQ(splitCommandLine(c.line), c.split) << c.line;
}

}  // namespace
