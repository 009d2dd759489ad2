#pragma once
#include "base/handles.h"

namespace tarnwick {

// One step of the modem settings query.
void stepModemQueryJob();

// One step of the modem set-up; the window is where it reads the "no internet" check box.
void stepModemSetupJob(WindowHandle window);

// Whether the four values in the modem panel can be sent as the internet set-up sends them:
// each short enough, and without a double quote or a control byte. The set-up itself checks
// the same before its first byte; a program may ask before it sends anything else.
bool modemValuesSendable();

}  // namespace tarnwick
