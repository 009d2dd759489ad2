#pragma once
// The window programs' options, one rule for both: --trace FILE (or --trace=FILE), --list-ports,
// --version, --help, and on Linux --simulate; an unknown option or a stray argument is refused
// with this usage and exit code 2, so that a typing error never starts a session against the
// real ports.
#include <string>

namespace tarnwick {

enum class WindowProgram { qt, win32 };  // the Linux program, tarnwick.exe

// What --help prints, and a refusal shows after its one line.
std::string windowUsage(WindowProgram program);

// The exit code of a refused option.
constexpr int windowUsageExit = 2;

}  // namespace tarnwick
