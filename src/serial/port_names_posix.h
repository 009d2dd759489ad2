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

}  // namespace tarnwick
