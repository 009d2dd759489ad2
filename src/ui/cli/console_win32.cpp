#include <windows.h>

#include <cstdio>

#include "base/utf16.h"
#include "base/command_line.h"
#include "ui/cli/console.h"

namespace tarnwick::cli {

namespace {

static_assert(sizeof(wchar_t) == sizeof(char16_t), "Windows' wide characters are UTF-16 units");

// Older consoles refuse a WriteConsoleW of more than some 64 KiB at once.
constexpr size_t consoleChunk = 8192;

void writeConsole(HANDLE console, const std::u16string& text) {
    for (size_t at = 0; at < text.size();) {
        const size_t count = wholeCharacters(std::u16string_view(text).substr(at), consoleChunk);
        DWORD written = 0;
        if (!WriteConsoleW(console, reinterpret_cast<const wchar_t*>(text.data() + at), static_cast<DWORD>(count),
                           &written, nullptr) ||
            written == 0)
            return;
        at += written;
    }
}

// A console is known by its mode: a file or a pipe has none.
void print(DWORD which, std::FILE* stream, std::string_view text) {
    HANDLE handle = GetStdHandle(which);
    DWORD mode = 0;
    if (handle == nullptr || handle == INVALID_HANDLE_VALUE || !GetConsoleMode(handle, &mode)) {
        // Through the C runtime as before, its text mode ending each line with CR LF.
        std::fwrite(text.data(), 1, text.size(), stream);
        return;
    }
    std::fflush(stream);
    writeConsole(handle, utf8ToUtf16(text));
}

}  // namespace

std::vector<std::string> programArguments(int, char**) {
    const wchar_t* line = GetCommandLineW();
    return splitCommandLine(utf16ToUtf8(reinterpret_cast<const char16_t*>(line)));
}

void printOut(std::string_view text) { print(STD_OUTPUT_HANDLE, stdout, text); }

void printErr(std::string_view text) { print(STD_ERROR_HANDLE, stderr, text); }

}  // namespace tarnwick::cli
