#pragma once
// Between tarnwick-cli's UTF-8 and the system: the command line it is given and everything it
// prints, on stdout and stderr alike. Supplied once per operating system (console_posix.cpp,
// console_win32.cpp).
#include <string>
#include <string_view>
#include <vector>

namespace tarnwick::cli {

// The program's arguments in UTF-8, the program first. On Windows they come from the wide
// command line, so that `--user Иван` and a path in a Cyrillic folder arrive whole whatever
// the system's code page; elsewhere they are argv as it is.
std::vector<std::string> programArguments(int argc, char** argv);

// Writes UTF-8 text to stdout or stderr. A Windows console is given it as UTF-16, so that it
// shows the very characters whatever its code page (866, 1251 and 437 show UTF-8 bytes as
// other letters); a file or a pipe, and every stream elsewhere, gets the bytes as they are.
void printOut(std::string_view text);
void printErr(std::string_view text);

// "tarnwick-cli: LINE" on stderr, the form of every failure and notice.
inline void printNotice(const std::string& line) { printErr("tarnwick-cli: " + line + "\n"); }

}  // namespace tarnwick::cli
