#pragma once
// What the status check's answers mean, worked out once here for every front end: the signal
// in dBm and in a word, the registration codes, the +CME ERROR codes, the verdict with its
// reason and advice, and the lines that show a check's items. tarnwick-cli, both windows, the
// station's report and the docs all take their texts from here. ASCII only; nothing allocated.
#include <cstddef>
#include <cstdint>

#include "modem/status_job.h"

namespace tarnwick {

// --- signal -------------------------------------------------------------------------------

enum class SignalWord : uint8_t { unknown, poor, fair, good, excellent };

struct SignalBand {
    int lowestDbm;  // the band holds this and everything above it up to the next band
    SignalWord word;
};

// The bands from the best down; below the last band's lowest the signal is poor.
constexpr size_t signalBandCount = 3;
extern const SignalBand signalBands[signalBandCount];

// rssi 0..31 as +CSQ gives it; 99 (and anything else) is not known.
bool rssiKnown(int rssi);
// -113 + 2 * rssi: 0 stands for -113 dBm or less, 31 for -51 dBm or more. Only for a known rssi.
int rssiDbm(int rssi);
SignalWord signalWordOfDbm(int dbm);
SignalWord signalWord(int rssi);
const char* signalWordText(SignalWord word);  // "excellent", "good", "fair", "poor", "unknown"

// "15 = -83 dBm (good)", "0 = -113 dBm or less (poor)", "31 = -51 dBm or more (excellent)",
// "99 = unknown"; terminated in `out`, returns its length.
size_t signalText(int rssi, char* out, size_t capacity);

// --- registration -------------------------------------------------------------------------

// "not registered", "home", "searching", "denied", "unknown", "roaming", "SMS only (home)",
// "SMS only (roaming)", "emergency only", "CSFB not preferred (home)", "CSFB not preferred
// (roaming)" for stat 0..10; null for any other code.
const char* registrationText(int stat);
// Registered on a network, at home or roaming: 1, 5 and their SMS-only and CSFB variants.
bool registrationHolds(int stat);

// --- errors -------------------------------------------------------------------------------

// The meaning of +CME ERROR: n ("SIM not inserted" for 10); null for a code not in the table.
const char* cmeErrorText(int n);
// The code of a verbose +CME ERROR (AT+CMEE=2), matched without regard to case; -1 unknown.
int cmeErrorOfText(const uint8_t* text, size_t length);

// --- verdict ------------------------------------------------------------------------------

// The first problem that keeps the unit from the server, in the order they block: the modem;
// the SIM; the registration; the signal; the packet attach. `ready` when there is none.
enum class Verdict : uint8_t {
    ready,                // SIM ready, registered at home or roaming, attached
    notChecked,           // no check has asked anything yet
    noAnswer,             // the modem answered nothing
    noSim,                // +CME ERROR: 10
    simFailure,           // +CME ERROR: 13 or 15
    simBusy,              // +CME ERROR: 14
    simUnknown,           // AT+CPIN? told nothing
    simPin,               // SIM PIN
    simPuk,               // SIM PUK
    simLocked,            // another code: PH-SIM PIN, SIM PIN2 ...
    searching,            // stat 2
    denied,               // stat 3
    notRegistered,        // stat 0, 4, 8 or a code not known
    registrationUnknown,  // neither AT+CGREG? nor AT+CREG? told
    noSignal,             // rssi 99 while not yet attached
    notAttached,          // +CGATT: 0
    attachUnknown,        // AT+CGATT? told nothing
};
constexpr size_t verdictCount = 17;

struct VerdictText {
    const char* reason;  // a few words: "searching for a network"
    const char* advice;  // one line, what to do about it: "check the antenna and the coverage"
};

// Registration is judged from AT+CGREG? when the modem answered it, else from AT+CREG?. A
// modem on the network for calls (AT+CREG? home or roaming) whose packet side is not
// registered and not attached has an attach problem, not a network one: that verdict comes
// from the attach.
Verdict statusVerdict(const ModemStatus& status);
const VerdictText& verdictText(Verdict verdict);

// --- lines --------------------------------------------------------------------------------

// "SIM", "signal", "registration", "packet registration", "operator", "attached", "IMEI",
// "IMSI", "ICCID".
const char* statusItemName(StatusItem item);

// One item as a line, the same in the CLI, the windows and the log: "signal: 15 = -83 dBm
// (good)", "packet registration: not available (ERROR)", "SIM: not available (+CME ERROR: 10,
// SIM not inserted)", "operator: no answer". Terminated in `out`; returns its length.
size_t statusItemLine(const ModemStatus& status, StatusItem item, char* out, size_t capacity);
constexpr size_t statusLineCapacity = 128;

// Every item's line in StatusItem order, each ended by '\n'.
size_t statusLines(const ModemStatus& status, char* out, size_t capacity);
constexpr size_t statusLinesCapacity = statusItemCount * statusLineCapacity;

}  // namespace tarnwick
