#pragma once
// A Windows command line split into arguments. Windows hands a program one line; the C
// runtime splits it, but only the ANSI line, in which a character the system's code page
// lacks is already a "?". tarnwick-cli and tarnwick.exe split the wide line themselves, by the
// C runtime's rules, so that every argument means what it meant before and Cyrillic arrives
// whole. Plain C++, so that the rules are tested on every platform.
#include <string>
#include <string_view>
#include <vector>

namespace tarnwick {

// Splits `line` (UTF-8; the rules look at spaces, tabs, quotes and backslashes alone, which
// never occur inside a multi-byte character) as the C runtime splits its command line:
//  - arguments are separated by spaces or tabs; a double quote begins or ends a part in which
//    they are kept, and is itself dropped; inside such a part "" is one literal quote;
//  - 2n backslashes before a quote are n backslashes and the quote does its work; 2n + 1 are
//    n backslashes and a literal quote; backslashes before anything else are kept as they are;
//  - the first argument, the program, ends at the first space or tab outside quotes; its
//    quotes are dropped and its backslashes kept, as a path needs them;
//  - a quote still open at the end closes there.
// The program comes first, even when the line is empty.
std::vector<std::string> splitCommandLine(std::string_view line);

}  // namespace tarnwick
