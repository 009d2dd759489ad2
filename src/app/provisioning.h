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
// an empty text. Without `passwordNeeded` the modem's ip, apn and user may come without the
// password: `diff` never writes, and `apply` sets the modem up only when a value differs.
std::string checkWanted(const Wanted& wanted, bool passwordNeeded = true);

// Opens the port by its COMn name or, on Linux, a device path; on failure returns false and
// the port status text.
bool openThePort(const std::string& port, std::string* status);
void closeThePort();

Run writeAndVerify(const Wanted& wanted);

// Reads the five unit values and, unless `unitOnly`, queries the modem. `noInternet` is set
// when the modem has no stored profile, or its stored profiles hold no address, APN or user.
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

// The name of a comparison as `diff` prints it: "same", "differs", "not readable", "not
// verifiable".
const char* comparisonName(Comparison comparison);

// `diff`'s exit code: the read's own when it failed (no answer, the query's Error!, an
// interruption), else 1 when a value differs and 0 when none does. The password, which cannot
// be compared, counts as neither.
int comparisonExitCode(const Run& read, const std::vector<Difference>& differences);

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

// The modem's serial number (AT+CGSN, the identity query), or "unknown" when the modem
// refuses it, does not answer, or the run is interrupted. Only the provisioning log asks.
std::string readModemIdentity();

// Station mode: polls with the own-address read, at most once a second, until a unit answers
// (`present`) or no unit answers any more (not `present`). A port whose device went away is
// closed and opened again each second by the name `port`. False when interrupted.
bool awaitUnit(bool present, const std::string& port);

}  // namespace tarnwick::provision
