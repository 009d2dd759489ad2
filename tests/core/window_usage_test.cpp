#include "app/window_usage.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace tarnwick {
namespace {

// tarnwick.exe's line, read to the rule and in the words of the Linux program's own parser: a
// typing error is refused before a session against the real ports can start.
TEST(WindowOptionsTest, TheLineIsTakenOrRefusedAsTheLinuxProgramTakesIt) {
    const struct {
        std::vector<std::string> arguments;
        const char* refusal;  // "" when taken
        const char* trace;    // nullptr: no trace asked
        bool help, version, listPorts;
    } lines[] = {
        {{}, "", nullptr, false, false, false},
        {{"--trace", "C:\\Users\\Иван\\trace one.txt"}, "", "C:\\Users\\Иван\\trace one.txt", false, false, false},
        {{"--trace=line.txt", "--list-ports"}, "", "line.txt", false, false, true},
        {{"-trace", "x.txt"}, "", "x.txt", false, false, false},
        {{"--trace", "--version"}, "", "--version", false, false, false},
        {{"--trace="}, "", "", false, false, false},
        {{"--version", "--help"}, "", nullptr, true, true, false},
        {{"-h"}, "", nullptr, true, false, false},
        {{"-help"}, "", nullptr, true, false, false},
        {{"--list-ports"}, "", nullptr, false, false, true},
        {{"--"}, "", nullptr, false, false, false},
        {{"--trace"}, "--trace needs a file name", nullptr, false, false, false},
        {{"--version", "--trace"}, "--trace needs a file name", nullptr, false, true, false},
        {{"--simulate"}, "Unknown option 'simulate'.", nullptr, false, false, false},
        {{"--list-port"}, "Unknown option 'list-port'.", nullptr, false, false, false},
        {{"/?"}, "unexpected argument /?", nullptr, false, false, false},
        {{"COM3"}, "unexpected argument COM3", nullptr, false, false, false},
        {{"--trace", "t.txt", "COM3"}, "unexpected argument COM3", "t.txt", false, false, false},
        {{"-"}, "unexpected argument -", nullptr, false, false, false},
        {{"--", "--help"}, "unexpected argument --help", nullptr, false, false, false},
        {{"--version=2"}, "Unexpected value after '--version'.", nullptr, false, false, false},
        {{"--help", "--bogus", "--version"}, "Unknown option 'bogus'.", nullptr, true, false, false},
    };
    for (const auto& line : lines) {
        std::string shown;
        for (const std::string& argument : line.arguments) shown += "[" + argument + "]";
        SCOPED_TRACE(shown);
        const WindowOptions options = readWindowOptions(line.arguments);
        EXPECT_EQ(options.refusal, line.refusal);
        EXPECT_EQ(options.traced, line.trace != nullptr);
        if (line.trace != nullptr) {
            EXPECT_EQ(options.trace, line.trace);
        }
        EXPECT_EQ(options.help, line.help);
        EXPECT_EQ(options.version, line.version);
        EXPECT_EQ(options.listPorts, line.listPorts);
    }
}

TEST(WindowOptionsTest, EachProgramsUsageNamesOnlyItsOwnOptions) {
    const std::string exe = windowUsage(WindowProgram::win32);
    const std::string onLinux = windowUsage(WindowProgram::qt);
    EXPECT_EQ(exe.rfind("usage: tarnwick.exe [--trace FILE] [--list-ports] [--version] [--help]\n", 0), 0u);
    EXPECT_EQ(exe.find("--simulate"), std::string::npos);
    EXPECT_NE(onLinux.find("--simulate"), std::string::npos);
    for (const std::string* usage : {&exe, &onLinux}) EXPECT_NE(usage->find("_data.ini"), std::string::npos);
}

}  // namespace
}  // namespace tarnwick
