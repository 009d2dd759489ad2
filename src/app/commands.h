#pragma once
// The command table: menu items, accelerators, buttons and the check box.
#include "serial/port_holder.h"

namespace tarnwick {

// Notification codes that reach the table: menu choices and clicks come with 0, accelerators
// with 1; edit boxes report their own codes, which nothing handles.
constexpr int notifyClick = 0;
constexpr int notifyAccelerator = 1;

// Applies one command; returns false for ids the table does not handle, which then get the
// window system's default handling.
bool handleCommand(int id, int notification);

// The two port commands, also used by the front ends' start-up options.
void openPortCommand();
void closePortCommand();

// "Open the Port" past its name checks: opens `path` and reports on `name` as the command
// does. For the command-line program, which also takes a device path as the name.
void openNamedPort(const char* name, const char* path);

// A port chosen from the list of ports present: its name goes into the port-name box, to be
// opened from the menu as any typed name.
void choosePortName(const char* name);

// Every tick: once the reader has found the open port's device gone (an adapter pulled),
// the port status shows "The COMn is lost." and the trace records it. From then on the same
// port is tried once a second while no job runs; when it opens, the status shows
// "The COMn is opened." and the trace records it. "Close the Port" ends the tries, and so does
// "Open the Port", which lets the lost device go and opens the name asked for.
void checkPortLost();

// Who held the device when the last "Open the Port" found it in use; `who` is empty when the
// last open did not fail for that.
const PortHolder& lastPortHolder();

}  // namespace tarnwick
