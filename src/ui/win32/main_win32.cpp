// The Windows program: start-up, the main window's procedure and the message loop.
#include <windows.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "app/commands.h"
#include "app/layout.h"
#include "app/tick.h"
#include "app/trace_decode.h"
#include "app/window_usage.h"
#include "base/command_line.h"
#include "base/utf16.h"
#include "base/app_state.h"
#include "serial/burst.h"
#include "serial/port_list.h"
#include "ui/win32/resource.h"
#include "ui/win32/win32_ui.h"
#include "version.h"

namespace tarnwick {

HINSTANCE programInstance = nullptr;
UINT mainDpi = baseDpi;

namespace {

constexpr int nameCapacity = 100;

// The outer size of the main window at 96 DPI, frame and menu included. The layout's positions
// are in the client area, which is smaller by the frame and the menu; everything still fits in
// it, at any DPI, as the frame and the menu grow more slowly than the DPI.
constexpr int windowWidth = 900;
constexpr int windowHeight = 530;

LRESULT onTimer(HWND window, WPARAM id) {
    if (id == tickTimerId) {
        mainTick();
    } else if (id == quietTimerId) {
        KillTimer(window, quietTimerId);  // one-shot: the burst layer re-arms when it must
        quietTimerExpired();
    }
    return 0;
}

// The menu "Tools > Ports": filled with the ports present each time it opens. Its items take
// the command ids from firstPortItem on; the names stay here until the next filling.
constexpr int firstPortItem = 33000;
PortListing ports;

bool isPortsMenu(HWND window, HMENU menu) {
    HMENU tools = GetSubMenu(GetMenu(window), 1);
    return tools != nullptr && GetSubMenu(tools, 1) == menu;
}

void fillPortsMenu(HMENU menu) {
    while (GetMenuItemCount(menu) > 0) DeleteMenu(menu, 0, MF_BYPOSITION);
    listPortLines(&ports);
    for (size_t i = 0; i < ports.count; ++i) {
        // A device without a COMn name cannot be opened by name: shown, greyed.
        const UINT flags = MF_STRING | (portChoosable(ports.entries[i]) ? 0 : MF_GRAYED);
        AppendMenuW(menu, flags, firstPortItem + i, wideText(ports.lines[i]).c_str());
    }
    if (ports.count == 0)
        AppendMenuW(menu, MF_STRING | MF_GRAYED, IDM_NO_PORTS, (L"(" + wideText(noPortFoundText) + L")").c_str());
}

bool choosePort(int id) {
    if (id < firstPortItem || id >= firstPortItem + static_cast<int>(ports.count)) return false;
    choosePortName(ports.entries[id - firstPortItem].name);
    return true;
}

LRESULT CALLBACK mainWindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
    case WM_CREATE:
        mainDpi = windowDpi(window);
        createMainControls(window);
        return 0;
    case WM_DPICHANGED: {
        // Moved to a monitor of another DPI, or the user changed the scaling.
        const RECT& suggested = *reinterpret_cast<const RECT*>(lParam);
        layOutMainControls(window, HIWORD(wParam));
        SetWindowPos(window, nullptr, suggested.left, suggested.top, suggested.right - suggested.left,
                     suggested.bottom - suggested.top, SWP_NOZORDER | SWP_NOACTIVATE);
        InvalidateRect(window, nullptr, TRUE);
        return 0;
    }
    case WM_COMMAND:
        if (handleCommand(LOWORD(wParam), HIWORD(wParam)) || choosePort(LOWORD(wParam)) ||
            handleProfileCommand(LOWORD(wParam)))
            return 0;
        if (LOWORD(wParam) == IDM_MODEM_STATUS) {
            showModemStatusWindow();
            return 0;
        }
        break;
    case WM_INITMENUPOPUP:
        if (isPortsMenu(window, reinterpret_cast<HMENU>(wParam))) fillPortsMenu(reinterpret_cast<HMENU>(wParam));
        break;
    case WM_TIMER:
        if (wParam == tickTimerId || wParam == quietTimerId) return onTimer(window, wParam);
        break;
    case quietTimerMessage:
        SetTimer(window, quietTimerId, static_cast<UINT>(wParam), nullptr);
        return 0;
    case WM_PAINT:
        paintMainWindow(window);
        return 0;
    case WM_CTLCOLORSTATIC:
        // The check box would paint its caption on the dialog grey; the window is white.
        if (GetDlgCtrlID(reinterpret_cast<HWND>(lParam)) == idNoInternet) {
            SetBkColor(reinterpret_cast<HDC>(wParam), GetSysColor(COLOR_WINDOW));
            return reinterpret_cast<LRESULT>(GetSysColorBrush(COLOR_WINDOW));
        }
        break;
    case WM_DESTROY:
        PostQuitMessage(0);
        return 0;
    }
    return DefWindowProcA(window, message, wParam, lParam);
}

bool registerMainClass(HINSTANCE instance, const char* className) {
    WNDCLASSEXA windowClass = {};
    windowClass.cbSize = sizeof windowClass;
    windowClass.style = CS_HREDRAW | CS_VREDRAW;
    windowClass.lpfnWndProc = mainWindowProc;
    windowClass.hInstance = instance;
    windowClass.hIcon = LoadIconA(instance, MAKEINTRESOURCEA(IDI_TARNWICK));
    windowClass.hCursor = LoadCursorA(nullptr, MAKEINTRESOURCEA(32512));  // IDC_ARROW
    windowClass.hbrBackground = reinterpret_cast<HBRUSH>(static_cast<INT_PTR>(COLOR_WINDOW + 1));
    windowClass.lpszMenuName = MAKEINTRESOURCEA(IDC_TARNWICK);
    windowClass.lpszClassName = className;
    windowClass.hIconSm = LoadIconA(instance, MAKEINTRESOURCEA(IDI_SMALL));
    return RegisterClassExA(&windowClass) != 0;
}

int runMessageLoop(HACCEL accelerators) {
    MSG message = {};
    BOOL got;
    while ((got = GetMessageA(&message, nullptr, 0, 0)) != 0) {
        if (got == -1) return 0;
        // Translated for the window the message is addressed to: with the focus in an edit
        // box, Alt+'?' goes to that box as a command and the About box stays closed.
        if (TranslateAcceleratorA(message.hwnd, accelerators, &message) || isProfileDialogMessage(&message) ||
            isStatusDialogMessage(&message))
            continue;
        TranslateMessage(&message);
        DispatchMessageA(&message);
    }
    return static_cast<int>(message.wParam);
}

int startUp(HINSTANCE instance, int showMode) {
    programInstance = instance;
    char title[nameCapacity] = {};
    char className[nameCapacity] = {};
    LoadStringA(instance, IDS_APP_TITLE, title, nameCapacity);
    LoadStringA(instance, IDC_TARNWICK, className, nameCapacity);
    registerMainClass(instance, className);

    // Sized for the system's DPI, where a new window usually opens; on a monitor of another
    // DPI it is sized again for that one.
    const UINT startDpi = systemDpi();
    HWND window = CreateWindowExA(0, className, title, WS_OVERLAPPEDWINDOW, CW_USEDEFAULT, 0,
                                  scaled(windowWidth, startDpi), scaled(windowHeight, startDpi), nullptr,
                                  nullptr, instance, nullptr);
    if (window == nullptr) return 0;
    mainWindow = window;
    if (mainDpi != startDpi)
        SetWindowPos(window, nullptr, 0, 0, scaled(windowWidth, mainDpi), scaled(windowHeight, mainDpi),
                     SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
    ShowWindow(window, showMode);
    UpdateWindow(window);

    HACCEL accelerators = LoadAcceleratorsA(instance, MAKEINTRESOURCEA(IDC_TARNWICK));
    SetTimer(window, tickTimerId, tickMs, nullptr);
    return runMessageLoop(accelerators);
}

}  // namespace

}  // namespace tarnwick

namespace {

// Text for whoever started the program: a console's own characters when it has one, UTF-8
// bytes when the output goes to a file or a pipe. A GUI program has no console of its own, so
// it borrows the one it was started from.
void writeOut(const std::string& utf8) {
    HANDLE out = GetStdHandle(STD_OUTPUT_HANDLE);
    if (out == nullptr || out == INVALID_HANDLE_VALUE) {
        if (!AttachConsole(ATTACH_PARENT_PROCESS)) return;
        out = CreateFileA("CONOUT$", GENERIC_WRITE, FILE_SHARE_WRITE, nullptr, OPEN_EXISTING, 0, nullptr);
        if (out == INVALID_HANDLE_VALUE) return;
        SetStdHandle(STD_OUTPUT_HANDLE, out);
    }
    DWORD mode = 0, written = 0;
    if (GetConsoleMode(out, &mode)) {
        const std::wstring wide = tarnwick::wideText(utf8);
        WriteConsoleW(out, wide.c_str(), static_cast<DWORD>(wide.size()), &written, nullptr);
    } else {
        WriteFile(out, utf8.data(), static_cast<DWORD>(utf8.size()), &written, nullptr);
    }
}

// --list-ports: the ports present, a line each, as Tools > Ports lists them.
int printPorts() {
    tarnwick::listPortLines(&tarnwick::ports);
    for (size_t i = 0; i < tarnwick::ports.count; ++i) writeOut(std::string(tarnwick::ports.lines[i]) + "\r\n");
    if (tarnwick::ports.count == 0) writeOut(std::string(tarnwick::noPortFoundText) + "\r\n");
    return 0;
}

// The usage and a warning before the window, in a box: a window program is mostly started
// from a shortcut, with no console to read it on.
void showBox(const std::string& text, UINT icon) {
    MessageBoxW(nullptr, tarnwick::wideText(text).c_str(), L"Tarnwick", MB_OK | icon);
}

}  // namespace

// The line is read as tarnwick::readWindowOptions describes it, from the wide command line, so
// that a trace file in a folder of any language is the one written. A mistyped option or a
// stray argument shows the usage and ends with exit code 2 before any port is touched.
int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR, int showMode) {
    std::vector<std::string> arguments =
        tarnwick::splitCommandLine(tarnwick::utf16ToUtf8(reinterpret_cast<const char16_t*>(GetCommandLineW())));
    arguments.erase(arguments.begin());
    const tarnwick::WindowOptions options = tarnwick::readWindowOptions(arguments);
    const std::string usage = tarnwick::windowUsage(tarnwick::WindowProgram::win32);
    if (!options.refusal.empty()) {
        showBox("tarnwick.exe: " + options.refusal + "\n\n" + usage, MB_ICONWARNING);
        return tarnwick::windowUsageExit;
    }
    if (options.help) {
        showBox(usage, MB_ICONINFORMATION);
        return 0;
    }
    if (options.version) {
        writeOut("tarnwick " TARNWICK_VERSION_FULL "\r\n");
        return 0;
    }
    if (options.listPorts) return printPorts();
    // A trace that cannot be written is worth a word, not the session.
    if (options.traced && !tarnwick::openTraceFile(options.trace.c_str()))
        showBox("The trace file " + options.trace + " cannot be opened. Tarnwick runs without it.", MB_ICONWARNING);
    const int code = tarnwick::startUp(instance, showMode);
    tarnwick::closeTraceFile();
    return code;
}
