#pragma once
// How the device compares with what a profile wants, value by value: `diff`, the first look of
// `apply` and the windows' Compare with Profile... all judge it here.
#include <string>
#include <vector>

#include "provision/run.h"

namespace tarnwick::provision {

// One value a profile names, compared with what the device holds.
enum class Comparison {
    same,
    differs,
    notReadable,    // the read of it failed; the run's failures say why
    notVerifiable,  // the password: it cannot be read back
};

struct Difference {
    std::string name;       // as valueName spells it, or "no-internet"
    Comparison comparison;
    std::string device;     // as read, Windows-1251; "true" or "false" for no-internet
    std::string profile;    // the password: "set"
};

// How the device, as `read` found it (readWanted), compares with `wanted`, a line for each
// value `wanted` names, in the window's order. A modem with nothing stored holds empty texts
// and counts as set up without internet.
std::vector<Difference> compareWithDevice(const Wanted& wanted, const Run& read, bool deviceNoInternet);

// The name of a comparison as `diff` prints it and the windows show it: "same", "differs",
// "not readable", "not verifiable".
const char* comparisonName(Comparison comparison);

// `diff`'s exit code: the read's own when it failed (no answer, the query's Error!, an
// interruption), else 1 when a value differs and 0 when none does. The password, which cannot
// be compared, counts as neither.
int comparisonExitCode(const Run& read, const std::vector<Difference>& differences);

// Whether a value the comparison names must be written to match: it differs or was not read.
bool needsWriting(const std::vector<Difference>& lines, const char* name);

}  // namespace tarnwick::provision
