#pragma once
// A benchmark's ports: the folder "ports" in its working folder, made tarnwick-cli's through
// TARNWICK_PORTS, and each simulated device linked into it as COMn.
#include <sys/stat.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <string>

#include "devsim.h"

namespace bench {

// The folder's path; empty when the working folder cannot be told.
inline std::string usePortsFolder() {
    char cwd[4096];
    if (getcwd(cwd, sizeof cwd) == nullptr) return {};
    const std::string ports = std::string(cwd) + "/ports";
    ::mkdir(ports.c_str(), 0700);
    setenv("TARNWICK_PORTS", ports.c_str(), 1);
    return ports;
}

// `device` as COM<number> of `ports`, in place of a link a run before left; false, said on
// stdout, when the device did not come up.
inline bool linkAsCom(const std::string& ports, int number, const devsim::Device& device) {
    const std::string link = ports + "/COM" + std::to_string(number);
    std::remove(link.c_str());
    if (!ports.empty() && device.ok() && symlink(device.slavePath().c_str(), link.c_str()) == 0) return true;
    std::printf("no simulated device for COM%d\n", number);
    return false;
}

}  // namespace bench
