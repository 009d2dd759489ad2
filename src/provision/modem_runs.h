#pragma once
// The modem's side of a run: the set-up through the panel and its "Write" button, the query
// that reads back what the modem stored, and the identity query for the log.
#include <string>

#include "provision/run.h"

namespace tarnwick::provision {

// Runs the set-up with the values of `wanted` in the panel, then adds a result for each of the
// four values saying how far the set-up got with it. Returns true when the set-up came to its
// end with an answer to every step ("Ok!" or "Error!"), so that a read-back can follow; false
// when it ran into a deadline or was interrupted. Without `go` (the run stopped before it)
// nothing is sent and every value is not written.
bool setUpModem(Run& run, const Wanted& wanted, bool go);

// The query's end; the panel then holds what the modem has stored.
Outcome queryModem(Run& run);

// The modem's values after the query that follows the set-up: what was written is compared,
// what was refused is shown beside its refusal.
void compareModemValues(Run& run, Outcome query);

// The modem's serial number (AT+CGSN, the identity query), or "unknown" when the modem
// refuses it, does not answer, or the run is interrupted. Only the provisioning log asks.
std::string readModemIdentity();

}  // namespace tarnwick::provision
