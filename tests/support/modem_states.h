#pragma once
// Modems as the tests find them, made with the simulator's own options, so that a test's modem
// holds its profiles exactly as one that tarnwick-devsim --ip ... --apn ... serves.
#include "devsim.h"

namespace support {

// The modem as a completed internet set-up leaves it.
inline devsim::ModemState setUpModem(const char* ip, const char* apn, const char* user) {
    const char* options[] = {"--ip", ip, "--apn", apn, "--user", user};
    devsim::Faults faults;
    devsim::UnitValues unit;
    devsim::ModemState modem;
    for (int i = 0; i < 6; i += 2) devsim::parseDeviceOption(6, const_cast<char**>(options), i, faults, unit, modem);
    return modem;
}

}  // namespace support
