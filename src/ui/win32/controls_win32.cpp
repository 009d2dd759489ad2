// The controls of the main window as Win32 child windows, and the About box.
#include <windows.h>

#include <cstring>
#include <initializer_list>

#include "app/frontend.h"
#include "app/layout.h"
#include "base/app_state.h"
#include "base/control.h"
#include "base/text_field.h"
#include "ui/win32/resource.h"
#include "ui/win32/win32_ui.h"

namespace tarnwick {

namespace {

HWND toWindow(WindowHandle handle) { return static_cast<HWND>(handle); }

HMENU childId(int id) { return reinterpret_cast<HMENU>(static_cast<INT_PTR>(id)); }

// The main window's fonts at one DPI: the two edit-box fonts and the captions' (null for the
// system font). Made on first use and again when the DPI changes.
struct Fonts {
    UINT dpi = 0;
    HFONT edit[2] = {};
    HFONT caption = nullptr;
};
Fonts fonts;

int fontSlot(FontKind font) { return font == FontKind::port ? 0 : 1; }

// The fonts at `dpi`; those of another DPI are left to the caller, still set on controls.
Fonts makeFonts(UINT dpi) {
    Fonts made;
    made.dpi = dpi;
    for (FontKind kind : {FontKind::port, FontKind::field})
        made.edit[fontSlot(kind)] = createWindowFont(fontSpec(kind), dpi);
    made.caption = createCaptionFont(dpi);
    return made;
}

const Fonts& fontsAt(UINT dpi) {
    if (fonts.dpi != dpi) fonts = makeFonts(dpi);
    return fonts;
}

void deleteFonts(const Fonts& old) {
    for (HFONT font : {old.edit[0], old.edit[1], old.caption})
        if (font != nullptr) DeleteObject(font);
}

void setCaptionFont(HWND control) {
    if (HFONT font = fontsAt(mainDpi).caption) SendMessageA(control, WM_SETFONT, reinterpret_cast<WPARAM>(font), FALSE);
}

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
    return CreateWindowExA(0, "EDIT", "", style, scaled(x, mainDpi), scaled(y, mainDpi), scaled(width, mainDpi),
                           scaled(height, mainDpi), toWindow(parent), childId(id), programInstance, nullptr);
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
    // A font that cannot be created leaves the control with the one it has.
    if (HFONT made = fontsAt(mainDpi).edit[fontSlot(font)])
        SendMessageA(toWindow(control), WM_SETFONT, reinterpret_cast<WPARAM>(made), TRUE);
}

WindowHandle createButton(const char* caption, int x, int y, int width, int height,
                          WindowHandle parent, int id) {
    HWND button = CreateWindowExA(0, "BUTTON", caption, WS_CHILD | WS_VISIBLE | WS_TABSTOP | BS_DEFPUSHBUTTON,
                                  scaled(x, mainDpi), scaled(y, mainDpi), scaled(width, mainDpi),
                                  scaled(height, mainDpi), toWindow(parent), childId(id), programInstance, nullptr);
    if (button != nullptr) setCaptionFont(button);
    return button;
}

WindowHandle createCheckBox(const char* caption, int x, int y, int width, int height,
                            WindowHandle parent, int id) {
    // The caption is Russian: set as UTF-16 so that it reads right on any system code page.
    // BS_CHECKBOX, not BS_AUTOCHECKBOX: a click only reports, the command table sets the state.
    wchar_t wide[64];
    cp1251ToWide(caption, wide, sizeof wide / sizeof wide[0]);
    HWND box = CreateWindowExW(0, L"BUTTON", wide, WS_CHILD | WS_VISIBLE | WS_TABSTOP | BS_CHECKBOX,
                               scaled(x, mainDpi), scaled(y, mainDpi), scaled(width, mainDpi),
                               scaled(height, mainDpi), toWindow(parent), childId(id), programInstance, nullptr);
    if (box != nullptr) setCaptionFont(box);
    return box;
}

void layOutMainControls(HWND window, UINT dpi) {
    const Fonts old = fonts;
    mainDpi = dpi;
    fonts = makeFonts(dpi);
    for (const ControlSpec& spec : mainControls) {
        HWND control = GetDlgItem(window, spec.id);
        if (control == nullptr) continue;
        SetWindowPos(control, nullptr, scaled(spec.x, dpi), scaled(spec.y, dpi), scaled(spec.width, dpi),
                     scaled(spec.height, dpi), SWP_NOZORDER | SWP_NOACTIVATE);
        const bool edit = spec.kind == ControlKind::singleLineEdit || spec.kind == ControlKind::multiLineEdit;
        // The caption font may be null: the system font again, back on the system's DPI.
        HFONT font = edit ? fonts.edit[fontSlot(spec.font)] : fonts.caption;
        if (font != nullptr || !edit) SendMessageA(control, WM_SETFONT, reinterpret_cast<WPARAM>(font), TRUE);
    }
    deleteFonts(old);
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
