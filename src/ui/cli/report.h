#pragma once
// What a run did, for the engineer (a line a value) or for a script (one JSON document).
#include <string>

#include "provision/provisioning.h"
#include "serial/port_list.h"
#include "ui/cli/provisioning_log.h"

namespace tarnwick::cli {

// The command-line program speaks of the values, outcomes and runs of provisioning.
using namespace tarnwick::provision;

// "period: written 012, read back 012, match" a value, "period: unchanged 012, match" for one
// that `apply` found right, or "period: 012" for `read`.
std::string textReport(const Run& run, const std::string& command);

// {"command": ..., "port": ..., "exitCode": ..., "values": [...], "failures": [...]}; the run's
// failure lines already in UTF-8. With `network` (apply --require-network), its check too, and
// the exit code given, which counts the check.
std::string jsonReport(const Run& run, const std::string& command, const std::string& port,
                       const LoggedNetwork* network = nullptr, int exitCode = -1);

// The check behind an apply: "network: ready", "network: not ready: searching for a network".
std::string networkTextLine(const LoggedNetwork& network);

// `status`: a line an item ("signal: 15 = -83 dBm (good)"), then "verdict: ready" or
// "verdict: not ready: searching for a network".
std::string statusTextReport(const LoggedNetwork& network);

// {"command": "status", "port": ..., "exitCode": ..., "network": {...}, "failures": [...]}.
std::string statusJsonReport(const LoggedNetwork* network, const std::vector<std::string>& failures, int exitCode,
                             const std::string& port);

// `diff`: "period: same", "period: differs: device 012 → profile 013", "phone1: not readable",
// "password: set in profile, not verifiable".
std::string diffTextReport(const std::vector<Difference>& differences);

// {"command": "diff", "port": ..., "exitCode": ..., "values": [{"name", "comparison",
// "device", "profile"}], "failures": [...]}, the failure lines in UTF-8.
std::string diffJsonReport(const std::vector<Difference>& differences, const std::vector<std::string>& failures,
                           int exitCode, const std::string& port);

// `ports --json`: [{"name": "COM5", "device": "/dev/ttyUSB0", "description": ...}]; a port
// without a COMn name has "name": null.
std::string portsJsonReport(const PortEntry* entries, size_t count);

}  // namespace tarnwick::cli
