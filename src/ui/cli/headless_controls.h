#pragma once
// The controls of the main window held in memory, for the command-line program: the jobs read
// and write their fields exactly as they do in a window, and provisioning runs the jobs on the
// headless loop.
namespace tarnwick::cli {

// Creates the window's controls in memory; the settings file is left alone unless `saveIni`.
void startHeadless(bool saveIni);

}  // namespace tarnwick::cli
