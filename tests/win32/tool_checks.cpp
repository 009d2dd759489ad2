// Checks of the menu "Tools": the trace window (live lines, their colours, Save... and Clear)
// and the list of ports present.
#include <string>
#include <vector>

#include "driver.h"

namespace e2e {

namespace {

constexpr int traceCommand = idTrace;
constexpr int traceList = IDC_TRACE_LIST, traceClear = IDC_TRACE_CLEAR, traceSave = IDC_TRACE_SAVE, tracePath = IDC_TRACE_PATH;
constexpr LPARAM sentLine = 1, receivedLine = 2;  // the list's item data

HWND findVisible(const char* className, const char* title, int timeoutMs) {
    HWND window = nullptr;
    const bool shown = waitUntil([&] {
        window = FindWindowA(className, title);
        return window != nullptr && IsWindowVisible(window);
    }, timeoutMs, 100);
    return shown ? window : nullptr;
}

std::vector<std::string> listLines(HWND list, std::vector<LPARAM>* kinds) {
    std::vector<std::string> lines;
    const LRESULT count = SendMessageW(list, LB_GETCOUNT, 0, 0);
    for (LRESULT i = 0; i < count; ++i) {
        wchar_t wide[4096] = {};
        if (SendMessageW(list, LB_GETTEXTLEN, i, 0) >= 4096) continue;
        SendMessageW(list, LB_GETTEXT, i, reinterpret_cast<LPARAM>(wide));
        char utf8[4096 * 3];
        WideCharToMultiByte(CP_UTF8, 0, wide, -1, utf8, sizeof utf8, nullptr, nullptr);
        lines.push_back(utf8);
        if (kinds != nullptr) kinds->push_back(SendMessageW(list, LB_GETITEMDATA, i, 0));
    }
    return lines;
}

bool anyContains(const std::vector<std::string>& lines, const std::string& text) {
    for (const std::string& line : lines)
        if (line.find(text) != std::string::npos) return true;
    return false;
}

}  // namespace

void checkTraceWindow(const Paths& paths) {
    command(traceCommand);
    HWND trace = findVisible("TARNWICK_TRACE", nullptr, 10000);
    if (!check(trace != nullptr, "Tools > Trace... shows the trace window")) return;
    check(IsWindowEnabled(mainWindow()) != 0, "the main window stays usable beside it");
    HWND list = GetDlgItem(trace, traceList);
    // The window fills its list on a timer; on a busy machine the first poll may come late.
    std::vector<LPARAM> kinds;
    std::vector<std::string> lines;
    waitUntil([&] {
        kinds.clear();
        lines = listLines(list, &kinds);
        return anyContains(lines, "set-up step 6 (APN) sent");
    }, 10000, 100);
    check(anyContains(lines, "set-up step 6 (APN) sent"), "the trace names the set-up's steps",
          std::to_string(lines.size()) + " lines");
    check(anyContains(lines, "AT^SICS=0,\"passwd\",\"***\"\\r\\n") && !anyContains(lines, "tpass"),
          "the trace window shows no password");
    bool sent = false, received = false;
    for (size_t i = 0; i < lines.size(); ++i) {
        sent = sent || (kinds[i] == sentLine && lines[i].find("  TX  ") != std::string::npos);
        received = received || (kinds[i] == receivedLine && lines[i].find("  RX  ") != std::string::npos);
    }
    check(sent && received, "sent and received lines are drawn apart");

    // Save... asks for a file name in a dialog of its own.
    PostMessageA(GetDlgItem(trace, traceSave), BM_CLICK, 0, 0);
    HWND dialog = findVisible("#32770", "Save the trace", 10000);
    if (check(dialog != nullptr, "Save... asks for the file")) {
        const std::string saved = paths.workDir + "\\trace-saved.txt";
        SendMessageA(GetDlgItem(dialog, tracePath), WM_SETTEXT, 0, reinterpret_cast<LPARAM>(saved.c_str()));
        PostMessageA(GetDlgItem(dialog, IDOK), BM_CLICK, 0, 0);
        waitGone(dialog, 5000);
        const std::vector<std::string> shownNow = listLines(list, nullptr);
        std::string expected;
        for (const std::string& line : shownNow) expected += line + "\n";
        checkEqual(readFile(saved), expected, "the saved trace is the window's lines in UTF-8");
    }
    SendMessageA(GetDlgItem(trace, traceClear), BM_CLICK, 0, 0);
    check(SendMessageW(list, LB_GETCOUNT, 0, 0) == 0, "Clear empties the window");
    SendMessageA(trace, WM_CLOSE, 0, 0);
    check(!IsWindowVisible(trace), "the trace window closes");
}

// Before Tools > Ports is worked (by the test script, with the mouse): a name that is no port.
void resetPortName() {
    waitForText(idPortName, "COM1", 5000);  // the window has put its start text in
    setText(idPortName, "COM9");
    checkEqual(text(idPortName), "COM9", "the port-name box is set to COM9 before Tools > Ports");
}

// After COM5 was chosen from Tools > Ports: its name is in the port-name box, and it opens.
void checkPortChosen() {
    check(waitForText(idPortName, "COM5", 5000), "choosing COM5 from Tools > Ports puts COM5 in the port-name box",
          "shows \"" + text(idPortName) + "\"");
    command(idOpenPort);
    checkEqual(text(idPortStatus), "The COM5 is opened.", "the chosen port opens");
}

// The device has gone while the port is open: the port status says so; Close and Open behave
// as ever (the device being gone, the open fails).
void checkLostDevice() {
    check(waitForText(idPortStatus, "The COM5 is lost.", 15000), "a vanished device shows The COM5 is lost.",
          "shows \"" + text(idPortStatus) + "\"");
    command(idClosePort);
    checkEqual(text(idPortStatus), "The Port is closed.", "Close after the loss");
    command(idOpenPort);
    checkEqual(text(idPortStatus), "Port did't open!", "Open while the device is gone");
}

// Another program holds COM6 (this controller, for exclusive use): "Open the Port" shows the
// usual text; the trace file, checked by the script, says why. Wine keeps one user per file,
// not per device, so the script maps COM6 to a file.
void checkBusyPort() {
    HANDLE held = CreateFileA("\\\\.\\COM6", GENERIC_READ | GENERIC_WRITE, 0, nullptr, OPEN_EXISTING, 0, nullptr);
    if (!check(held != INVALID_HANDLE_VALUE, "the controller holds COM6", "error " + std::to_string(GetLastError())))
        return;
    setText(idPortName, "COM6");
    command(idOpenPort);
    checkEqual(text(idPortStatus), "Port did't open!", "Open while another program holds COM6");
    CloseHandle(held);
}

// The device has gone; the port is left as it is, neither closed nor opened.
void checkLostAndLeft() {
    check(waitForText(idPortStatus, "The COM5 is lost.", 15000), "a vanished device shows The COM5 is lost.",
          "shows \"" + text(idPortStatus) + "\"");
}

// The device is back where COM5 leads: the window opens it by itself, and the unit answers.
void checkBackByItself(const char* periodShown) {
    check(waitForText(idPortStatus, "The COM5 is opened.", 20000), "COM5 opens again by itself",
          "shows \"" + text(idPortStatus) + "\"");
    setText(valueBoxOf(0), "");
    check(clickUntil(readButtonOf(0), valueBoxOf(0), periodShown, 12000), std::string("the period ") + periodShown + " is read",
          "shows \"" + text(valueBoxOf(0)) + "\"");
}

}  // namespace e2e
