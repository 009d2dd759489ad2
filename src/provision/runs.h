#pragma once
// The runs of provisioning: the values put into the very boxes the window's buttons act on, and
// the core's own jobs, stepped by the front end's loop (runJobsUntil), send them, read them
// back and set the modem up. The command-line program runs them on its headless loop, the
// windows while a modal box waits. What happened on the line is learnt from the jobs' reports.
#include <string>

#include "provision/run.h"

namespace tarnwick::provision {

// Opens the port by its COMn name or, on Linux, a device path; on failure returns false and
// the port status text.
bool openThePort(const std::string& port, std::string* status);
void closeThePort();

// Writes what `wanted` names and reads every written value back.
Run writeAndVerify(const Wanted& wanted);

// Reads the five unit values and, unless `unitOnly`, queries the modem. `noInternet` is set
// when the modem has no stored profile, or its stored profiles hold no address, APN or user.
Run readEverything(bool unitOnly, bool* noInternet);

// Reads what `wanted` names and nothing more: its unit values, and the modem when it touches
// the modem. The password is never read.
Run readWanted(const Wanted& wanted, bool* noInternet);

}  // namespace tarnwick::provision
