#pragma once
// What the command table and provisioning ask of the front end beyond the controls.
#include <functional>

namespace tarnwick {

// Runs the About box modally over the main window; returns when it is closed.
void showAboutDialog();

// Destroys the main window; the message loop then ends with exit code 0.
void destroyMainWindow();

// Shows the trace window (not modal) and brings it to the front; returns at once.
void showTraceWindow();

// Delivers ticks and quiet-timer expiries, as the front end's loop does, until `done` holds or
// `limitMs` have passed; returns whether `done` held. For provisioning, which presses one
// button after another and waits for each job to rest; a window keeps itself drawn meanwhile.
bool runJobsUntil(const std::function<bool()>& done, int limitMs);

}  // namespace tarnwick
