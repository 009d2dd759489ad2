#pragma once
// The modem status check: will this modem reach the server? It asks the modem, with standard
// commands only (3GPP TS 27.007 and V.250), for its SIM, signal, circuit and packet
// registration, operator, packet attach, IMEI, IMSI and ICCID, and keeps what it found here.
// status_meaning.h says what the answers mean and gives the verdict.
//
// The job stands beside the twelve, as the identity query does: a program raises it by setting
// modemStatusJob.trigger (base/app_state.h); it refuses to start while any other job's trigger
// is raised, and none of the twelve looks at its own. The tick steps it after the identity
// query.
//
// On the line: the escape and its guard time, as the other modem jobs begin, then AT+CMEE?
// (step 0); when the modem reports its errors as plain ERROR or as text, AT+CMEE=1 (step 1), so
// that a missing SIM is told apart from any other ERROR; then one command an item (steps 2 to
// 10, in StatusItem order); and last AT+CMEE=<the mode found> (step 11) when step 1 was sent
// and not refused. Nothing else is ever sent: no ATE0, no AT&W, no PIN, no network search. A
// modem that still echoes is understood as well.
//
// Each answer is an information line, then OK; ERROR or +CME ERROR: <n> makes the item "not
// available". An item without a final result before its deadline is "no answer" and the check
// goes on with the next. Step 0 waits up to readDeadlineTicks (3.2 s, as long as the query
// waits for a listing), and so does every later step once the modem has answered anything in
// this check; until it has, a step waits statusSilentTicks (0.8 s). A modem that answers
// nothing at all is done about 12 s after the trigger, while a slow one that answers is given
// the query's full time for every command.
//
// When another job leaves rest while the check runs, the check gives way at once: it stops
// asking, puts AT+CMEE back on that very tick (one tick before the other job's first byte), and
// ends as JobEnding::gaveWay without waiting for that answer.
#include <cstddef>
#include <cstdint>

namespace tarnwick {

enum class StatusItem : uint8_t {
    sim,                 // AT+CPIN?
    signal,              // AT+CSQ
    registration,        // AT+CREG?
    packetRegistration,  // AT+CGREG?
    operatorName,        // AT+COPS?
    attached,            // AT+CGATT?
    imei,                // AT+CGSN
    imsi,                // AT+CIMI
    iccid,               // AT+CRSM=176,12258,0,0,10
};
constexpr size_t statusItemCount = 9;

enum class ItemState : uint8_t {
    notAsked,      // the check never sent its command (it has not run, or it gave way first)
    answered,      // its value came, then OK
    notAvailable,  // ERROR, +CME ERROR, or OK without the value
    noAnswer,      // nothing final before its deadline
};

enum class SimState : uint8_t {
    unknown,   // not told: AT+CPIN? not answered, or refused without a SIM error
    ready,
    pin,       // SIM PIN
    puk,       // SIM PUK
    otherPin,  // PH-SIM PIN, SIM PIN2, SIM PUK2, PH-NET PIN ...: the code is in simCode
    absent,    // +CME ERROR: 10
    failure,   // +CME ERROR: 13 or 15
    busy,      // +CME ERROR: 14
};

// cmeErrors[k] beside -1 (a plain ERROR, or no error): OK came without the line carrying the
// value.
constexpr int cmeNoValue = -2;

struct ModemStatus {
    ItemState states[statusItemCount] = {};
    int cmeErrors[statusItemCount] = {-1, -1, -1, -1, -1, -1, -1, -1, -1};  // +CME ERROR: n
    SimState sim = SimState::unknown;
    char simCode[16] = "";             // what +CPIN: said, "READY", "SIM PIN", "PH-SIM PIN" ...
    int rssi = 99, ber = 99;           // as +CSQ gives them
    int registration = -1, packetRegistration = -1;  // stat 0..10, -1 not known
    char operatorName[64] = "";        // as the modem gives it, or its numeric code; "" none
    int attached = -1;                 // 0, 1, or -1 not known
    char imei[32] = "", imsi[32] = "", iccid[32] = "";
    int iccidWords[2] = {-1, -1};      // sw1, sw2 of AT+CRSM when they were no success
    int errorMode = -1;                // what AT+CMEE? found, -1 not read
    bool modemAnswered = false;        // something the check asked got a final result
};
static_assert(sizeof(ModemStatus::cmeErrors) / sizeof(int) == statusItemCount, "one error a status item");

// The last check's status, complete once the job rests; reset when the job leaves rest. A
// start that is refused leaves the last check's as it was (the job's report says so).
const ModemStatus& modemStatus();

// One step of the status check; the tick calls it after the identity query.
void stepModemStatusJob();

// How long a step waits while the modem has answered nothing in this check.
constexpr uint32_t statusSilentTicks = 15;

}  // namespace tarnwick
