#pragma once
// Provisioning a unit: the values are put into the very fields the window's buttons act on,
// and the core's own jobs, stepped by the front end's loop (runJobsUntil), send them, read
// them back and set the modem up. The command-line program runs it on its headless loop, the
// windows while a modal box waits. Nothing here knows a frame or an AT command; what
// happened on the line is learnt from the trace.
#include <array>
#include <atomic>
#include <optional>
#include <string>
#include <vector>

namespace tarnwick::provision {

enum class Value { period, address, phone1, phone2, smsPhone, ip, apn, user, password };
constexpr size_t valueCount = 9;

// The name of a value as options, profiles and reports spell it: "period", "sms-phone".
const char* valueName(Value value);

// What to write; a value not given is left as the unit and the modem have it.
struct Wanted {
    std::array<std::optional<std::string>, valueCount> values;
    bool noInternet = false;  // reset the modem for a unit without internet

    const std::optional<std::string>& operator[](Value v) const { return values[size_t(v)]; }
    std::optional<std::string>& operator[](Value v) { return values[size_t(v)]; }
    bool touchesModem() const;
};

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

struct Run {
    std::vector<Result> results;
    std::vector<std::string> failures;  // one line each, naming the value and the step
    int exitCode = exitOk;
};

// Set by Ctrl+C; a run stops at the next tick, closes the port and reports.
extern std::atomic<bool> interruptRequested;

// Checks the values with the window's rules before anything is sent: period and address are
// three digits (the address at most 255, the unit answers one byte), telephone texts at most
// 18 characters, the modem values such as the set-up can send. Returns the failure line, or
// an empty text.
std::string checkWanted(const Wanted& wanted);

// Opens the port by its COMn name or, on Linux, a device path; on failure returns false and
// the port status text.
bool openThePort(const std::string& port, std::string* status);
void closeThePort();

Run writeAndVerify(const Wanted& wanted);

// Reads the five unit values and, unless `unitOnly`, queries the modem. `noInternet` is set
// when the modem has no stored profile.
Run readEverything(bool unitOnly, bool* noInternet);

// Reads what `wanted` names and nothing more: its unit values, and the modem when it touches
// the modem. The password is never read.
Run readWanted(const Wanted& wanted, bool* noInternet);

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

}  // namespace tarnwick::provision
