// tarnwick-cli.exe on a console of its own, as cmd.exe runs it: what it prints is read back
// from the console's screen, the characters the engineer sees, under the code pages a Russian
// or an English Windows gives a console (866, 1251, 437). The same run with stdout in a file
// gives UTF-8 bytes. The arguments come as a wide command line, Cyrillic and quoted paths in it.
#include <cstdio>
#include <string>

#include "driver.h"

namespace e2e {

namespace {

// The folder the test script made, with the profiles in it.
const char* const profileFolder = "\\профили станции";
constexpr SHORT lineWidth = 300, lineCount = 1000;

bool contains(const std::string& text, const std::string& part) { return text.find(part) != std::string::npos; }

HANDLE inheritable(const wchar_t* name, DWORD access, DWORD disposition) {
    SECURITY_ATTRIBUTES inherit{sizeof inherit, nullptr, TRUE};
    return CreateFileW(name, access, FILE_SHARE_READ | FILE_SHARE_WRITE, &inherit, disposition, 0, nullptr);
}

struct Run {
    DWORD exitCode = STILL_ACTIVE;
    std::string screen;  // the console's lines, blanks at their ends cut, each ended by \n
    std::string out, err;  // the files', when redirected
};

class Console {
public:
    explicit Console(const Paths& paths) : paths(paths) {
        cli = paths.exe.substr(0, paths.exe.find_last_of('\\') + 1) + "tarnwick-cli.exe";
        // The controller's own output stays in its file: the C runtime holds that handle.
        FreeConsole();
        ready = check(AllocConsole() != 0, "a console of its own");
        in = inheritable(L"CONIN$", GENERIC_READ | GENERIC_WRITE, OPEN_EXISTING);
        out = inheritable(L"CONOUT$", GENERIC_READ | GENERIC_WRITE, OPEN_EXISTING);
        ready = ready && check(in != INVALID_HANDLE_VALUE && out != INVALID_HANDLE_VALUE, "the console's handles");
        // Wide enough that no line of a report, a path in it included, wraps; high enough for a
        // long log's table.
        ready = ready && check(SetConsoleScreenBufferSize(out, COORD{lineWidth, lineCount}) != 0,
                               "a screen buffer of 300 by 1000");
    }

    // tarnwick-cli with `arguments` on the console under the code page `codePage`; a start
    // that printed nothing at all is tried again (Wine's console programs now and then end at
    // once), so `arguments` must print something.
    Run onConsole(UINT codePage, const std::string& arguments) {
        Run run;
        if (!ready) return run;
        check(SetConsoleOutputCP(codePage) != 0 && GetConsoleOutputCP() == codePage,
              "the console shows code page " + std::to_string(codePage));
        for (int attempt = 1; attempt <= 3 && run.screen.empty(); ++attempt) {
            clear();
            run.exitCode = start(arguments, out, out);
            run.screen = screen();
            if (run.screen.empty()) std::printf("tarnwick-cli.exe printed nothing on the console (attempt %d)\n", attempt);
        }
        return run;
    }

    // The same with stdout and stderr in files.
    Run toFiles(const std::string& arguments) {
        Run run;
        const std::string outPath = paths.workDir + "\\console-out.txt", errPath = paths.workDir + "\\console-err.txt";
        for (int attempt = 1; attempt <= 3 && run.out.empty() && run.err.empty(); ++attempt) {
            HANDLE outFile = inheritable(wide(outPath).c_str(), GENERIC_WRITE, CREATE_ALWAYS);
            HANDLE errFile = inheritable(wide(errPath).c_str(), GENERIC_WRITE, CREATE_ALWAYS);
            run.exitCode = start(arguments, outFile, errFile);
            CloseHandle(outFile);
            CloseHandle(errFile);
            run.out = readFileByWideName(outPath);
            run.err = readFileByWideName(errPath);
        }
        return run;
    }

    std::string folder() const { return paths.workDir + profileFolder; }

private:
    DWORD start(const std::string& arguments, HANDLE stdoutHandle, HANDLE stderrHandle) {
        STARTUPINFOW startup{};
        startup.cb = sizeof startup;
        startup.dwFlags = STARTF_USESTDHANDLES;
        startup.hStdInput = in;
        startup.hStdOutput = stdoutHandle;
        startup.hStdError = stderrHandle;
        PROCESS_INFORMATION process{};
        std::wstring line = wide("\"" + cli + "\" " + arguments);
        if (!CreateProcessW(nullptr, &line[0], nullptr, nullptr, TRUE, 0, nullptr, wide(paths.workDir).c_str(),
                            &startup, &process)) {
            check(false, "tarnwick-cli.exe starts", "error " + std::to_string(GetLastError()));
            return STILL_ACTIVE;
        }
        DWORD code = STILL_ACTIVE;
        if (!check(WaitForSingleObject(process.hProcess, 120000) == WAIT_OBJECT_0, "tarnwick-cli.exe " + arguments + " ends"))
            TerminateProcess(process.hProcess, 99);
        GetExitCodeProcess(process.hProcess, &code);
        CloseHandle(process.hThread);
        CloseHandle(process.hProcess);
        return code;
    }

    void clear() {
        CONSOLE_SCREEN_BUFFER_INFO info{};
        GetConsoleScreenBufferInfo(out, &info);
        DWORD written = 0;
        FillConsoleOutputCharacterW(out, L' ', static_cast<DWORD>(info.dwSize.X) * info.dwSize.Y, COORD{0, 0}, &written);
        SetConsoleCursorPosition(out, COORD{0, 0});
    }

    std::string screen() {
        CONSOLE_SCREEN_BUFFER_INFO info{};
        GetConsoleScreenBufferInfo(out, &info);
        const SHORT last = info.dwCursorPosition.X > 0 ? info.dwCursorPosition.Y : info.dwCursorPosition.Y - 1;
        std::string text;
        for (SHORT row = 0; row <= last; ++row) {
            std::wstring line(static_cast<size_t>(info.dwSize.X), L' ');
            DWORD got = 0;
            ReadConsoleOutputCharacterW(out, &line[0], static_cast<DWORD>(line.size()), COORD{0, row}, &got);
            line.resize(got);
            line.erase(line.find_last_not_of(L' ') + 1);
            text += utf8(line) + "\n";
        }
        return text;
    }

    const Paths& paths;
    std::string cli;
    bool ready = false;
    HANDLE in = INVALID_HANDLE_VALUE, out = INVALID_HANDLE_VALUE;
};

std::string withoutCarriageReturns(std::string text) {
    std::string plain;
    for (char c : text)
        if (c != '\r') plain += c;
    return plain;
}

}  // namespace

void checkConsole(const Paths& paths) {
    Console console(paths);
    const std::string profile = console.folder() + "\\сравнение.toml";

    // The device holds what the script's apply wrote: apn интернет, user Пётр.
    const std::string diff = "diff \"" + profile + "\" --port COM5";
    const Run shown = console.onConsole(866, diff);
    check(shown.exitCode == 1, "diff on the console ends 1, values differ", "exit code " + std::to_string(shown.exitCode));
    const std::string differs = "apn: differs: device интернет → profile internet\n"
                                "user: differs: device Пётр → profile Иван\n";
    check(contains(shown.screen, "period: same\n") && contains(shown.screen, differs),
          "a console at code page 866 shows diff's arrows and Cyrillic values", shown.screen);

    const Run filed = console.toFiles(diff);
    check(filed.exitCode == 1 && filed.err.empty(), "diff into a file ends 1 with nothing on stderr", filed.err);
    check(contains(filed.out, "\r\n") && withoutCarriageReturns(filed.out) == shown.screen,
          "the file holds the console's very lines in UTF-8, each ended by CR LF", filed.out);
    check(contains(filed.out, "device \xD0\x9F\xD1\x91\xD1\x82\xD1\x80 \xE2\x86\x92 profile"),
          "the arrow and the Cyrillic are UTF-8 bytes in the file");

    const Run ports = console.onConsole(437, "ports");
    check(ports.exitCode == 0 && contains("\n" + ports.screen, "\nCOM5 — "), "a console at code page 437 shows the ports' dash",
          ports.screen);

    // stderr on the console too: a failure line naming a path in a Cyrillic folder.
    const std::string missing = console.folder() + "\\нет такого.toml";
    const Run refused = console.onConsole(1251, "diff \"" + missing + "\" --port COM5");
    check(refused.exitCode == 2 && refused.screen == "tarnwick-cli: profile " + missing + ": no such file\n",
          "a console at code page 1251 shows the failure line with its Cyrillic path", refused.screen);

    // A table longer than one piece the console is given at a time comes whole, in order.
    std::string lines, table = "TIME  PORT  IDENTITY  RESULT\n";
    for (int line = 1; line <= 500; ++line) {
        lines += "not a record\n";
        table += "?     ?     ?         (line " + std::to_string(line) + " is not a log record)\n";
    }
    check(writeFileByWideName(console.folder() + "\\длинный.log", lines), "a log of 500 lines that are not records");
    const Run listed = console.onConsole(866, "log \"" + console.folder() + "\\длинный.log\"");
    check(listed.exitCode == 0 && listed.screen == table, "the console shows a long log's table whole",
          listed.screen.substr(listed.screen.size() > 300 ? listed.screen.size() - 300 : 0));

    // CLI11's own words go the same way: its help on stdout, its refusal on stderr.
    const Run help = console.onConsole(866, "--help");
    check(help.exitCode == 0 && contains(help.screen, "Exit codes:\n") && contains(help.screen, "  130  interrupted"),
          "--help on the console", help.screen);
    const Run unexpected = console.onConsole(866, "ports Иван");
    check(unexpected.exitCode == 2 && contains(unexpected.screen, "Иван"),
          "CLI11's refusal of an argument shows the argument", unexpected.screen);
}

}  // namespace e2e
