#pragma once
// `apply`: a profile written to the device, only where the device differs from it.
#include "provision/comparison.h"

namespace tarnwick::provision {

// What `apply` did: the device as it found it, and the run that wrote what differed.
struct Applied {
    Run before;                           // readWanted's
    bool beforeNoInternet = false;
    std::vector<Difference> differences;  // compareWithDevice's, of `before`
    Run run;                              // a result for each value, unchanged or written
};

// Reads what `wanted` names and writes only what differs: the unit values that differ or could
// not be read, and the modem's set-up when a modem value differs or `wanted` asks for it
// (no-internet, or a password, which cannot be compared). When anything was written, every
// unit value is read back, the unchanged ones too; a unit that already matches gets no write
// at all. Nothing is written when the device did not answer the first read.
Applied applyDifferences(const Wanted& wanted);

}  // namespace tarnwick::provision
