#pragma once
// How a port path reaches a device on POSIX systems, where there are no COM ports. The
// program builds "\\.\" + the name typed ("COM5"); a path beginning with '/' is a device
// already. For COMn, an entry named COMn in the ports folder ($TARNWICK_PORTS, else
// ~/.config/tarnwick/ports) wins: a symlink to the device, or a file holding its path.
// Otherwise COM1-COM32 are /dev/ttyS0-31, COM33-COM64 /dev/ttyUSB0-31 and COM65-COM96
// /dev/ttyACM0-31; higher numbers have no device.
#include <cstddef>

namespace tarnwick {

constexpr size_t portPathCapacity = 4096;

// Writes the device path for `path` into `device`; false when the name has no device.
bool resolvePortPath(const char* path, char* device, size_t capacity);

// The pieces of that resolution the port list needs too, so that a listed name is always
// one that opens the listed device.

// The number of "COMn" as Windows reads it, or -1 when the name is no COM name there.
long comNumber(const char* name);

// The ports folder: $TARNWICK_PORTS when set, else ~/.config/tarnwick/ports.
bool portsFolder(char* folder, size_t capacity);

// The COM number the fixed map gives `device` ("/dev/ttyUSB0" is 33), or -1 when it has none.
long defaultComNumber(const char* device);

// True when the last openPort() that failed found its device held by another program: in
// another's exclusive mode (EBUSY) or under another's advisory lock. For findPortHolder().
bool lastOpenFoundDeviceHeld();

}  // namespace tarnwick
