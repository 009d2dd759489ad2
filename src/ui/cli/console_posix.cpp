#include <cstdio>

#include "ui/cli/console.h"

namespace tarnwick::cli {

std::vector<std::string> programArguments(int argc, char** argv) { return std::vector<std::string>(argv, argv + argc); }

// A terminal here takes UTF-8 as it is.
void printOut(std::string_view text) { std::fwrite(text.data(), 1, text.size(), stdout); }

void printErr(std::string_view text) { std::fwrite(text.data(), 1, text.size(), stderr); }

}  // namespace tarnwick::cli
