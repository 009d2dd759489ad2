#pragma once
// What the pieces of the Windows front end share among themselves.
#include <windows.h>

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

// Draws the painted labels of the main window (WM_PAINT).
void paintMainWindow(HWND window);

// A font of the given measures with the fixed face and the other parameters every font of
// the window shares; null when it cannot be created.
HFONT createWindowFont(FontSpec wanted);

}  // namespace tarnwick
