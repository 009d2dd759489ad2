// Tools > Modem Status...: the small window beside the main one that says whether the unit is
// online. The check, when it may start, and every text are the core's
// (provision/network_check.h); this window only draws them and keeps the main window from input
// while a check it started runs.
//
// The window is made once and then only shown and hidden, so that the menu always brings back
// the same one, and a check that runs when it is closed still ends in it: its watch timer goes
// on while it is hidden, gives the main window its input back and shows what the check found.
#include <windows.h>

#include <string>
#include <vector>

#include "base/app_state.h"
#include "modem/status_meaning.h"
#include "provision/network_check.h"
#include "ui/win32/resource.h"
#include "ui/win32/win32_ui.h"

namespace tarnwick {

namespace {

using namespace tarnwick::provision;

HWND statusWindow = nullptr;
// A check this window started and has not yet shown.
bool checking = false;
// The meter as the last check left it; drawn on WM_DRAWITEM.
SignalMeter meter;

HWND mainHwnd() { return static_cast<HWND>(mainWindow); }

// The core's texts are ASCII, but the operator's name is the modem's own bytes, which a modem
// sold here gives in Windows-1251.
void setText(HWND window, int id, const std::string& text) {
    wchar_t wide[statusLineCapacity];
    cp1251ToWide(text.c_str(), wide, sizeof wide / sizeof wide[0]);
    SetDlgItemTextW(window, id, wide);
}

bool everyFiveSecondsOn(HWND window) { return IsDlgButtonChecked(window, IDC_STATUS_EVERY) == BST_CHECKED; }

// What the last check found: each item, the meter and the verdict.
void showStatus(HWND window) {
    const ModemStatus& status = modemStatus();
    const std::vector<NetworkItem> items = networkItems(status);
    for (size_t k = 0; k < items.size() && k < statusItemCount; ++k) {
        setText(window, IDC_STATUS_NAME + static_cast<int>(k), items[k].name);
        setText(window, IDC_STATUS_VALUE + static_cast<int>(k), items[k].text);
    }
    meter = signalMeter(status);
    setText(window, IDC_STATUS_SIGNAL, meter.text);
    InvalidateRect(GetDlgItem(window, IDC_STATUS_METER), nullptr, TRUE);
    setText(window, IDC_STATUS_VERDICT, verdictSummary(statusVerdict(status)));
}

// Refresh, by the button or a round of every 5 s: refused with its reason shown, or started,
// the main window then taking no input until the watch timer sees the check end.
void refresh(HWND window) {
    if (checking) return;
    const std::string refusal = refreshRefusal();
    setText(window, IDC_STATUS_NOTE, refusal);
    if (!refusal.empty() || !startRefresh()) return;
    checking = true;
    KillTimer(window, IDT_STATUS_AUTO);
    HWND button = GetDlgItem(window, IDC_STATUS_REFRESH);
    // The focus leaves the button before it is greyed, or the keyboard would reach nothing.
    if (GetFocus() == button)
        SendMessageA(window, WM_NEXTDLGCTL, reinterpret_cast<WPARAM>(GetDlgItem(window, IDC_STATUS_EVERY)), TRUE);
    EnableWindow(button, FALSE);
    EnableWindow(mainHwnd(), FALSE);
    SetTimer(window, IDT_STATUS_WATCH, tickMs, nullptr);
}

void watchCheck(HWND window) {
    if (!checking || refreshRunning()) return;
    KillTimer(window, IDT_STATUS_WATCH);
    checking = false;
    // Shown before the main window takes input again: whoever sees it usable sees the result.
    showStatus(window);
    EnableWindow(GetDlgItem(window, IDC_STATUS_REFRESH), TRUE);
    EnableWindow(mainHwnd(), TRUE);
    if (!IsWindowVisible(window)) {
        SetForegroundWindow(mainHwnd());
        return;
    }
    // The next round comes five seconds after this check's end, so that the line is left to
    // the buttons for that long however long a check takes.
    if (everyFiveSecondsOn(window)) SetTimer(window, IDT_STATUS_AUTO, autoRefreshMs, nullptr);
}

void everyFiveSecondsClicked(HWND window) {
    KillTimer(window, IDT_STATUS_AUTO);
    if (!everyFiveSecondsOn(window) || checking) return;  // a running check arms it when it ends
    // The first round at once: the engineer wants the signal now, not in five seconds.
    SetTimer(window, IDT_STATUS_AUTO, autoRefreshMs, nullptr);
    refresh(window);
}

// Closed by its close box or Escape: hidden, and every 5 s stops with it. A check under way
// goes on to its end.
void closeStatusWindow(HWND window) {
    KillTimer(window, IDT_STATUS_AUTO);
    CheckDlgButton(window, IDC_STATUS_EVERY, BST_UNCHECKED);
    ShowWindow(window, SW_HIDE);
    if (!checking) SetForegroundWindow(mainHwnd());
}

// The meter: the signal's level filled from the left, the edges of the signal bands marked on
// it, nothing filled when the signal is not known.
void drawMeter(const DRAWITEMSTRUCT& item) {
    HDC dc = item.hDC;
    RECT whole = item.rcItem;
    FillRect(dc, &whole, GetSysColorBrush(COLOR_WINDOW));
    const int width = whole.right - whole.left;
    if (meter.known) {
        RECT level = whole;
        level.right = whole.left + MulDiv(width, meter.level, 100);
        FillRect(dc, &level, GetSysColorBrush(COLOR_HIGHLIGHT));
    }
    for (const SignalBand& band : signalBands) {
        RECT mark = whole;
        mark.left = whole.left + MulDiv(width, meterLevel(band.lowestDbm), 100);
        mark.right = mark.left + 1;
        FillRect(dc, &mark, GetSysColorBrush(COLOR_GRAYTEXT));
    }
    FrameRect(dc, &whole, GetSysColorBrush(COLOR_WINDOWTEXT));
}

// Right of the main window, or left of it where the monitor has no room on the right.
void placeBeside(HWND window) {
    RECT owner, self;
    GetWindowRect(mainHwnd(), &owner);
    GetWindowRect(window, &self);
    const int width = self.right - self.left;
    MONITORINFO monitor{};
    monitor.cbSize = sizeof monitor;
    GetMonitorInfoA(MonitorFromWindow(mainHwnd(), MONITOR_DEFAULTTONEAREST), &monitor);
    const RECT& room = monitor.rcWork;
    int x = owner.right;
    if (x + width > room.right) x = owner.left - width;
    if (x < room.left) x = room.right - width;
    SetWindowPos(window, nullptr, x, owner.top, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
}

INT_PTR CALLBACK statusProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
    case WM_INITDIALOG:
        SetWindowTextA(window, modemStatusTitle);
        SetDlgItemTextA(window, IDC_STATUS_REFRESH, refreshCaption);
        SetDlgItemTextA(window, IDC_STATUS_EVERY, everyFiveSecondsCaption);
        showStatus(window);
        return TRUE;
    case WM_COMMAND:
        switch (LOWORD(wParam)) {
        case IDC_STATUS_REFRESH: refresh(window); return TRUE;
        case IDC_STATUS_EVERY: everyFiveSecondsClicked(window); return TRUE;
        case IDCANCEL: closeStatusWindow(window); return TRUE;
        }
        break;
    case WM_TIMER:
        if (wParam == IDT_STATUS_AUTO) refresh(window);
        if (wParam == IDT_STATUS_WATCH) watchCheck(window);
        return TRUE;
    case WM_DRAWITEM:
        if (wParam == IDC_STATUS_METER) {
            drawMeter(*reinterpret_cast<const DRAWITEMSTRUCT*>(lParam));
            return TRUE;
        }
        break;
    }
    return FALSE;
}

}  // namespace

void showModemStatusWindow() {
    if (statusWindow == nullptr) {
        statusWindow = CreateDialogParamA(programInstance, MAKEINTRESOURCEA(IDD_MODEM_STATUS), mainHwnd(), statusProc, 0);
        if (statusWindow == nullptr) return;
        placeBeside(statusWindow);
    }
    ShowWindow(statusWindow, SW_SHOW);
    SetForegroundWindow(statusWindow);
}

bool isStatusDialogMessage(MSG* message) {
    return statusWindow != nullptr && IsDialogMessageA(statusWindow, message);
}

}  // namespace tarnwick
