#pragma once
// The controls of the main window held in memory, for the command-line program: the jobs read
// and write their fields exactly as they do in a window, and the program puts values in and
// takes results out by control id.
#include <string>

namespace tarnwick::cli {

// The stand-in for the main window the controls belong to.
void* headlessWindow();

// The text of the control with this id, as Windows-1251 bytes; empty for an unknown id.
std::string controlText(int id);
void setControlText(int id, const std::string& text);

}  // namespace tarnwick::cli
