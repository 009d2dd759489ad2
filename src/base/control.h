#pragma once
// The controls of the main window as the core sees them. Each front end (Win32, Qt) supplies
// these functions; the tests supply an in-memory fake. Texts are single-byte Windows-1251.
#include <cstddef>
#include <cstdint>

#include "base/handles.h"

namespace tarnwick {

enum class FontKind { port, field };

// A child edit box with a dialog-frame border and no automatic scrolling; multi-line boxes
// wrap at their width. Returns no handle when the box cannot be created.
WindowHandle createEditControl(int x, int y, int width, int height, WindowHandle parent, int id,
                               bool multiLine);

// Sets exactly length bytes as the control's text.
void setControlText(WindowHandle control, const uint8_t* text, size_t length);

// Reads the control's text like the platform's bounded read: at most capacity - 1 bytes
// followed by a zero byte. Returns the number of bytes stored before the zero.
size_t getControlText(WindowHandle control, uint8_t* buffer, size_t capacity);

void setControlFont(WindowHandle control, FontKind font);

WindowHandle createButton(const char* caption, int x, int y, int width, int height,
                          WindowHandle parent, int id);

// A plain two-state box: a click only reports the command, the program sets the state.
WindowHandle createCheckBox(const char* caption, int x, int y, int width, int height,
                            WindowHandle parent, int id);

bool isCheckBoxChecked(WindowHandle parent, int id);
void setCheckBoxChecked(WindowHandle parent, int id, bool checked);

}  // namespace tarnwick
