// Checks of the window itself: resources, start texts, layout, the About box, the exit.
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

#include "driver.h"

namespace e2e {

namespace {

enum Kind { singleEdit, multiEdit, button, checkBox };

struct Expected {
    int id;
    Kind kind;
    int x, y, width, height;
};

// The 26 controls in the order they are created, in client coordinates.
const Expected layout[] = {
    {idPortName, singleEdit, 145, 20, 60, 20},   {idPortStatus, singleEdit, 145, 40, 150, 20},
    {idIpAddress, multiEdit, 645, 240, 200, 22},  {idApn, singleEdit, 645, 262, 200, 20},
    {idUser, singleEdit, 645, 282, 200, 20}, {idPassword, singleEdit, 645, 302, 200, 20},
    {idNoInternet, checkBox, 660, 370, 160, 20},   {idQueryStatus, singleEdit, 770, 200, 60, 20},
    {idSetupStatus, singleEdit, 770, 340, 60, 20},  {idModemRead, button, 655, 200, 100, 20},
    {idModemWrite, button, 655, 340, 100, 20},     {valueBoxOf(0), multiEdit, 50, 120, 200, 22},
    {readButtonOf(0), button, 270, 120, 100, 20},     {writeButtonOf(0), button, 380, 120, 100, 20},
    {valueBoxOf(1), multiEdit, 50, 190, 200, 22},   {readButtonOf(1), button, 270, 190, 100, 20},
    {writeButtonOf(1), button, 380, 190, 100, 20},     {valueBoxOf(2), multiEdit, 50, 260, 200, 22},
    {readButtonOf(2), button, 270, 260, 100, 20},     {writeButtonOf(2), button, 380, 260, 100, 20},
    {valueBoxOf(3), multiEdit, 50, 330, 200, 22},   {readButtonOf(3), button, 270, 330, 100, 20},
    {writeButtonOf(3), button, 380, 330, 100, 20},     {valueBoxOf(4), multiEdit, 50, 400, 200, 22},
    {readButtonOf(4), button, 270, 400, 100, 20},     {writeButtonOf(4), button, 380, 400, 100, 20},
};

// "Без интернета." in UTF-16.
const wchar_t noInternetCaption[] =
    L"\u0411\u0435\u0437 \u0438\u043D\u0442\u0435\u0440\u043D\u0435\u0442\u0430.";

std::string className(HWND window) {
    char name[64] = {};
    GetClassNameA(window, name, sizeof name);
    return name;
}

// At 96 DPI to the pixel; at another DPI the 96-DPI place scaled, within two pixels.
void checkLayoutOf(const Expected& expected, int dpi) {
    const std::string name = "control " + std::to_string(expected.id);
    HWND window = control(expected.id);
    if (!check(window != nullptr, name + " exists")) return;
    RECT rect;
    GetWindowRect(window, &rect);
    MapWindowPoints(nullptr, mainWindow(), reinterpret_cast<POINT*>(&rect), 2);
    char place[96];
    std::snprintf(place, sizeof place, "at %ld,%ld size %ldx%ld", rect.left, rect.top,
                  rect.right - rect.left, rect.bottom - rect.top);
    const int slack = dpi == 96 ? 0 : 2;
    const auto within = [dpi, slack](long actual, int at96) { return std::abs(actual - MulDiv(at96, dpi, 96)) <= slack; };
    check(within(rect.left, expected.x) && within(rect.top, expected.y) &&
              within(rect.right - rect.left, expected.width) && within(rect.bottom - rect.top, expected.height),
          name + " has its place and size", place);

    const LONG style = GetWindowLongA(window, GWL_STYLE);
    const bool edit = expected.kind == singleEdit || expected.kind == multiEdit;
    const std::string cls = className(window);
    check(lstrcmpiA(cls.c_str(), edit ? "Edit" : "Button") == 0, name + " is of class " + (edit ? "Edit" : "Button"), cls);
    check((style & WS_VISIBLE) != 0, name + " is visible");
    if (edit) {
        check((style & WS_DLGFRAME) == WS_DLGFRAME, name + " has a dialog frame");
        check((style & ES_AUTOHSCROLL) == 0 && (style & ES_AUTOVSCROLL) == 0, name + " does not scroll");
        check(((style & ES_MULTILINE) != 0) == (expected.kind == multiEdit),
              name + (expected.kind == multiEdit ? " is multi-line" : " is single-line"));
    } else {
        const LONG type = style & BS_TYPEMASK;
        check(type == (expected.kind == button ? BS_DEFPUSHBUTTON : BS_CHECKBOX),
              name + (expected.kind == button ? " is a default push button" : " is a plain check box"));
        check((style & WS_TABSTOP) != 0, name + " is a tab stop");
    }
}

// The About box once it is shown: the dialog window exists before its controls do, and is
// shown only when they are all there.
HWND waitForAbout(int timeoutMs) {
    HWND dialog = nullptr;
    const bool shown = waitUntil([&dialog] {
        dialog = FindWindowA("#32770", "About");
        return dialog != nullptr && IsWindowVisible(dialog) && GetDlgItem(dialog, IDOK) != nullptr;
    }, timeoutMs);
    return shown ? dialog : nullptr;
}

// The window holding the keyboard focus of the program's window thread; on a busy machine a
// click or SetForegroundWindow takes effect some time after the call returns.
bool waitForFocus(HWND window, int timeoutMs) {
    const DWORD thread = GetWindowThreadProcessId(mainWindow(), nullptr);
    return waitUntil([thread, window] {
        GUITHREADINFO info{};
        info.cbSize = sizeof info;
        return GetGUIThreadInfo(thread, &info) && info.hwndFocus == window;
    }, timeoutMs);
}

void addKey(INPUT* inputs, int& count, WORD key, bool up) {
    INPUT& input = inputs[count++];
    input = INPUT{};
    input.type = INPUT_KEYBOARD;
    input.ki.wVk = key;
    input.ki.dwFlags = up ? KEYEVENTF_KEYUP : 0;
}

// Alt plus a character, typed on the keyboard of the program in the foreground; the key that
// gives the character comes from the keyboard layout.
void typeAltChar(char c) {
    const SHORT scan = VkKeyScanA(c);
    const WORD key = LOBYTE(scan);
    const bool shift = (HIBYTE(scan) & 1) != 0;
    INPUT inputs[6];
    int count = 0;
    addKey(inputs, count, VK_MENU, false);
    if (shift) addKey(inputs, count, VK_SHIFT, false);
    addKey(inputs, count, key, false);
    addKey(inputs, count, key, true);
    if (shift) addKey(inputs, count, VK_SHIFT, true);
    addKey(inputs, count, VK_MENU, true);
    SendInput(static_cast<UINT>(count), inputs, sizeof(INPUT));
}

// A mouse click in the middle of a window, as the user makes it.
void clickWithMouse(HWND window) {
    RECT rect;
    GetWindowRect(window, &rect);
    const LONG x = (rect.left + rect.right) / 2;
    const LONG y = (rect.top + rect.bottom) / 2;
    INPUT inputs[3] = {};
    for (INPUT& input : inputs) {
        input.type = INPUT_MOUSE;
        input.mi.dx = x * 65535 / (GetSystemMetrics(SM_CXSCREEN) - 1);
        input.mi.dy = y * 65535 / (GetSystemMetrics(SM_CYSCREEN) - 1);
        input.mi.dwFlags = MOUSEEVENTF_ABSOLUTE | MOUSEEVENTF_MOVE;
    }
    inputs[1].mi.dwFlags |= MOUSEEVENTF_LEFTDOWN;
    inputs[2].mi.dwFlags |= MOUSEEVENTF_LEFTUP;
    SendInput(3, inputs, sizeof(INPUT));
}

void checkDialogTemplate(HMODULE module) {
    HRSRC found = FindResourceA(module, MAKEINTRESOURCEA(103), MAKEINTRESOURCEA(5));  // RT_DIALOG
    if (!check(found != nullptr, "dialog resource 103 exists")) return;
    const auto* bytes = static_cast<const unsigned char*>(LockResource(LoadResource(module, found)));
    DWORD style;
    short place[4];
    std::memcpy(&style, bytes, sizeof style);
    std::memcpy(place, bytes + 10, sizeof place);  // after style, extended style and item count
    check((style & (DS_MODALFRAME | WS_CAPTION | WS_SYSMENU)) == (DS_MODALFRAME | WS_CAPTION | WS_SYSMENU),
          "About box has a modal frame, caption and system menu");
    check(place[0] == 22 && place[1] == 17 && place[2] == 230 && place[3] == 75,
          "About box is at 22,17 and 230 x 75 dialog units");
}

}  // namespace

// The version resource, as Explorer's Properties show it.
void checkVersionInfo(const Paths& paths) {
    DWORD ignored = 0;
    const DWORD size = GetFileVersionInfoSizeA(paths.exe.c_str(), &ignored);
    std::string data(size, '\0');
    if (!check(size > 0 && GetFileVersionInfoA(paths.exe.c_str(), 0, size, &data[0]),
               "tarnwick.exe carries a version resource"))
        return;
    const auto value = [&data](const char* name) {
        char* text = nullptr;
        UINT length = 0;
        const std::string path = std::string("\\StringFileInfo\\040904B0\\") + name;
        return VerQueryValueA(&data[0], path.c_str(), reinterpret_cast<void**>(&text), &length) && text
                   ? std::string(text)
                   : std::string();
    };
    checkEqual(value("ProductName"), "Tarnwick", "the product name");
    check(value("ProductVersion").rfind("1.", 0) == 0, "the product version", value("ProductVersion"));
    check(value("FileDescription").find("7190") != std::string::npos, "the description",
          value("FileDescription"));
}

void checkResources(const Paths& paths) {
    checkVersionInfo(paths);
    HMODULE module = LoadLibraryExA(paths.exe.c_str(), nullptr, LOAD_LIBRARY_AS_DATAFILE);
    if (!check(module != nullptr, "tarnwick.exe opens as a resource file", paths.exe)) return;
    char buffer[100] = {};
    LoadStringA(module, IDS_APP_TITLE, buffer, sizeof buffer);
    checkEqual(buffer, "Tarnwick", "string 103");
    LoadStringA(module, IDC_TARNWICK, buffer, sizeof buffer);
    checkEqual(buffer, "TARNWICK", "string 109");

    HMENU menu = LoadMenuA(module, MAKEINTRESOURCEA(IDC_TARNWICK));
    if (check(menu != nullptr && GetMenuItemCount(menu) == 2, "menu 109 has two drop-downs")) {
        GetMenuStringA(menu, 0, buffer, sizeof buffer, MF_BYPOSITION);
        checkEqual(buffer, "Communication", "the drop-down's title");
        GetMenuStringA(menu, 1, buffer, sizeof buffer, MF_BYPOSITION);
        checkEqual(buffer, "Tools", "the second drop-down, right of it");
        HMENU tools = GetSubMenu(menu, 1);
        GetMenuStringA(tools, 0, buffer, sizeof buffer, MF_BYPOSITION);
        check(std::string(buffer) == "Trace..." && GetMenuItemID(tools, 0) == idTrace, "Tools > Trace... sends 32774");
        GetMenuStringA(tools, 1, buffer, sizeof buffer, MF_BYPOSITION);
        check(std::string(buffer) == "Ports" && GetSubMenu(tools, 1) != nullptr, "Tools > Ports is a submenu");
        // The profile commands after a separator, then Modem Status..., each sending its id.
        const char* const toolItems[] = {"Open Profile...", "Save Profile...", "Compare with Profile...", "Modem Status..."};
        const UINT toolIds[] = {32776, 32777, 32778, 32779};
        check(GetMenuItemCount(tools) == 7 && GetMenuItemID(tools, 2) == 0, "Tools has seven items, the third a separator");
        for (int i = 0; i < 4; ++i) {
            GetMenuStringA(tools, 3 + i, buffer, sizeof buffer, MF_BYPOSITION);
            check(std::string(buffer) == toolItems[i] && GetMenuItemID(tools, 3 + i) == toolIds[i],
                  std::string("Tools > ") + toolItems[i] + " sends " + std::to_string(toolIds[i]), buffer);
        }
        HMENU popup = GetSubMenu(menu, 0);
        const char* const items[] = {"Open the Port", "Close the Port", "E&xit"};
        const UINT ids[] = {idOpenPort, idClosePort, idExit};
        check(GetMenuItemCount(popup) == 3, "the drop-down has three items");
        for (int i = 0; i < 3; ++i) {
            GetMenuStringA(popup, i, buffer, sizeof buffer, MF_BYPOSITION);
            checkEqual(buffer, items[i], "menu item " + std::to_string(i + 1));
            check(GetMenuItemID(popup, i) == ids[i], std::string(items[i]) + " sends " + std::to_string(ids[i]));
        }
        DestroyMenu(menu);
    }

    HACCEL accelerators = LoadAcceleratorsA(module, MAKEINTRESOURCEA(IDC_TARNWICK));
    ACCEL entries[8];
    const int count = accelerators ? CopyAcceleratorTableA(accelerators, entries, 8) : 0;
    if (check(count == 2, "accelerator table 109 has two entries")) {
        for (int i = 0; i < 2; ++i) {
            const BYTE modifiers = entries[i].fVirt & (FVIRTKEY | FALT | FSHIFT | FCONTROL);
            check(entries[i].key == (i == 0 ? '?' : '/') && entries[i].cmd == idAbout && modifiers == FALT,
                  std::string("Alt + '") + (i == 0 ? '?' : '/') + "' as a character gives 104");
        }
    }
    check(LoadImageA(module, MAKEINTRESOURCEA(IDI_TARNWICK), IMAGE_ICON, 32, 32, 0) != nullptr, "icon 107 has a 32 x 32 image");
    check(LoadImageA(module, MAKEINTRESOURCEA(IDI_SMALL), IMAGE_ICON, 16, 16, 0) != nullptr, "icon 108 has a 16 x 16 image");
    checkDialogTemplate(module);
    FreeLibrary(module);
}

void checkStartState(bool settingsExpected) {
    char title[64] = {};
    GetWindowTextA(mainWindow(), title, sizeof title);
    checkEqual(title, "Tarnwick", "window title");
    RECT rect;
    GetWindowRect(mainWindow(), &rect);
    check(rect.right - rect.left == 900 && rect.bottom - rect.top == 530, "the window is 900 x 530");

    checkEqual(text(idPortName), "COM1", "port name at start");
    checkEqual(text(idPortStatus), "", "port status at start");
    checkEqual(text(idQueryStatus), "   ", "query status at start");
    checkEqual(text(idSetupStatus), "   ", "set-up status at start");
    for (int id = valueBoxOf(0); id <= valueBoxOf(4); ++id) checkEqual(text(id), "", "parameter box " + std::to_string(id) + " at start");
    const char* const loaded[] = {"10.20.30.40", "internet.test", "tuser", "tpass"};
    const int modemIds[] = {idIpAddress, idApn, idUser, idPassword};
    for (int i = 0; i < 4; ++i)
        checkEqual(text(modemIds[i]), settingsExpected ? loaded[i] : "",
                   std::string("modem box ") + std::to_string(modemIds[i]) +
                       (settingsExpected ? " loaded from _data.ini" : " empty without _data.ini"));
    check(!checked(idNoInternet), "the check box starts clear");
    check(wideText(control(idNoInternet)) == noInternetCaption, "the check box reads \"Bez interneta.\" in Cyrillic");
    for (int row = -1; row < parameterRowCount; ++row) {
        const int read = row < 0 ? idModemRead : readButtonOf(row), write = row < 0 ? idModemWrite : writeButtonOf(row);
        checkEqual(text(read), "Read", "caption of " + std::to_string(read));
        checkEqual(text(write), "Write", "caption of " + std::to_string(write));
    }
}

void checkLayout(int dpi) {
    for (const Expected& expected : layout) checkLayoutOf(expected, dpi);
}

void checkAbout() {
    // Keystrokes go to the window with the keyboard focus: right after start that is the main
    // window itself.
    SetForegroundWindow(mainWindow());
    check(waitForFocus(mainWindow(), 5000), "the main window has the keyboard focus");
    typeAltChar('?');
    HWND dialog = waitForAbout(5000);
    if (check(dialog != nullptr, "Alt+'?' on the main window opens the About box")) {
        check(GetWindow(dialog, GW_OWNER) == mainWindow(), "the About box belongs to the main window");
        check(!IsWindowEnabled(mainWindow()), "the main window is disabled while the About box is open");
        check(FindWindowExA(dialog, nullptr, "Static", "Tarnwick Version 1.0") != nullptr, "the About box names the version");
        HWND ok = GetDlgItem(dialog, IDOK);
        check(ok != nullptr && wideText(ok) == L"OK", "the About box has an OK button with id 1");
        SendMessageA(ok, BM_CLICK, 0, 0);
        check(waitGone(dialog, 5000), "OK closes the About box");
        check(IsWindowEnabled(mainWindow()), "the main window is enabled again");
    }
    typeAltChar('/');
    dialog = waitForAbout(5000);
    if (check(dialog != nullptr, "Alt+'/' on the main window opens the About box")) {
        PostMessageA(dialog, WM_CLOSE, 0, 0);
        check(waitGone(dialog, 5000), "the close box ends the About box");
    }
    // With the focus in an edit box the keystroke is addressed to the box: the accelerator's
    // command goes there, and the main window never sees it.
    clickWithMouse(control(idPortName));
    check(waitForFocus(control(idPortName), 5000), "a click puts the focus into the port-name box");
    // Home typed after the keystroke moves the caret once the keystroke has been dealt with,
    // since input is taken in order: only then does "nothing opened" mean anything.
    const WPARAM end = static_cast<WPARAM>(SendMessageA(control(idPortName), WM_GETTEXTLENGTH, 0, 0));
    SendMessageA(control(idPortName), EM_SETSEL, end, static_cast<LPARAM>(end));
    typeAltChar('?');
    INPUT home[2];
    int count = 0;
    addKey(home, count, VK_HOME, false);
    addKey(home, count, VK_HOME, true);
    SendInput(static_cast<UINT>(count), home, sizeof(INPUT));
    LRESULT selection = 0;
    const bool handled = waitUntil([&selection, end] {
        // From another process only the return value carries the selection, not the pointers.
        selection = SendMessageA(control(idPortName), EM_GETSEL, 0, 0);
        return LOWORD(selection) == 0 && end > 0;
    }, 10000);
    check(handled, "the keystrokes reach the port-name box",
          "\"" + text(idPortName) + "\", caret at " + std::to_string(LOWORD(selection)) + " of " + std::to_string(end));
    dialog = FindWindowA("#32770", "About");
    check(dialog == nullptr, "Alt+'?' with the focus in an edit box opens nothing");
    if (dialog != nullptr) PostMessageA(dialog, WM_CLOSE, 0, 0);
}

void checkExit(bool closeBox) {
    HWND window = mainWindow();
    if (closeBox)
        PostMessageA(window, WM_CLOSE, 0, 0);
    else
        PostMessageA(window, WM_COMMAND, MAKEWPARAM(idExit, 0), 0);
    check(waitGone(window, 10000), closeBox ? "the close box ends the program" : "E&xit ends the program");
}

void checkRefusedStart(const Paths& paths) {
    const std::string refusal = readFileByWideName(paths.workDir + "\\refusal.txt");
    const std::string shown = answerBox("Tarnwick", IDOK);
    check(shown.find("tarnwick.exe: " + refusal + "\n") != std::string::npos,
          "the refused start names what was refused: " + refusal, shown);
    check(shown.find("usage: tarnwick.exe [--trace FILE] [--list-ports] [--version] [--help]") != std::string::npos,
          "the refused start shows the usage", shown);
    check(FindWindowA("TARNWICK", nullptr) == nullptr, "the refused start shows no main window");
}

}  // namespace e2e
