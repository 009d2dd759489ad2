// The Windows program: start-up, the main window's procedure and the message loop.
#include <windows.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "app/app_state.h"
#include "app/commands.h"
#include "app/layout.h"
#include "app/tick.h"
#include "app/trace_decode.h"
#include "serial/burst.h"
#include "ui/win32/resource.h"
#include "ui/win32/win32_ui.h"

namespace tarnwick {

HINSTANCE programInstance = nullptr;

namespace {

constexpr int nameCapacity = 100;

// The outer size of the main window, frame and menu included. The layout's positions are in
// the client area, which is smaller by the frame and the menu; everything still fits in it.
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

LRESULT CALLBACK mainWindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
    case WM_CREATE:
        createMainControls(window);
        return 0;
    case WM_COMMAND:
        if (handleCommand(LOWORD(wParam), HIWORD(wParam))) return 0;
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
        if (TranslateAcceleratorA(message.hwnd, accelerators, &message)) continue;
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

    HWND window = CreateWindowExA(0, className, title, WS_OVERLAPPEDWINDOW, CW_USEDEFAULT, 0,
                                  windowWidth, windowHeight, nullptr, nullptr, instance, nullptr);
    if (window == nullptr) return 0;
    mainWindow = window;
    ShowWindow(window, showMode);
    UpdateWindow(window);

    HACCEL accelerators = LoadAcceleratorsA(instance, MAKEINTRESOURCEA(IDC_TARNWICK));
    SetTimer(window, tickTimerId, tickMs, nullptr);
    return runMessageLoop(accelerators);
}

}  // namespace

}  // namespace tarnwick

// Options: --trace FILE appends every trace line to FILE from start to exit.
int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR, int showMode) {
    const char* tracePath = nullptr;
    for (int i = 1; i < __argc; ++i)
        if (std::strcmp(__argv[i], "--trace") == 0 && i + 1 < __argc) tracePath = __argv[++i];
    // A trace that cannot be written is worth a word, not the session.
    if (tracePath != nullptr && !tarnwick::openTraceFile(tracePath)) {
        char message[MAX_PATH + 96];
        std::snprintf(message, sizeof message,
                      "The trace file %s cannot be opened. Tarnwick runs without it.", tracePath);
        MessageBoxA(nullptr, message, "Tarnwick", MB_OK | MB_ICONWARNING);
    }
    const int code = tarnwick::startUp(instance, showMode);
    tarnwick::closeTraceFile();
    return code;
}
