#include "ui/cli/session.h"

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>

#include "app/commands.h"
#include "provision/profile.h"
#include "app/trace_decode.h"
#include "modem/file_store.h"
#include "serial/port_list.h"
#include "ui/cli/console.h"
#include "ui/cli/headless_controls.h"
#include "ui/cli/provisioning_log.h"
#include "ui/cli/report.h"
#include "ui/cli/sha256.h"

namespace tarnwick::cli {

namespace {

using Clock = std::chrono::steady_clock;

// The password: the file named on the command line or in the profile, else the environment.
std::string takePassword(Options& options) {
    Wanted& wanted = options.wanted;
    if (!options.passwordFile.empty()) {
        std::string password;
        const std::string failed = readPasswordFile(options.passwordFile, &password);
        if (failed.empty()) wanted[Value::password] = password;
        return failed;
    }
    // An empty variable is one set by accident (TARNWICK_PASSWORD=$UNSET): it counts as not set.
    const char* password = std::getenv("TARNWICK_PASSWORD");
    if (password != nullptr && *password != '\0' &&
        (wanted[Value::ip] || wanted[Value::apn] || wanted[Value::user])) {
        std::string failed;
        wanted[Value::password] = typedText(password, "password", &failed);
        return failed;
    }
    return {};
}

// The core's failure lines quote the device's Windows-1251 bytes, while the program's own (a
// path, the character a value lacks) are UTF-8. The core's are made UTF-8 once, as the run
// hands them over, so that stderr, the JSON report and the log show every line as written.
std::vector<std::string> shownLines(const std::vector<std::string>& deviceLines) {
    std::vector<std::string> lines;
    for (const std::string& line : deviceLines) lines.push_back(deviceToUtf8(line));
    return lines;
}

void printFailures(const std::vector<std::string>& failures, const std::string& prefix = {}) {
    for (const std::string& line : failures) printNotice(prefix + line);
}

// Where the port name leads, as the port list shows it.
std::string portDevice(const std::string& port) {
    if (!port.empty() && port[0] == '/') return port;
    static PortEntry entries[maxPorts];
    const size_t count = listPorts(entries, maxPorts);
    for (size_t i = 0; i < count; ++i)
        if (port == entries[i].name) return entries[i].device;
    return "unknown";
}

std::string fileSha256(const std::string& path) {
    std::error_code ignored;
    const std::filesystem::path named = std::filesystem::u8path(path);
    if (path.empty() || std::filesystem::is_directory(named, ignored)) return {};
    std::ifstream file(named, std::ios::binary);
    if (!file) return {};
    std::ostringstream bytes;
    bytes << file.rdbuf();
    return file.bad() ? std::string() : sha256Hex(bytes.str());
}

std::string thisHost() {
    char name[256];
    return hostName(name, sizeof name) ? name : "unknown";
}

// A run's line of the log, begun as the run begins.
struct Logged {
    LogRecord record;
    Clock::time_point start = Clock::now();
    int runExitCode = -1;  // the values' own, when a status check counts in the exit code too
};

Logged beginLog(const Options& options, const std::string& command) {
    Logged logged;
    // A station's --json prints each unit's record, logged or not.
    if (options.log.empty() && !options.watch) return logged;
    LogRecord& record = logged.record;
    record.time = utcNow();
    record.host = thisHost();
    record.port = options.port;
    record.device = portDevice(options.port);
    record.version = options.version;
    record.command = command;
    record.profile = options.profile;
    record.profileSha256 = fileSha256(options.profile);
    return logged;
}

// Appends the run's line; a run that could not be recorded does not end 0.
void endLog(const Options& options, Logged& logged, int* exitCode) {
    LogRecord& record = logged.record;
    record.exitCode = *exitCode;
    record.durationMs = std::chrono::duration_cast<std::chrono::milliseconds>(Clock::now() - logged.start).count();
    record.result = resultSummary(record.command, logged.runExitCode >= 0 ? logged.runExitCode : *exitCode,
                                  record.values, record.network);
    if (options.log.empty()) return;
    const std::string failed = appendToLog(options.log, record);
    if (failed.empty()) return;
    printNotice(failed);
    if (*exitCode == exitOk) *exitCode = exitFailed;
}

// The profile and the password, checked before anything is sent. The failure line, or empty.
std::string takeValues(Options& options, const std::string& command) {
    if (command == "read" || command == "status") return {};
    if (!options.profile.empty()) {
        std::string profilePassword;
        const std::string failed = loadProfile(options.profile, options.wanted, &profilePassword);
        if (!failed.empty()) return failed;
        if (options.passwordFile.empty()) options.passwordFile = profilePassword;
    }
    std::string failed = takePassword(options);
    // Only a run that writes the modem whatever it holds needs the password up front.
    const bool passwordNeeded = command == "write" || options.force;
    if (failed.empty()) failed = checkWanted(options.wanted, passwordNeeded);
    return failed.empty() ? failed : failed + " (nothing sent)";
}

// What a write or apply did, with the device as read before it when it was.
struct Written {
    Run run;
    Run before;
    bool read = false;
};

Written writeOrApply(const Options& options, const std::string& command) {
    Written done;
    if (command == "apply" && !options.force) {
        Applied applied = applyDifferences(options.wanted);
        done.run = std::move(applied.run);
        done.before = std::move(applied.before);
        done.read = true;
        return done;
    }
    // The log holds every value before and after: read first what is about to be written.
    if (!options.log.empty()) {
        bool ignored;
        done.before = readWanted(options.wanted, &ignored);
        done.read = true;
    }
    done.run = writeAndVerify(options.wanted);
    return done;
}

// The status check behind an apply with --require-network: a unit whose modem is not ready
// for packet data has failed, whatever was written.
struct NetworkAfter {
    std::optional<LoggedNetwork> network;
    std::string failure;  // why it is not ready, and what to do
    std::string imei;     // the check asked for it: the log needs no query of its own
    int exitCode;         // the run's, counting the check
};

NetworkAfter checkNetworkAfter(const Options& options, int runExitCode) {
    NetworkAfter after{std::nullopt, {}, {}, runExitCode};
    if (!options.requireNetwork || interruptRequested.load() || portHandle == invalidPort) return after;
    const NetworkCheck check = runNetworkCheck();
    if (check.interrupted) {
        after.exitCode = exitInterrupted;
        after.failure = "interrupted during the status check: the port was closed";
        return after;
    }
    after.network = loggedNetwork(check);
    after.imei = check.status.imei;
    after.exitCode = graverExit(runExitCode, networkExitCode(check));
    if (check.verdict != Verdict::ready) after.failure = "network: " + verdictFailure(check.verdict);
    return after;
}

// The identity the log records: the status check's IMEI, else the identity query's.
std::string loggedIdentity(const NetworkAfter& after) {
    return !after.imei.empty() ? after.imei : readModemIdentity();
}

int reportRun(const Run& run, const Options& options, const std::string& command, const NetworkAfter* after = nullptr) {
    printFailures(run.failures);
    const LoggedNetwork* network = after != nullptr && after->network ? &*after->network : nullptr;
    const int exitCode = after != nullptr ? after->exitCode : run.exitCode;
    if (options.json) {
        printOut(jsonReport(run, command, options.port, network, exitCode));
    } else {
        printOut(textReport(run, command));
        if (network != nullptr) printOut(networkTextLine(*network));
    }
    return exitCode;
}

// `status`: the check alone; a modem that is not ready says why on stderr.
int statusOnce(const Options& options, LogRecord& record) {
    const NetworkCheck check = runNetworkCheck();
    const int exitCode = networkExitCode(check);
    closeThePort();
    std::optional<LoggedNetwork> network;
    if (!check.interrupted) network = loggedNetwork(check);
    if (check.interrupted) record.failures.push_back("interrupted: the port was closed");
    else if (check.verdict != Verdict::ready) record.failures.push_back(verdictFailure(check.verdict));
    record.network = network;
    if (check.status.imei[0] != '\0') record.identity = check.status.imei;
    printFailures(record.failures);
    if (options.json) printOut(statusJsonReport(network ? &*network : nullptr, record.failures, exitCode, options.port));
    else if (network) printOut(statusTextReport(*network));
    return exitCode;
}

int runOnce(Options& options, const std::string& command, Logged& logged) {
    LogRecord& record = logged.record;
    const bool logging = !options.log.empty();
    int exitCode = exitOk;
    if (command == "status") return statusOnce(options, record);
    if (command == "diff") {
        bool noInternet = false;
        const Run read = readWanted(options.wanted, &noInternet);
        const std::vector<Difference> differences = compareWithDevice(options.wanted, read, noInternet);
        exitCode = comparisonExitCode(read, differences);
        if (logging) record.identity = readModemIdentity();
        closeThePort();
        record.failures = shownLines(read.failures);
        printFailures(record.failures);
        printOut(options.json ? diffJsonReport(differences, record.failures, exitCode, options.port)
                              : diffTextReport(differences));
        record.values = loggedDiff(differences);
        return exitCode;
    }
    Run run;
    bool noInternet = false;
    NetworkAfter after{std::nullopt, {}, {}, exitOk};
    if (command == "read") {
        run = readEverything(options.unitOnly, &noInternet);
        record.values = loggedRead(run);
        after.exitCode = run.exitCode;
    } else {
        const Written done = writeOrApply(options, command);
        run = done.run;
        record.values = loggedWrite(run, done.read ? &done.before : nullptr);
        after = checkNetworkAfter(options, run.exitCode);
    }
    if (logging) record.identity = loggedIdentity(after);
    closeThePort();
    tarnwick::closeTraceFile();
    run.failures = shownLines(run.failures);
    if (!after.failure.empty()) run.failures.push_back(after.failure);
    record.network = after.network;
    logged.runExitCode = run.exitCode;
    if (!options.saveProfile.empty() && run.exitCode == exitOk) {
        const std::string failed = saveProfile(options.saveProfile, run, noInternet);
        if (!failed.empty()) {
            run.failures.push_back(failed);
            run.exitCode = exitFailed;
        }
    }
    record.failures = run.failures;
    after.exitCode = graverExit(after.exitCode, run.exitCode);
    return reportRun(run, options, command, &after);
}

// Station mode: one unit after another on the same port, a result line and a log line each.
int station(Options& options) {
    printNotice("station on " + options.port + ": waiting for a unit");
    int worst = exitOk;
    bool interruptedInside = false;
    for (int unit = 1; awaitUnit(true, options.port); ++unit) {
        Logged logged = beginLog(options, "apply");
        LogRecord& record = logged.record;
        record.unit = unit;
        const Written done = writeOrApply(options, "apply");
        record.values = loggedWrite(done.run, done.read ? &done.before : nullptr);
        record.failures = shownLines(done.run.failures);
        const NetworkAfter after = checkNetworkAfter(options, done.run.exitCode);
        if (!after.failure.empty()) record.failures.push_back(after.failure);
        record.network = after.network;
        logged.runExitCode = done.run.exitCode;
        if (!options.log.empty()) record.identity = loggedIdentity(after);
        int exitCode = after.exitCode;
        printFailures(record.failures, "unit " + std::to_string(unit) + ": ");
        endLog(options, logged, &exitCode);
        if (options.json) {
            printOut(logLine(record));
        } else {
            const std::string identity = options.log.empty() ? "" : " (" + record.identity + ")";
            printOut("unit " + std::to_string(unit) + identity + ": " + record.result + "\n");
        }
        std::fflush(stdout);
        worst = graverExit(worst, exitCode == exitInterrupted ? exitOk : exitCode);
        if (interruptRequested.load()) {
            interruptedInside = exitCode == exitInterrupted;
            break;
        }
        printNotice("unit " + std::to_string(unit) + " done; waiting for it to be taken away");
        if (!awaitUnit(false, options.port)) break;
        printNotice("waiting for the next unit");
    }
    closeThePort();
    return interruptedInside ? exitInterrupted : worst;
}

}  // namespace

std::string typedText(const std::string& text, const char* name, std::string* failed) {
    std::string bytes, missing;
    if (utf8ToDevice(text, &bytes, &missing)) return bytes;
    if (missing.empty()) return text;
    // The password's characters are never shown, not even the one at fault.
    const bool secret = std::string(name) == "password";
    *failed = std::string(name) + ": " + (secret ? std::string("a character") : "the character " + missing) +
              " is not in Windows-1251, which the unit and the modem use";
    return {};
}

int runCommand(Options& options, const std::string& command) {
    if (!options.trace.empty() && !tarnwick::openTraceFile(options.trace.c_str()))
        printNotice("cannot open the trace file " + options.trace + "; running without it");
    if (!options.log.empty()) {
        const std::string failed = checkLog(options.log);
        if (!failed.empty()) {
            printNotice(failed + " (nothing sent)");
            return exitUsage;
        }
    }
    startHeadless(options.saveIni);
    Logged logged = beginLog(options, command);
    int exitCode = exitOk;
    const std::string failed = takeValues(options, command);
    std::string status;
    if (!failed.empty()) {
        printNotice(failed);
        logged.record.failures.push_back(failed);
        exitCode = exitUsage;
    } else if (!openThePort(options.port, &status)) {
        const PortHolder& holder = lastPortHolder();
        const std::string line = "port " + options.port + ": " + status +
                                 (holder.who[0] != '\0' ? " In use by " + std::string(holder.who) : "");
        printNotice(line);
        if (holder.rule[0] != '\0') printNotice(std::string(portHolderRuleAdvice) + "\n" + holder.rule);
        logged.record.failures.push_back(line);
        exitCode = exitPortNotOpened;
    } else if (options.watch) {
        // Each unit has its own line in the log.
        return station(options);
    } else {
        exitCode = runOnce(options, command, logged);
    }
    endLog(options, logged, &exitCode);
    return exitCode;
}

}  // namespace tarnwick::cli
