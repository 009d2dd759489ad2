// The trace window of the Windows program: an owner-drawn list box of the decoded lines, sends
// and answers in their own colours, with Clear and Save... buttons. Not modal; it reads the
// trace only while it is shown, on a timer of its own.
#include <windows.h>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <string>

#include "app/frontend.h"
#include "app/trace_decode.h"
#include "app/trace_view.h"
#include "ui/win32/resource.h"
#include "ui/win32/win32_ui.h"

namespace tarnwick {

namespace {

constexpr char traceClassName[] = "TARNWICK_TRACE";
constexpr UINT_PTR pollTimerId = 1;
constexpr UINT pollMs = traceView::pollMs;
constexpr int keptLines = traceView::keptLines;
constexpr int windowWidth = traceView::width;
constexpr int windowHeight = traceView::height;
constexpr int buttonWidth = 80;
constexpr int buttonHeight = 24;
constexpr int margin = 6;
constexpr int lineFontHeight = -13;

HWND traceWindow = nullptr;
HWND lineList = nullptr;
HFONT lineFont = nullptr;
HFONT captionFont = nullptr;  // null: the buttons keep the system font
UINT traceDpi = baseDpi;
TraceCursor cursor;
char line[traceLineCapacity];
wchar_t wideLine[traceLineCapacity];

COLORREF colourOf(TraceDirection direction) {
    const traceView::Colour colour = traceView::colourOf(direction);
    return RGB(colour.red, colour.green, colour.blue);
}

void appendLines() {
    TraceDirection direction;
    bool added = false;
    while (nextTraceLine(cursor, line, sizeof line, &direction)) {
        if (MultiByteToWideChar(CP_UTF8, 0, line, -1, wideLine, traceLineCapacity) == 0) continue;
        if (SendMessageW(lineList, LB_GETCOUNT, 0, 0) >= keptLines)
            SendMessageW(lineList, LB_DELETESTRING, 0, 0);
        const LRESULT at = SendMessageW(lineList, LB_ADDSTRING, 0, reinterpret_cast<LPARAM>(wideLine));
        if (at >= 0) SendMessageW(lineList, LB_SETITEMDATA, at, static_cast<LPARAM>(direction));
        added = true;
    }
    if (added) SendMessageW(lineList, LB_SETTOPINDEX, SendMessageW(lineList, LB_GETCOUNT, 0, 0) - 1, 0);
}

// Every line, UTF-8, one a line. False when the file cannot be written, with errno telling why.
bool saveLines(const char* path) {
    std::FILE* file = std::fopen(path, "wb");
    if (file == nullptr) return false;
    const LRESULT count = SendMessageW(lineList, LB_GETCOUNT, 0, 0);
    bool ok = true;
    for (LRESULT i = 0; i < count && ok; ++i) {
        if (SendMessageW(lineList, LB_GETTEXTLEN, i, 0) >= static_cast<LRESULT>(traceLineCapacity)) continue;
        SendMessageW(lineList, LB_GETTEXT, i, reinterpret_cast<LPARAM>(wideLine));
        const int bytes = WideCharToMultiByte(CP_UTF8, 0, wideLine, -1, line, sizeof line, nullptr, nullptr);
        ok = bytes > 0 && std::fputs(line, file) >= 0 && std::fputc('\n', file) != EOF;
    }
    // A full disk shows only when the buffered bytes are written out at the close.
    const int writeError = ok ? 0 : errno;
    if (std::fclose(file) != 0) return false;
    errno = writeError;
    return ok;
}

// The file name for Save...: a small dialog of our own, as the common dialogs would bring a
// DLL that not every installation has loaded.
INT_PTR CALLBACK saveProc(HWND dialog, UINT message, WPARAM wParam, LPARAM) {
    switch (message) {
    case WM_INITDIALOG:
        SetDlgItemTextA(dialog, IDC_TRACE_PATH, traceView::defaultFileName);
        return TRUE;
    case WM_COMMAND:
        if (LOWORD(wParam) == IDOK) {
            char path[MAX_PATH];
            GetDlgItemTextA(dialog, IDC_TRACE_PATH, path, sizeof path);
            errno = 0;
            if (!saveLines(path)) {
                const std::string failure =
                    traceView::saveFailure(path, errno != 0 ? std::strerror(errno) : "");
                MessageBoxA(dialog, failure.c_str(), traceView::saveTitle, MB_OK | MB_ICONWARNING);
                return TRUE;
            }
            EndDialog(dialog, IDOK);
            return TRUE;
        }
        if (LOWORD(wParam) == IDCANCEL) {
            EndDialog(dialog, IDCANCEL);
            return TRUE;
        }
        break;
    }
    return FALSE;
}

void layOut(HWND window) {
    RECT client;
    GetClientRect(window, &client);
    const int gap = scaled(margin, traceDpi), width = scaled(buttonWidth, traceDpi);
    const int height = scaled(buttonHeight, traceDpi);
    const int buttonsTop = client.bottom - gap - height;
    MoveWindow(lineList, gap, gap, client.right - 2 * gap, buttonsTop - 2 * gap, TRUE);
    MoveWindow(GetDlgItem(window, IDC_TRACE_SAVE), client.right - gap - width, buttonsTop, width, height, TRUE);
    MoveWindow(GetDlgItem(window, IDC_TRACE_CLEAR), client.right - 2 * (gap + width), buttonsTop, width,
               height, TRUE);
}

// The fonts and the list's scrolling width at `dpi`; the rows of the list grow with them from
// what they were at the DPI before.
void setFonts(HWND window, UINT dpi) {
    HFONT oldLine = lineFont, oldCaption = captionFont;
    lineFont = CreateFontA(scaled(lineFontHeight, dpi), 0, 0, 0, FW_NORMAL, FALSE, FALSE, FALSE,
                           DEFAULT_CHARSET, OUT_DEFAULT_PRECIS, CLIP_DEFAULT_PRECIS, DEFAULT_QUALITY,
                           FIXED_PITCH | FF_MODERN, "Consolas");
    captionFont = createCaptionFont(dpi);
    if (lineFont != nullptr) SendMessageW(lineList, WM_SETFONT, reinterpret_cast<WPARAM>(lineFont), FALSE);
    for (int id : {IDC_TRACE_CLEAR, IDC_TRACE_SAVE})
        SendMessageW(GetDlgItem(window, id), WM_SETFONT, reinterpret_cast<WPARAM>(captionFont), TRUE);
    // Wide enough for a full burst's line to be scrolled to.
    SendMessageW(lineList, LB_SETHORIZONTALEXTENT, scaled(8000, dpi), 0);
    const LRESULT rowHeight = SendMessageW(lineList, LB_GETITEMHEIGHT, 0, 0);
    if (dpi != traceDpi && rowHeight > 0)
        SendMessageW(lineList, LB_SETITEMHEIGHT, 0, MulDiv(static_cast<int>(rowHeight), dpi, traceDpi));
    traceDpi = dpi;
    if (oldLine != nullptr) DeleteObject(oldLine);
    if (oldCaption != nullptr) DeleteObject(oldCaption);
}

void drawLine(const DRAWITEMSTRUCT& item) {
    if (item.itemID == static_cast<UINT>(-1)) return;
    const bool selected = (item.itemState & ODS_SELECTED) != 0;
    FillRect(item.hDC, &item.rcItem, GetSysColorBrush(selected ? COLOR_HIGHLIGHT : COLOR_WINDOW));
    if (SendMessageW(item.hwndItem, LB_GETTEXTLEN, item.itemID, 0) >= static_cast<LRESULT>(traceLineCapacity))
        return;
    const int length = static_cast<int>(
        SendMessageW(item.hwndItem, LB_GETTEXT, item.itemID, reinterpret_cast<LPARAM>(wideLine)));
    SetBkMode(item.hDC, TRANSPARENT);
    SetTextColor(item.hDC, selected ? GetSysColor(COLOR_HIGHLIGHTTEXT)
                                    : colourOf(static_cast<TraceDirection>(item.itemData)));
    TextOutW(item.hDC, item.rcItem.left + 2, item.rcItem.top, wideLine, length > 0 ? length : 0);
}

LRESULT CALLBACK traceProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
    case WM_SIZE:
        layOut(window);
        return 0;
    case WM_DPICHANGED: {
        const RECT& suggested = *reinterpret_cast<const RECT*>(lParam);
        setFonts(window, HIWORD(wParam));
        SetWindowPos(window, nullptr, suggested.left, suggested.top, suggested.right - suggested.left,
                     suggested.bottom - suggested.top, SWP_NOZORDER | SWP_NOACTIVATE);
        layOut(window);
        return 0;
    }
    case WM_SHOWWINDOW:
        if (wParam) {
            appendLines();
            SetTimer(window, pollTimerId, pollMs, nullptr);
        } else {
            KillTimer(window, pollTimerId);
        }
        break;
    case WM_TIMER:
        if (wParam == pollTimerId) appendLines();
        return 0;
    case WM_DRAWITEM:
        drawLine(*reinterpret_cast<const DRAWITEMSTRUCT*>(lParam));
        return TRUE;
    case WM_COMMAND:
        if (LOWORD(wParam) == IDC_TRACE_CLEAR) {
            SendMessageW(lineList, LB_RESETCONTENT, 0, 0);
            return 0;
        }
        if (LOWORD(wParam) == IDC_TRACE_SAVE) {
            DialogBoxParamA(programInstance, MAKEINTRESOURCEA(IDD_TRACE_SAVE), window, saveProc, 0);
            return 0;
        }
        break;
    case WM_CLOSE:
        // Closing only hides it: reopened, it goes on where it was.
        ShowWindow(window, SW_HIDE);
        return 0;
    }
    return DefWindowProcA(window, message, wParam, lParam);
}

HWND createTraceWindow() {
    WNDCLASSEXA windowClass = {};
    windowClass.cbSize = sizeof windowClass;
    windowClass.lpfnWndProc = traceProc;
    windowClass.hInstance = programInstance;
    windowClass.hIcon = LoadIconA(programInstance, MAKEINTRESOURCEA(IDI_TARNWICK));
    windowClass.hCursor = LoadCursorA(nullptr, MAKEINTRESOURCEA(32512));  // IDC_ARROW
    windowClass.hbrBackground = reinterpret_cast<HBRUSH>(static_cast<INT_PTR>(COLOR_BTNFACE + 1));
    windowClass.lpszClassName = traceClassName;
    RegisterClassExA(&windowClass);
    // Owned by the main window: it stays above it and goes with it, but does not block it.
    // Sized for the main window's DPI, and again for its own when it opens on another monitor.
    const UINT startDpi = windowDpi(static_cast<HWND>(mainWindow));
    HWND window = CreateWindowExA(0, traceClassName, traceView::title, WS_OVERLAPPEDWINDOW, CW_USEDEFAULT, 0,
                                  scaled(windowWidth, startDpi), scaled(windowHeight, startDpi),
                                  static_cast<HWND>(mainWindow), nullptr, programInstance, nullptr);
    if (window == nullptr) return nullptr;
    lineList = CreateWindowExW(WS_EX_CLIENTEDGE, L"LISTBOX", L"",
                               WS_CHILD | WS_VISIBLE | WS_VSCROLL | WS_HSCROLL | LBS_NOINTEGRALHEIGHT |
                                   LBS_OWNERDRAWFIXED | LBS_HASSTRINGS,
                               0, 0, 0, 0, window, reinterpret_cast<HMENU>(IDC_TRACE_LIST),
                               programInstance, nullptr);
    CreateWindowExA(0, "BUTTON", "Clear", WS_CHILD | WS_VISIBLE | BS_PUSHBUTTON, 0, 0, 0, 0, window,
                    reinterpret_cast<HMENU>(IDC_TRACE_CLEAR), programInstance, nullptr);
    CreateWindowExA(0, "BUTTON", "Save...", WS_CHILD | WS_VISIBLE | BS_PUSHBUTTON, 0, 0, 0, 0, window,
                    reinterpret_cast<HMENU>(IDC_TRACE_SAVE), programInstance, nullptr);
    // The list's rows take their height from the system font when the list is made: the DPI
    // the system font was made for is where they start.
    traceDpi = systemDpi();
    setFonts(window, windowDpi(window));
    if (traceDpi != startDpi)
        SetWindowPos(window, nullptr, 0, 0, scaled(windowWidth, traceDpi), scaled(windowHeight, traceDpi),
                     SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
    cursor = traceCursorAtOldest();
    layOut(window);
    return window;
}

}  // namespace

void showTraceWindow() {
    if (traceWindow == nullptr) traceWindow = createTraceWindow();
    if (traceWindow == nullptr) return;
    ShowWindow(traceWindow, SW_SHOW);
    SetForegroundWindow(traceWindow);
}

}  // namespace tarnwick
