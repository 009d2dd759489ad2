#pragma once
// Who holds a port that would not open. "Port did't open!" alone leaves the engineer guessing;
// most often another program has the device, a modem manager probing every new USB serial
// adapter among them. One implementation per operating system, beside the port's own.
#include <cstddef>

namespace tarnwick {

struct PortHolder {
    // UTF-8: "ModemManager (pid 812)", "minicom (pid 990), screen (pid 991)", or "another
    // program" when the system does not say which; empty when nobody holds the device.
    char who[224];
    // For a holder that leaves an adapter alone when told so (ModemManager): the one-line udev
    // rule that tells it, for this adapter's vendor and product; otherwise empty.
    char rule[160];
};

// What to do with PortHolder::rule, for the front ends and the trace to say alike.
constexpr char portHolderRuleAdvice[] =
    "ModemManager leaves the adapter alone with this line in /etc/udev/rules.d/99-tarnwick.rules "
    "(then plug the adapter in again):";

// Right after openPort() returned -1 for `path`: true when the device is there but another
// program holds it, with `holder` saying who, as far as this user may see. False, with
// `holder` empty, when the open failed for another reason (no such device). Looks at the
// system each time; not for the serial path, where nothing may allocate.
bool findPortHolder(const char* path, PortHolder& holder);

}  // namespace tarnwick
