// The controls of the main window as Win32 child windows, and the About box.
#include <windows.h>

#include <cstring>

#include "app/frontend.h"
#include "base/app_state.h"
#include "base/control.h"
#include "base/text_field.h"
#include "ui/win32/resource.h"
#include "ui/win32/win32_ui.h"

namespace tarnwick {

namespace {

HWND toWindow(WindowHandle handle) { return static_cast<HWND>(handle); }

HMENU childId(int id) { return reinterpret_cast<HMENU>(static_cast<INT_PTR>(id)); }

// The two edit-box fonts, created on first use and kept for the window's life.
HFONT editFonts[2];

INT_PTR CALLBACK aboutProc(HWND dialog, UINT message, WPARAM wParam, LPARAM) {
    switch (message) {
    case WM_INITDIALOG:
        return TRUE;  // the dialog manager puts the focus on its first control
    case WM_COMMAND:
        if (LOWORD(wParam) == IDOK || LOWORD(wParam) == IDCANCEL) {
            EndDialog(dialog, LOWORD(wParam));
            return TRUE;
        }
        break;
    }
    return FALSE;
}

}  // namespace

WindowHandle createEditControl(int x, int y, int width, int height, WindowHandle parent, int id,
                               bool multiLine) {
    // No ES_AUTOHSCROLL (and no ES_AUTOVSCROLL): typing stops at the box's edge, and the
    // multi-line boxes wrap at their width.
    DWORD style = WS_CHILD | WS_VISIBLE | WS_DLGFRAME;
    if (multiLine) style |= ES_MULTILINE;
    return CreateWindowExA(0, "EDIT", "", style, x, y, width, height, toWindow(parent),
                           childId(id), programInstance, nullptr);
}

void setControlText(WindowHandle control, const uint8_t* text, size_t length) {
    // The 8-bit calls on purpose: the boxes hold the bytes of the serial line and the settings
    // file in the system code page, as the fields store them.
    char terminated[TextField::displayCapacity + 1];
    if (length > TextField::displayCapacity) length = TextField::displayCapacity;
    if (length > 0) std::memcpy(terminated, text, length);
    terminated[length] = '\0';
    SetWindowTextA(toWindow(control), terminated);
}

size_t getControlText(WindowHandle control, uint8_t* buffer, size_t capacity) {
    if (capacity == 0) return 0;
    buffer[0] = 0;
    const int read = GetWindowTextA(toWindow(control), reinterpret_cast<char*>(buffer),
                                    static_cast<int>(capacity));
    return read > 0 ? static_cast<size_t>(read) : 0;
}

void setControlFont(WindowHandle control, FontKind font) {
    HFONT& slot = editFonts[font == FontKind::port ? 0 : 1];
    if (slot == nullptr) slot = createWindowFont(fontSpec(font));
    // A font that cannot be created leaves the control with the one it has.
    if (slot != nullptr) SendMessageA(toWindow(control), WM_SETFONT, reinterpret_cast<WPARAM>(slot), TRUE);
}

WindowHandle createButton(const char* caption, int x, int y, int width, int height,
                          WindowHandle parent, int id) {
    return CreateWindowExA(0, "BUTTON", caption, WS_CHILD | WS_VISIBLE | WS_TABSTOP | BS_DEFPUSHBUTTON,
                           x, y, width, height, toWindow(parent), childId(id), programInstance,
                           nullptr);
}

WindowHandle createCheckBox(const char* caption, int x, int y, int width, int height,
                            WindowHandle parent, int id) {
    // The caption is Russian: set as UTF-16 so that it reads right on any system code page.
    // BS_CHECKBOX, not BS_AUTOCHECKBOX: a click only reports, the command table sets the state.
    wchar_t wide[64];
    cp1251ToWide(caption, wide, sizeof wide / sizeof wide[0]);
    return CreateWindowExW(0, L"BUTTON", wide, WS_CHILD | WS_VISIBLE | WS_TABSTOP | BS_CHECKBOX, x, y,
                           width, height, toWindow(parent), childId(id), programInstance, nullptr);
}

bool isCheckBoxChecked(WindowHandle parent, int id) {
    return IsDlgButtonChecked(toWindow(parent), id) == BST_CHECKED;
}

void setCheckBoxChecked(WindowHandle parent, int id, bool checked) {
    CheckDlgButton(toWindow(parent), id, checked ? BST_CHECKED : BST_UNCHECKED);
}

void showAboutDialog() {
    DialogBoxParamA(programInstance, MAKEINTRESOURCEA(IDD_ABOUTBOX), toWindow(mainWindow), aboutProc, 0);
}

void destroyMainWindow() { DestroyWindow(toWindow(mainWindow)); }

}  // namespace tarnwick
