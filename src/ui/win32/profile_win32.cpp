// Tools: Open Profile..., Save Profile..., Compare with Profile...: the file dialogs, the
// question about the password file, the box the engineer waits in while the comparison reads,
// and the small window with its result. What they do is the core's (provision/window_profile.h).
#include <windows.h>

#include <string>

#include "app/frontend.h"
#include "provision/run_jobs.h"
#include "provision/window_profile.h"
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

// A failure line as the core gives it, its paths included: UTF-8. A line that is not is read
// in the system's code page.
std::wstring wide(const std::string& text) {
    UINT page = CP_UTF8;
    int length = MultiByteToWideChar(page, MB_ERR_INVALID_CHARS, text.c_str(), -1, nullptr, 0);
    if (length == 0) length = MultiByteToWideChar(page = CP_ACP, 0, text.c_str(), -1, nullptr, 0);
    std::wstring out(static_cast<size_t>(length > 0 ? length : 1), L'\0');
    MultiByteToWideChar(page, 0, text.c_str(), -1, &out[0], length);
    out.resize(out.size() - 1);
    return out;
}

// The unit's and the modem's Windows-1251 texts.
std::wstring device(const std::string& text) {
    wchar_t out[TextField::displayCapacity + 1];
    const size_t length = cp1251ToWide(text.c_str(), out, sizeof out / sizeof out[0]);
    return std::wstring(out, length);
}

void refuse(const wchar_t* title, const std::string& line) {
    MessageBoxW(mainHwnd(), wide(line).c_str(), title, MB_OK | MB_ICONWARNING);
}

// A path from the wide calls as the core takes it: UTF-8.
std::string utf8(const wchar_t* text) {
    const int length = WideCharToMultiByte(CP_UTF8, 0, text, -1, nullptr, 0, nullptr, nullptr);
    std::string out(static_cast<size_t>(length > 0 ? length : 1), '\0');
    WideCharToMultiByte(CP_UTF8, 0, text, -1, &out[0], length, nullptr, nullptr);
    out.resize(out.size() - 1);
    return out;
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
    *path = utf8(file);
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

bool askForPasswordFile(const std::string& passwordFile) {
    const std::wstring question = L"The profile names the password file\n" + wide(passwordFile) +
                                  L"\n\nPut its password into the Password box?";
    return MessageBoxW(mainHwnd(), question.c_str(), L"Open Profile",
                       MB_YESNO | MB_ICONQUESTION | MB_DEFBUTTON2) == IDYES;
}

void openProfileCommand() {
    std::string path;
    if (!chooseFile(false, L"Open Profile", &path)) return;
    OpenedProfile opened;
    std::string failed = openProfile(path, boxFits, &opened);
    std::string password;
    const bool withPassword = failed.empty() && !opened.passwordFile.empty() && askForPasswordFile(opened.passwordFile);
    if (withPassword) failed = readProfilePassword(opened.passwordFile, boxFits, &password);
    if (!failed.empty()) return refuse(L"Open Profile", failed);
    fillWindow(opened.profile, withPassword ? &password : nullptr);
}

void saveProfileCommand() {
    std::string path;
    if (!chooseFile(true, L"Save Profile", &path)) return;
    const std::string failed = saveWindowProfile(path);
    if (!failed.empty()) refuse(L"Save Profile", failed);
}

// The wait box: what the jobs are doing, each tenth of a second; Cancel (or Escape) stops the
// comparison after the current job, and the box stays until that job has ended.
constexpr UINT_PTR waitTimerId = 1;
std::string waitingFor;

void showWaiting(HWND box) {
    const std::string job = jobInProgress();
    std::string line = waitingFor + ":\n" + (job.empty() ? "starting" : job) + "...";
    if (!IsWindowEnabled(GetDlgItem(box, IDCANCEL))) line += "\ncancelled, waiting for it to end";
    SetDlgItemTextW(box, IDC_WAIT_TEXT, wide(line).c_str());
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

// As tarnwick-cli's diff names them.
const wchar_t* resultName(Comparison comparison) {
    switch (comparison) {
    case Comparison::same: return L"same";
    case Comparison::differs: return L"differs";
    case Comparison::notReadable: return L"not readable";
    case Comparison::notVerifiable: return L"not verifiable";
    }
    return L"";
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
    int differ = 0;
    for (const Difference& line : report.lines) {
        const std::wstring shown = wide(line.name) + L"\t" + resultName(line.comparison) + L"\t" +
                                   device(line.device) + L"\t" + device(line.profile);
        SendMessageW(list, LB_ADDSTRING, 0, reinterpret_cast<LPARAM>(shown.c_str()));
        if (line.comparison == Comparison::differs) ++differ;
    }
    std::wstring heading = wide(fileName) + L" against the device: " + std::to_wstring(differ) + L" of " +
                           std::to_wstring(report.lines.size()) + L" values differ.";
    if (report.interrupted) heading += L" Cancelled: the values not yet read are not readable.";
    SetDlgItemTextW(comparisonWindow, IDC_COMPARE_HEADING, heading.c_str());
    std::wstring notes;
    for (const std::string& failure : report.failures) notes += (notes.empty() ? L"" : L"\n") + device(failure);
    SetDlgItemTextW(comparisonWindow, IDC_COMPARE_NOTES, notes.c_str());
    ShowWindow(comparisonWindow, SW_SHOW);
    SetForegroundWindow(comparisonWindow);
}

void compareWithProfileCommand() {
    std::string path;
    if (!chooseFile(false, L"Compare with Profile", &path)) return;
    const std::string fileName = path.substr(path.find_last_of("\\/") + 1);
    waitingFor = "Comparing " + fileName + " with the device";
    // Modal for the main window: it is disabled while the box is up, the trace stays usable.
    waitBox = CreateDialogParamA(programInstance, MAKEINTRESOURCEA(IDD_PROFILE_WAIT), mainHwnd(), waitProc, 0);
    EnableWindow(mainHwnd(), FALSE);
    if (waitBox != nullptr) ShowWindow(waitBox, SW_SHOW);
    ComparisonReport report;
    const std::string failed = compareWithProfile(path, &report);
    // Enabled before the box goes, so that the main window is the one activated again.
    EnableWindow(mainHwnd(), TRUE);
    if (waitBox != nullptr) DestroyWindow(waitBox);
    waitBox = nullptr;
    if (!failed.empty()) return refuse(L"Compare with Profile", failed);
    showComparison(fileName, report);
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
            if (!isProfileDialogMessage(&message)) {
                TranslateMessage(&message);
                DispatchMessageA(&message);
            }
            const bool tick = message.message == WM_TIMER && message.hwnd == mainHwnd() && message.wParam == tickTimerId;
            if (tick && done()) return true;
        }
    }
}

}  // namespace tarnwick
