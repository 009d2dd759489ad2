#pragma once
#include "app/handles.h"

namespace tarnwick {

// One step of the modem settings query.
void stepModemQueryJob();

// One step of the modem set-up; the window is where it reads the "no internet" check box.
void stepModemSetupJob(WindowHandle window);

}  // namespace tarnwick
