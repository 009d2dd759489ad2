#pragma once
// The window programs' options, one rule for both: --trace FILE (or --trace=FILE), --list-ports,
// --version, --help, and on Linux --simulate; an unknown option or a stray argument is refused
// with this usage and exit code 2, so that a typing error never starts a session against the
// real ports.
#include <string>
#include <vector>

namespace tarnwick {

enum class WindowProgram { qt, win32 };  // the Linux program, tarnwick.exe

// What --help prints, and a refusal shows after its one line.
std::string windowUsage(WindowProgram program);

// The exit code of a refused option.
constexpr int windowUsageExit = 2;

// What a window program's line asks for. The Linux program reads its own with Qt's parser,
// which takes Qt's options out first; tarnwick.exe reads its line here, to the same rule and
// with the same words: -h, -help and --help are one; --trace takes the next argument or what
// follows its "=".
struct WindowOptions {
    bool help = false;
    bool version = false;
    bool listPorts = false;
    bool traced = false;
    std::string trace;     // the file of --trace, as given
    std::string refusal;   // "Unknown option 'x'.", "unexpected argument COM3" ...; empty when taken
};

// `arguments` are those after the program's own name.
WindowOptions readWindowOptions(const std::vector<std::string>& arguments);

}  // namespace tarnwick
