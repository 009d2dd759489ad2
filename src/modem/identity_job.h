#pragma once
// The modem's identity: its serial number (IMEI), asked with AT+CGSN. The command-line program
// records it in its provisioning log as the unit's identity; the window never asks for it.
//
// The job stands beside the twelve: it is raised by setting modemIdentityJob.trigger, refuses
// to start while any of their triggers is raised, and none of them looks at its own. It sends
// the escape, waits the escape's guard time, then AT+CGSN, and waits for the serial number
// (identityBit) or an ERROR.
#include <cstddef>

namespace tarnwick {

// Digits kept of a serial number: an IMEI has 15, an IMEISV 16.
constexpr size_t identityCapacity = 32;

// One step of the identity query; the tick calls it after the twelve jobs.
void stepModemIdentityJob();

// The digits the last identity query received, terminated; empty when it got none (ERROR, no
// answer, or a run that has not ended yet). Emptied when the job starts.
const char* modemIdentity();

}  // namespace tarnwick
