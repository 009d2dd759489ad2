// The controller's tools and its entry point:
//   tarnwick-e2e SCENARIO TARNWICK_EXE WORK_DIR DEVSIM_LOG
// SCENARIO is "beside" (before the program's first start: files beside _data.ini that the
// user made, and one that a crashed save left), "session" (the program's first start, against
// a healthy device), "silent" (the next start, against a device that never answers, with the
// _data.ini the first one saved), "plain" (a healthy device on a port
// without modem lines), "awkward" (a modem just powered up, XON and XOFF bytes on the line),
// "held" (a write held by XOFF when the port is closed), "open-read" (open COM5 and read the
// period), "lost" (the device has vanished), "busy" (COM6 held by another program),
// "lost-left" and "back" (a vanished device that comes back by itself), "port-name-reset"
// and "ports" (before and after COM5 is chosen from Tools > Ports), "profiles" (the profile
// commands, against a healthy device), "status" (Tools > Modem Status..., the device changed
// through its control file), "scaled" (a start at 144 DPI), "console" (no window:
// tarnwick-cli.exe on a console, see console_checks.cpp), "refused" (a start with an option
// the program does not take), "exit" (by the menu) or "close" (by the close box).
// Prints a line per check and returns 0 only when every check passed.
#include "driver.h"

#include <cstdio>
#include <cstring>
#include <string>

namespace e2e {

namespace {

int failed = 0;
HWND mainHwnd = nullptr;

int hexDigit(char c) {
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    return -1;
}

// One logged payload: printable bytes as they are, every other byte (and the backslash) as \xNN.
std::string decodePayload(const std::string& payload) {
    std::string bytes;
    for (size_t i = 0; i < payload.size(); ++i) {
        if (payload[i] == '\\' && i + 3 < payload.size() && payload[i + 1] == 'x') {
            const int high = hexDigit(payload[i + 2]);
            const int low = hexDigit(payload[i + 3]);
            if (high >= 0 && low >= 0) {
                bytes.push_back(static_cast<char>(high * 16 + low));
                i += 3;
                continue;
            }
        }
        bytes.push_back(payload[i]);
    }
    return bytes;
}

std::string printable(const std::string& bytes) {
    std::string out;
    for (unsigned char c : bytes) {
        if (c >= 0x20 && c < 0x7F) {
            out.push_back(static_cast<char>(c));
        } else {
            char hex[8];
            std::snprintf(hex, sizeof hex, "\\x%02X", c);
            out += hex;
        }
    }
    return out;
}

}  // namespace

bool check(bool ok, const std::string& what, const std::string& detail) {
    if (!ok) ++failed;
    const bool explain = !ok && !detail.empty();
    std::printf("%s %s%s%s\n", ok ? "ok  " : "FAIL", what.c_str(), explain ? ": " : "",
                explain ? detail.c_str() : "");
    std::fflush(stdout);
    return ok;
}

bool checkEqual(const std::string& actual, const std::string& expected, const std::string& what) {
    return check(actual == expected, what,
                 actual == expected ? "" : "got \"" + printable(actual) + "\", wanted \"" +
                                               printable(expected) + "\"");
}

int failures() { return failed; }

void sleepMs(int ms) { Sleep(static_cast<DWORD>(ms)); }

HWND findMainWindow(int timeoutMs) {
    // Shown only once WM_CREATE has made every control and put "COM1" into the port-name box:
    // found before that, a port name typed at once would be overwritten.
    const bool shown = waitUntil([] {
        return (mainHwnd = FindWindowA("TARNWICK", "Tarnwick")) != nullptr && IsWindowVisible(mainHwnd);
    }, timeoutMs, 100);
    return shown ? mainHwnd : nullptr;
}

HWND mainWindow() { return mainHwnd; }

HWND control(int id) { return GetDlgItem(mainHwnd, id); }

std::string text(int id) {
    char buffer[1024] = {};
    SendMessageA(control(id), WM_GETTEXT, sizeof buffer, reinterpret_cast<LPARAM>(buffer));
    return buffer;
}

std::wstring wideText(HWND window) {
    wchar_t buffer[256] = {};
    SendMessageW(window, WM_GETTEXT, sizeof buffer / sizeof buffer[0],
                 reinterpret_cast<LPARAM>(buffer));
    return buffer;
}

void setText(int id, const std::string& value) {
    SendMessageA(control(id), WM_SETTEXT, 0, reinterpret_cast<LPARAM>(value.c_str()));
}

void command(int id) { SendMessageA(mainHwnd, WM_COMMAND, MAKEWPARAM(id, 0), 0); }

void click(int id) { SendMessageA(control(id), BM_CLICK, 0, 0); }

bool checked(int id) { return SendMessageA(control(id), BM_GETCHECK, 0, 0) == BST_CHECKED; }

bool waitForText(int id, const std::string& expected, int timeoutMs) {
    return waitUntil([&] { return text(id) == expected; }, timeoutMs, 20);
}

bool waitGone(HWND window, int timeoutMs) {
    return waitUntil([window] { return !IsWindow(window); }, timeoutMs);
}

bool clickUntilDevice(const Paths& paths, int button, const std::string& bytes, int timeoutMs) {
    const size_t from = deviceReceived(paths).size();
    for (int waited = 0; waited < timeoutMs; waited += 3000) {
        click(button);
        if (waitUntil([&] { return deviceReceived(paths).find(bytes, from) != std::string::npos; }, 3000, 100))
            return true;
    }
    return false;
}

bool clickUntil(int button, int id, const std::string& expected, int timeoutMs) {
    for (int waited = 0; waited < timeoutMs; waited += 3000) {
        click(button);
        if (waitForText(id, expected, 3000)) return true;
    }
    return false;
}

std::string readFile(const std::string& path) {
    std::string content;
    FILE* file = std::fopen(path.c_str(), "rb");
    if (file == nullptr) return content;
    char buffer[4096];
    size_t n;
    while ((n = std::fread(buffer, 1, sizeof buffer, file)) > 0) content.append(buffer, n);
    std::fclose(file);
    return content;
}

std::string deviceReceived(const Paths& paths) {
    // Lines look like "    1234 ms <- payload"; what the device sent is marked "->".
    const std::string log = readFile(paths.devsimLog);
    std::string received;
    size_t start = 0;
    while (start < log.size()) {
        size_t end = log.find('\n', start);
        if (end == std::string::npos) break;  // a line still being written
        const std::string line = log.substr(start, end - start);
        const size_t mark = line.find(" ms <- ");
        if (mark != std::string::npos) received += decodePayload(line.substr(mark + 7));
        start = end + 1;
    }
    return received;
}

bool waitForDevice(const Paths& paths, const std::string& bytes, int timeoutMs) {
    return waitUntil([&] { return deviceReceived(paths).find(bytes) != std::string::npos; }, timeoutMs, 100);
}

std::wstring wide(const std::string& utf8) {
    const int length = MultiByteToWideChar(CP_UTF8, 0, utf8.c_str(), -1, nullptr, 0);
    std::wstring out(static_cast<size_t>(length > 0 ? length : 1), L'\0');
    MultiByteToWideChar(CP_UTF8, 0, utf8.c_str(), -1, &out[0], length);
    out.resize(out.size() - 1);
    return out;
}

std::string utf8(const std::wstring& text) {
    const int length = WideCharToMultiByte(CP_UTF8, 0, text.c_str(), -1, nullptr, 0, nullptr, nullptr);
    std::string out(static_cast<size_t>(length > 0 ? length : 1), '\0');
    WideCharToMultiByte(CP_UTF8, 0, text.c_str(), -1, &out[0], length, nullptr, nullptr);
    out.resize(out.size() - 1);
    return out;
}

std::string readFileByWideName(const std::string& path) {
    std::string content;
    HANDLE file = CreateFileW(wide(path).c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                              OPEN_EXISTING, 0, nullptr);
    if (file == INVALID_HANDLE_VALUE) return content;
    char buffer[4096];
    DWORD got = 0;
    while (ReadFile(file, buffer, sizeof buffer, &got, nullptr) && got > 0) content.append(buffer, got);
    CloseHandle(file);
    return content;
}

bool writeFileByWideName(const std::string& path, const std::string& bytes) {
    HANDLE file = CreateFileW(wide(path).c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE) return false;
    DWORD written = 0;
    const bool ok = WriteFile(file, bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr) &&
                    written == bytes.size();
    return CloseHandle(file) && ok;
}

// The shown dialog titled `title` that holds the control `child` (any, for 0).
HWND dialogWith(const char* title, int child, int timeoutMs) {
    HWND found = nullptr;
    waitUntil([&] {
        for (found = FindWindowExA(nullptr, nullptr, "#32770", title); found != nullptr;
             found = FindWindowExA(nullptr, found, "#32770", title))
            if (IsWindowVisible(found) && (child == 0 || GetDlgItem(found, child) != nullptr)) return true;
        return false;
    }, timeoutMs, 100);
    return found;
}

// The texts of a message box, answered with `button`; empty when none came.
std::string answerBox(const char* title, int button) {
    HWND box = dialogWith(title, button, 10000);
    std::string texts;
    for (HWND child = GetWindow(box, GW_CHILD); child != nullptr; child = GetWindow(child, GW_HWNDNEXT)) {
        wchar_t text[2048] = {};
        GetWindowTextW(child, text, sizeof text / sizeof text[0]);
        texts += utf8(text) + "\n";
    }
    if (box != nullptr) PostMessageA(box, WM_COMMAND, MAKEWPARAM(button, 0), 0);
    waitGone(box, 5000);
    return texts;
}

}  // namespace e2e

int main(int argc, char** argv) {
    if (argc != 5) {
        std::fprintf(stderr, "usage: tarnwick-e2e beside|console|refused|session|silent|plain|awkward|held|open-read|lost|busy|lost-left|back|port-name-reset|ports|profiles|status|scaled|exit|close TARNWICK_EXE WORK_DIR DEVSIM_LOG\n");
        return 2;
    }
    const std::string scenario = argv[1];
    const e2e::Paths paths{argv[2], argv[3], argv[4]};
    // Aware of the DPI, it sees every window in the screen's own pixels; unaware, it would be
    // shown a DPI-aware window's sizes scaled back to 96 DPI.
    SetProcessDPIAware();
    if (scenario == "beside" || scenario == "console" || scenario == "refused") {  // no window
        if (scenario == "beside") e2e::placeFilesBeside(paths);  // before the program's first start
        if (scenario == "console") e2e::checkConsole(paths);
        if (scenario == "refused") e2e::checkRefusedStart(paths);
        std::printf("%s: %d failed\n", scenario.c_str(), e2e::failures());
        return e2e::failures() == 0 ? 0 : 1;
    }
    if (!e2e::check(e2e::findMainWindow(30000) != nullptr, "the main window \"Tarnwick\" of class TARNWICK appears"))
        return 1;
    if (scenario == "session") {
        e2e::checkFilesBeside(paths, {}, "the first start");
        e2e::checkResources(paths);
        e2e::checkStartState(false);
        e2e::checkLayout();
        e2e::checkAbout();
        e2e::checkPortCommands();
        e2e::checkParameters(paths);
        e2e::checkModem(paths);
        e2e::checkTraceWindow(paths);
        e2e::checkCloseAndReopen();
    } else if (scenario == "silent") {
        e2e::checkStartState(true);
        e2e::checkSilentModem();
        e2e::checkEqual(e2e::readFile(paths.workDir + "\\_data.ini"), "10.20.30.40\r\ninternet.test\r\ntuser\r\ntpass",
                        "_data.ini after a save with a silent modem");
        e2e::checkFilesBeside(paths, {}, "the second start and its save");
    } else if (scenario == "plain") {
        e2e::checkWithoutModemLines();
    } else if (scenario == "port-name-reset") {
        e2e::resetPortName();
    } else if (scenario == "ports") {
        e2e::checkPortChosen();
    } else if (scenario == "open-read") {
        e2e::checkOpenAndRead("037");
    } else if (scenario == "lost") {
        e2e::checkLostDevice();
    } else if (scenario == "busy") {
        e2e::checkBusyPort();
    } else if (scenario == "lost-left") {
        e2e::checkLostAndLeft();
    } else if (scenario == "back") {
        e2e::checkBackByItself("038");
    } else if (scenario == "awkward") {
        e2e::checkAwkwardDevice(paths);
    } else if (scenario == "held") {
        e2e::checkHeldWrite(paths);
    } else if (scenario == "profiles") {
        e2e::checkProfiles(paths);
    } else if (scenario == "status") {
        e2e::checkModemStatus(paths);
    } else if (scenario == "scaled") {
        e2e::checkScaled(144);
    } else if (scenario == "exit") {
        e2e::checkExit(false);
    } else if (scenario == "close") {
        e2e::checkExit(true);
    } else {
        std::fprintf(stderr, "unknown scenario %s\n", scenario.c_str());
        return 2;
    }
    std::printf("%s: %d failed\n", scenario.c_str(), e2e::failures());
    return e2e::failures() == 0 ? 0 : 1;
}
