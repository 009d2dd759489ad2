#pragma once
// The window's boxes, as provisioning reaches them: through the window's own fields, so that a
// run, a comparison or a profile put into the window works the same in every front end.
#include <string>

#include "base/text_field.h"
#include "provision/values.h"

namespace tarnwick::provision {

// The edit box of the main window that holds a value.
int boxOf(Value value);

// The main window's field bound to the box `id`, or null.
TextField* boxField(int id);

// The box's text as Windows-1251 bytes, as the engineer left it in the control. The field is
// left in the view it had: the unit's rows stay in their display view.
std::string boxText(int id);

// Puts the bytes into the box and shows them, the field again in the view it had.
void putBoxText(int id, const std::string& text);

}  // namespace tarnwick::provision
