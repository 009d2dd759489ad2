#pragma once
// A run of provisioning as data: a result for each value with its outcome, the failure lines,
// and the exit code every program reports it with.
#include <atomic>
#include <optional>
#include <string>
#include <vector>

#include "provision/values.h"

namespace tarnwick {
struct Job;
}

namespace tarnwick::provision {

enum class Outcome {
    read,            // `read`: the value as read
    match,           // written and read back the same
    mismatch,        // written, read back different
    notVerifiable,   // written, cannot be read back (the password)
    notWritten,      // the run stopped before it
    notStored,       // sent to the modem; the run stopped before its save was sent
    notReadBack,     // written, the run stopped before the read-back
    notRead,         // the unit's answer was cut short before the value; `read`: also
                     // a value a Ctrl+C came before
    noAnswer,        // the unit or the modem did not answer
    refused,         // the modem answered ERROR
    nothingStored,   // `read`: the modem has no stored profile
};
const char* outcomeName(Outcome outcome);

struct Result {
    Value value;
    Outcome outcome;
    std::string written;   // as sent; the password as ***
    std::string readBack;
    // A refused modem value: how the query that followed ended (read, nothing stored); when
    // it read, readBack holds what the modem kept.
    std::optional<Outcome> queried = std::nullopt;
    // apply: the device held the value already and it was not written; `written` then holds
    // the value the profile wants, and the outcome says how the device holds it now.
    bool unchanged = false;
};

// Exit codes, as --help documents them.
enum : int {
    exitOk = 0,
    exitFailed = 1,         // a mismatch, or the modem refused a setting
    exitUsage = 2,          // a usage error or a bad value; nothing was sent
    exitPortNotOpened = 3,
    exitNoAnswer = 4,       // a job ran into its deadline, or a unit answer was cut short
    exitInterrupted = 130,  // Ctrl+C: the port was closed; the report says what was written
};

// Of two exit codes the one that says more, for every program that sums several up: an
// interruption, then no answer (which says more than a mismatch that may follow from it),
// then a port that did not open, then any other failure; `a` when they weigh the same.
int graverExit(int a, int b);

struct Run {
    std::vector<Result> results;
    std::vector<std::string> failures;  // one line each, naming the value and the step
    int exitCode = exitOk;
};

// Set by Ctrl+C; a run stops at the next tick, closes the port and reports.
extern std::atomic<bool> interruptRequested;

// Adds a failure line; the run's exit code becomes the graver of the two.
void fail(Run& run, int exitCode, const std::string& line);
Result& add(Run& run, Value value, Outcome outcome, const std::string& written = {});
const Result* resultOf(const Run& run, Value value);
// Each failure line of `from` and its exit code, into `into`.
void takeOver(Run& into, const Run& from);
void markInterrupted(Run& run);

// Presses the button as the engineer would and steps the jobs until `job` rests again. False
// when the run was interrupted first; the job's report then says how far it got.
bool press(int button, const Job& job);

// Far beyond any job's own deadline (a set-up without internet takes about five seconds), so
// that only a job that never comes to rest runs into it.
constexpr int jobLimitMs = 120000;

}  // namespace tarnwick::provision
