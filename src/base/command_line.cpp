#include "base/command_line.h"

namespace tarnwick {

namespace {

bool isBlank(char c) { return c == ' ' || c == '\t'; }

// The program's path: quotes only keep its spaces; a backslash is part of the path.
std::string programPart(std::string_view line, size_t* at) {
    std::string program;
    bool quoted = false;
    for (; *at < line.size() && (quoted || !isBlank(line[*at])); ++*at) {
        if (line[*at] == '"')
            quoted = !quoted;
        else
            program += line[*at];
    }
    return program;
}

// One argument from `*at`, which is not blank; `*at` ends past it.
std::string argumentPart(std::string_view line, size_t* at) {
    std::string argument;
    bool quoted = false;
    size_t i = *at;
    while (i < line.size() && (quoted || !isBlank(line[i]))) {
        if (line[i] == '\\') {
            size_t slashes = 0;
            while (i < line.size() && line[i] == '\\') ++slashes, ++i;
            const bool beforeQuote = i < line.size() && line[i] == '"';
            argument.append(beforeQuote ? slashes / 2 : slashes, '\\');
            if (beforeQuote && slashes % 2 == 1) {
                argument += '"';
                ++i;
            }
            continue;
        }
        if (line[i] == '"') {
            if (quoted && i + 1 < line.size() && line[i + 1] == '"') {
                argument += '"';
                i += 2;
            } else {
                quoted = !quoted;
                ++i;
            }
            continue;
        }
        argument += line[i++];
    }
    *at = i;
    return argument;
}

}  // namespace

std::vector<std::string> splitCommandLine(std::string_view line) {
    size_t at = 0;
    std::vector<std::string> arguments{programPart(line, &at)};
    for (;;) {
        while (at < line.size() && isBlank(line[at])) ++at;
        if (at == line.size()) return arguments;
        arguments.push_back(argumentPart(line, &at));
    }
}

}  // namespace tarnwick
