#pragma once
// What the command table asks of the front end beyond the controls.
namespace tarnwick {

// Runs the About box modally over the main window; returns when it is closed.
void showAboutDialog();

// Destroys the main window; the message loop then ends with exit code 0.
void destroyMainWindow();

// Shows the trace window (not modal) and brings it to the front; returns at once.
void showTraceWindow();

}  // namespace tarnwick
