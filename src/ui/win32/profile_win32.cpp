// Tools: Open Profile..., Save Profile..., Compare with Profile...: the file dialogs, the
// question about the password file, the box the engineer waits in while the comparison reads,
// and the small window with its result. The flows, their messages and their texts are the
// core's (provision/window_flows.h); this file draws them.
#include <windows.h>

#include <string>

#include "app/frontend.h"
#include "provision/run_jobs.h"
#include "provision/window_flows.h"
#include "base/app_state.h"
#include "base/text_field.h"
#include "ui/win32/resource.h"
#include "ui/win32/win32_ui.h"

namespace tarnwick {

namespace {

using namespace tarnwick::provision;

HWND mainHwnd() { return static_cast<HWND>(mainWindow); }

// The folder the last profile was opened from or saved to, where the next dialog starts.
wchar_t lastFolder[MAX_PATH];

HWND waitBox = nullptr;
HWND comparisonWindow = nullptr;

// The unit's and the modem's Windows-1251 texts.
std::wstring device(const std::string& text) {
    wchar_t out[TextField::displayCapacity + 1];
    const size_t length = cp1251ToWide(text.c_str(), out, sizeof out / sizeof out[0]);
    return std::wstring(out, length);
}

// The common file dialogs live in comdlg32.dll, which the program loads only when they are
// asked for: it starts with nothing beyond the DLLs every Windows has loaded. The wide dialogs
// give a folder of any language whole, where the ANSI ones put a "?" for each character the
// system's code page lacks.
bool chooseFile(bool save, const wchar_t* title, std::string* path) {
    using Dialog = BOOL(WINAPI*)(OPENFILENAMEW*);
    static HMODULE library = LoadLibraryA("comdlg32.dll");
    const auto dialog = library == nullptr ? nullptr
                                           : reinterpret_cast<Dialog>(reinterpret_cast<void (*)()>(GetProcAddress(
                                                 library, save ? "GetSaveFileNameW" : "GetOpenFileNameW")));
    if (dialog == nullptr) {
        MessageBoxW(mainHwnd(), L"The file dialog cannot be opened: comdlg32.dll is missing.", title,
                    MB_OK | MB_ICONWARNING);
        return false;
    }
    wchar_t file[MAX_PATH] = {};
    OPENFILENAMEW choice = {};
    choice.lStructSize = sizeof choice;
    choice.hwndOwner = mainHwnd();
    choice.lpstrFilter = L"Profiles (*.toml, *.ini)\0*.toml;*.ini\0All files\0*.*\0";
    choice.lpstrFile = file;
    choice.nMaxFile = MAX_PATH;
    choice.lpstrInitialDir = lastFolder[0] != L'\0' ? lastFolder : nullptr;
    choice.lpstrTitle = title;
    choice.lpstrDefExt = L"toml";
    // The working folder stays where it was: _data.ini is kept there.
    choice.Flags = OFN_NOCHANGEDIR | OFN_HIDEREADONLY | OFN_PATHMUSTEXIST |
                   (save ? OFN_OVERWRITEPROMPT : OFN_FILEMUSTEXIST);
    if (!dialog(&choice)) return false;
    *path = utf8Text(file);
    lstrcpynW(lastFolder, file, choice.nFileOffset + 1);  // the folder with its last backslash
    return true;
}

// Whether a Windows-1251 text fits the edit box `id` whole, as typing could have put it there:
// a single-line box takes no wider a text than its formatting rectangle, a multi-line box no
// more lines than it shows. The boxes hold the bytes through the 8-bit calls, so they are
// measured through them too.
bool boxFits(int id, const std::string& text) {
    HWND box = GetDlgItem(mainHwnd(), id);
    if (box == nullptr) return false;
    RECT room;
    SendMessageA(box, EM_GETRECT, 0, reinterpret_cast<LPARAM>(&room));
    HGDIOBJ font = reinterpret_cast<HGDIOBJ>(SendMessageA(box, WM_GETFONT, 0, 0));
    if (font == nullptr) font = GetStockObject(SYSTEM_FONT);
    HDC dc = GetDC(box);
    HGDIOBJ original = SelectObject(dc, font);
    SIZE extent{};
    GetTextExtentPoint32A(dc, text.data(), static_cast<int>(text.size()), &extent);
    TEXTMETRICA metrics{};
    GetTextMetricsA(dc, &metrics);
    SelectObject(dc, original);
    ReleaseDC(box, dc);
    const LONG style = GetWindowLongA(box, GWL_STYLE);
    if ((style & ES_MULTILINE) == 0) return extent.cx <= room.right - room.left;
    // A hidden twin of the box wraps the text as the box itself would.
    RECT place;
    GetWindowRect(box, &place);
    HWND twin = CreateWindowExA(0, "EDIT", "", static_cast<DWORD>(style) & ~WS_VISIBLE, 0, 0, place.right - place.left,
                                place.bottom - place.top, mainHwnd(), nullptr, programInstance, nullptr);
    if (twin == nullptr) return false;
    SendMessageA(twin, WM_SETFONT, reinterpret_cast<WPARAM>(font), FALSE);
    SetWindowTextA(twin, text.c_str());
    const LRESULT lines = SendMessageA(twin, EM_GETLINECOUNT, 0, 0);
    DestroyWindow(twin);
    return metrics.tmHeight > 0 && lines * metrics.tmHeight <= room.bottom - room.top;
}

ProfileDialogs dialogs() {
    ProfileDialogs shown;
    shown.fits = boxFits;
    shown.askYesNo = [](const char* title, const std::string& question) {
        return MessageBoxW(mainHwnd(), wideText(question).c_str(), wideText(title).c_str(),
                           MB_YESNO | MB_ICONQUESTION | MB_DEFBUTTON2) == IDYES;
    };
    shown.warn = [](const char* title, const std::string& line) {
        MessageBoxW(mainHwnd(), wideText(line).c_str(), wideText(title).c_str(), MB_OK | MB_ICONWARNING);
    };
    return shown;
}

void openProfileCommand() {
    std::string path;
    if (chooseFile(false, wideText(openProfileTitle).c_str(), &path)) openProfileIntoWindow(path, dialogs());
}

void saveProfileCommand() {
    std::string path;
    if (chooseFile(true, wideText(saveProfileTitle).c_str(), &path)) saveProfileFromWindow(path, dialogs());
}

// The wait box: what the jobs are doing, each tenth of a second; Cancel (or Escape) stops the
// comparison after the current job, and the box stays until that job has ended.
constexpr UINT_PTR waitTimerId = 1;
std::string waitingFor;  // the profile's file name

void showWaiting(HWND box) {
    const bool cancelled = !IsWindowEnabled(GetDlgItem(box, IDCANCEL));
    SetDlgItemTextW(box, IDC_WAIT_TEXT, wideText(waitBoxText(waitingFor, cancelled)).c_str());
}

INT_PTR CALLBACK waitProc(HWND box, UINT message, WPARAM wParam, LPARAM) {
    switch (message) {
    case WM_INITDIALOG: {
        // Over the middle of the main window, which it stands for.
        RECT owner, self;
        GetWindowRect(mainHwnd(), &owner);
        GetWindowRect(box, &self);
        SetWindowPos(box, nullptr, (owner.left + owner.right - (self.right - self.left)) / 2,
                     (owner.top + owner.bottom - (self.bottom - self.top)) / 2, 0, 0, SWP_NOSIZE | SWP_NOZORDER);
        showWaiting(box);
        SetTimer(box, waitTimerId, 100, nullptr);
        return TRUE;
    }
    case WM_TIMER:
        showWaiting(box);
        return TRUE;
    case WM_COMMAND:
        if (LOWORD(wParam) == IDCANCEL) {
            interruptRequested.store(true);
            EnableWindow(GetDlgItem(box, IDCANCEL), FALSE);
            showWaiting(box);
            return TRUE;
        }
        break;
    }
    return FALSE;
}

INT_PTR CALLBACK comparisonProc(HWND window, UINT message, WPARAM wParam, LPARAM) {
    if (message == WM_COMMAND && LOWORD(wParam) == IDCANCEL) {
        DestroyWindow(window);
        return TRUE;
    }
    if (message == WM_DESTROY) comparisonWindow = nullptr;
    return FALSE;
}

// A line a value: its name, same or differs, what the device holds, what the profile says.
void showComparison(const std::string& fileName, const ComparisonReport& report) {
    if (comparisonWindow == nullptr)
        comparisonWindow = CreateDialogParamW(programInstance, MAKEINTRESOURCEW(IDD_COMPARISON), mainHwnd(),
                                              comparisonProc, 0);
    if (comparisonWindow == nullptr) return;
    HWND list = GetDlgItem(comparisonWindow, IDC_COMPARE_LINES);
    SendMessageW(list, LB_RESETCONTENT, 0, 0);
    const INT stops[] = {60, 120, 210};  // dialog units
    SendMessageW(list, LB_SETTABSTOPS, 3, reinterpret_cast<LPARAM>(stops));
    for (const Difference& line : report.lines) {
        const std::wstring shown = wideText(line.name) + L"\t" + wideText(comparisonName(line.comparison)) + L"\t" +
                                   device(line.device) + L"\t" + device(line.profile);
        SendMessageW(list, LB_ADDSTRING, 0, reinterpret_cast<LPARAM>(shown.c_str()));
    }
    SetDlgItemTextW(comparisonWindow, IDC_COMPARE_HEADING, wideText(comparisonSummary(fileName, report)).c_str());
    std::wstring notes;
    for (const std::string& failure : report.failures) notes += (notes.empty() ? L"" : L"\n") + device(failure);
    SetDlgItemTextW(comparisonWindow, IDC_COMPARE_NOTES, notes.c_str());
    ShowWindow(comparisonWindow, SW_SHOW);
    SetForegroundWindow(comparisonWindow);
}

void compareWithProfileCommand() {
    std::string path;
    if (!chooseFile(false, wideText(compareProfileTitle).c_str(), &path)) return;
    const std::string fileName = fileNameOf(path);
    waitingFor = fileName;
    // Modal for the main window: it is disabled while the box is up, the trace stays usable.
    waitBox = CreateDialogParamA(programInstance, MAKEINTRESOURCEA(IDD_PROFILE_WAIT), mainHwnd(), waitProc, 0);
    EnableWindow(mainHwnd(), FALSE);
    if (waitBox != nullptr) ShowWindow(waitBox, SW_SHOW);
    // A refusal is shown once the box has gone: a message box over the disabled window would
    // enable it again on closing, with the box still up.
    ProfileDialogs afterwards = dialogs();
    std::string refusal;
    afterwards.warn = [&refusal](const char*, const std::string& line) { refusal = line; };
    ComparisonReport report;
    const bool compared = compareProfileWithDevice(path, afterwards, &report);
    // Enabled before the box goes, so that the main window is the one activated again.
    EnableWindow(mainHwnd(), TRUE);
    if (waitBox != nullptr) DestroyWindow(waitBox);
    waitBox = nullptr;
    if (compared) showComparison(fileName, report);
    else if (!refusal.empty()) dialogs().warn(compareProfileTitle, refusal);
}

}  // namespace

bool handleProfileCommand(int id) {
    switch (id) {
    case IDM_OPEN_PROFILE: openProfileCommand(); return true;
    case IDM_SAVE_PROFILE: saveProfileCommand(); return true;
    case IDM_COMPARE_PROFILE: compareWithProfileCommand(); return true;
    }
    return false;
}

bool isProfileDialogMessage(MSG* message) {
    for (HWND dialog : {waitBox, comparisonWindow})
        if (dialog != nullptr && IsDialogMessageA(dialog, message)) return true;
    return false;
}

bool runJobsUntil(const std::function<bool()>& done, int limitMs) {
    if (done()) return true;
    if (mainWindow == nullptr) return false;
    // A nested loop: the tick and the quiet timer are the main window's timers, so its
    // messages keep the jobs going, and every window keeps itself drawn meanwhile. `done` is
    // asked after each tick, once the jobs have stepped and shown what they got.
    const DWORD start = GetTickCount();
    MSG message;
    for (;;) {
        const DWORD waited = GetTickCount() - start;
        if (waited >= static_cast<DWORD>(limitMs)) return done();
        MsgWaitForMultipleObjects(0, nullptr, FALSE, static_cast<DWORD>(limitMs) - waited, QS_ALLINPUT);
        while (PeekMessageA(&message, nullptr, 0, 0, PM_REMOVE)) {
            if (message.message == WM_QUIT) {
                // For the outer loop, which ends the program.
                PostQuitMessage(static_cast<int>(message.wParam));
                return done();
            }
            if (!isProfileDialogMessage(&message) && !isStatusDialogMessage(&message)) {
                TranslateMessage(&message);
                DispatchMessageA(&message);
            }
            const bool tick = message.message == WM_TIMER && message.hwnd == mainHwnd() && message.wParam == tickTimerId;
            if (tick && done()) return true;
        }
    }
}

}  // namespace tarnwick
