#pragma once
// What the pieces of the Windows front end share among themselves.
#include <windows.h>

#include <string>

#include <cstddef>

#include "app/layout.h"

namespace tarnwick {

// Timer 1 is the quiet timer of the serial layer, timer 2 the 54 ms tick.
constexpr UINT_PTR quietTimerId = 1;
constexpr UINT_PTR tickTimerId = 2;
constexpr UINT tickMs = 54;

// Posted by any thread to have the window thread (re)arm timer 1; wParam holds the delay in
// milliseconds. SetTimer only works on a window of the calling thread, and the reader thread
// is not that thread.
constexpr UINT quietTimerMessage = WM_APP + 1;

// The program instance given to WinMain; owner of every window and resource.
extern HINSTANCE programInstance;

// Windows-1251 text to UTF-16 for the ...W calls: the Russian labels then read right on any
// system code page. Stops at the terminator or when `capacity` - 1 characters are written;
// the result is always terminated. Returns the number of characters written.
size_t cp1251ToWide(const char* text, wchar_t* out, size_t capacity);

// The core's UTF-8 texts and paths for the ...W calls, and back.
std::wstring wideText(const std::string& utf8);
std::string utf8Text(const wchar_t* wide);

// Draws the painted labels of the main window (WM_PAINT).
void paintMainWindow(HWND window);

// The layout tables are in pixels at 96 DPI (100 %); each window draws them at its own DPI.
constexpr int baseDpi = 96;

// A length of the tables at `dpi`, rounded half away from zero as MulDiv rounds; the same
// length at 96 DPI.
inline int scaled(int length, UINT dpi) { return MulDiv(length, static_cast<int>(dpi), baseDpi); }

// The DPI the system font was made for: the primary monitor's when the user logged on.
UINT systemDpi();

// The DPI of the monitor `window` is on: GetDpiForWindow where Windows has it (10, version
// 1607 on), looked up at run time so that the program still starts on older ones; the
// system's DPI there.
UINT windowDpi(HWND window);

// The DPI the main window's controls are laid out at; WM_CREATE and WM_DPICHANGED set it.
extern UINT mainDpi;

// A font of the given measures at `dpi`, with the fixed face and the other parameters every
// font of the window shares; null when it cannot be created.
HFONT createWindowFont(FontSpec wanted, UINT dpi);

// The caption font of buttons and check boxes at `dpi`: null, meaning the system font as the
// controls have by default, when the system font is made for `dpi` (always at 100 %); else the
// system font scaled to `dpi`, to be deleted by the caller. WM_SETFONT takes either.
HFONT createCaptionFont(UINT dpi);

// Tools > Open Profile..., Save Profile... and Compare with Profile...; false for another id.
bool handleProfileCommand(int id);

// Takes the keys meant for the comparison's wait box or its result window (Tab, Escape, Enter).
bool isProfileDialogMessage(MSG* message);

// Tools > Modem Status...: shows the status window, made on first use, and brings it to the front.
void showModemStatusWindow();

// Takes the keys meant for the status window (Tab, Space, Escape).
bool isStatusDialogMessage(MSG* message);

// Moves and resizes the main window's controls and gives them their fonts at `dpi`
// (WM_DPICHANGED).
void layOutMainControls(HWND window, UINT dpi);

}  // namespace tarnwick
