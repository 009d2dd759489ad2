#pragma once
// `tarnwick --simulate`: the simulated unit and modem on a pseudo-terminal, made known as COM1
// for this process only through a private ports folder exported as TARNWICK_PORTS. The folder
// and its entry are removed again when the object goes.
#include <string>

#include "devsim.h"

namespace tarnwick::qt {

class SimulatedPort {
public:
    // With `preset`, the unit and the modem start with values stored (a period, an address,
    // three telephone numbers, a data server, APN, user and password); otherwise empty.
    explicit SimulatedPort(bool preset = false);
    ~SimulatedPort();
    SimulatedPort(const SimulatedPort&) = delete;
    SimulatedPort& operator=(const SimulatedPort&) = delete;

    // Empty when the device runs and is registered; otherwise what went wrong.
    const std::string& error() const { return failure; }

    devsim::Device& device() { return simulated; }
    const std::string& portsFolder() const { return folder; }

private:
    devsim::Device simulated;
    std::string folder;
    std::string link;
    std::string failure;
};

}  // namespace tarnwick::qt
