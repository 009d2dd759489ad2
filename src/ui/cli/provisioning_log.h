#pragma once
// The provisioning log of --log: one JSON line a run, appended to a file that several
// stations' processes may share, and the table `tarnwick-cli log FILE` prints of it.
#include <optional>
#include <string>
#include <vector>

#include <nlohmann/json.hpp>

#include "provision/provisioning.h"

namespace tarnwick::cli {

using namespace tarnwick::provision;

struct LogValue {
    std::string name;
    std::optional<std::string> before;  // as the device held it, UTF-8; none when not read
    std::optional<std::string> after;   // the password: "set" or "unchanged", never its text
    std::string outcome;                // "written, match", "unchanged, match", "same", ...
};

// A status check as the log keeps it: each item's text, and the verdict.
struct LoggedNetwork {
    std::vector<NetworkItem> items;  // {"signal", "15 = -83 dBm (good)"} ...
    bool ready = false;
    std::string verdict;             // "ready", "not ready: searching for a network"
    std::string advice;              // what to do about it; empty when ready
    int rssi = 99;
    std::optional<int> dbm;
};
LoggedNetwork loggedNetwork(const NetworkCheck& check);
// The check's JSON object, the same in the log and in --json reports.
nlohmann::ordered_json networkJson(const LoggedNetwork& network);

struct LogRecord {
    std::string time;         // UTC, ISO 8601, when the run began
    std::string host;
    std::string port;         // as given
    std::string device;       // where it leads, or "unknown"
    std::string version;
    std::string command;      // read, diff, write, apply, status
    std::optional<int> unit;  // station mode: the unit's number in the session
    std::string profile;      // the path as given; empty for none
    std::string profileSha256;
    std::string identity = "unknown";
    std::vector<LogValue> values;
    std::optional<LoggedNetwork> network;  // status, or apply --require-network
    int exitCode = 0;
    long long durationMs = 0;
    std::string result;       // one line, as the table shows it
    std::vector<std::string> failures;  // UTF-8
};

// The current time as the log writes it: "2026-12-08T10:15:02.123Z".
std::string utcNow();

// The record as one line of JSON, its line end included.
std::string logLine(const LogRecord& record);

// Appends the record's line under the file's lock; returns the failure line, or an empty text.
std::string appendToLog(const std::string& path, const LogRecord& record);

// Whether the log can be appended to, asked before anything is sent: the failure line, or an
// empty text. A missing file is created.
std::string checkLog(const std::string& path);

// The values of a run in the log's terms. `before` is the device as read first, when it was.
std::vector<LogValue> loggedRead(const Run& read);
std::vector<LogValue> loggedDiff(const std::vector<Difference>& differences);
std::vector<LogValue> loggedWrite(const Run& run, const Run* before);

// The outcome of a written or unchanged value as the log and the station line name it.
std::string appliedOutcome(const Result& result);

// One line saying how a run ended: "ok, 3 written, 5 unchanged", "differs: period",
// "MISMATCH: period", "no answer", "interrupted, written: period"...; for status the
// verdict. A run with a status check behind it gets "; network ready" or "; network not
// ready: ..." after its own summary, which `exitCode` is the run's own exit code for.
std::string resultSummary(const std::string& command, int exitCode, const std::vector<LogValue>& values,
                          const std::optional<LoggedNetwork>& network = std::nullopt);

// The table of a log file: time, port, identity and result, a row a line. `exitCode` receives
// 2 when the file cannot be read.
std::string logTable(const std::string& path, int* exitCode);

// `log --json`: the log's records as one JSON array, each as it was appended; a line that is
// no record stands as {"line": N, "error": "not a log record"}. `exitCode` as logTable's.
std::string logJson(const std::string& path, int* exitCode);

}  // namespace tarnwick::cli
