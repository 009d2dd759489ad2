#pragma once
// The status check's steps, their commands, and what a burst says in answer to one of them,
// read from its bytes alone: the job reads each answer with it, and the trace decoder names
// each answer by it.
#include <cstddef>
#include <cstdint>

#include "modem/status_job.h"

namespace tarnwick {

// The check's steps in the order they go out; the items are steps 2 to 10, in StatusItem order.
enum : unsigned {
    readErrorModeStep = 0,   // AT+CMEE?
    numericErrorsStep = 1,   // AT+CMEE=1
    firstItemStep = 2,       // AT+CPIN? ... AT+CRSM=176,12258,0,0,10
    restoreErrorModeStep = firstItemStep + statusItemCount,  // AT+CMEE=<the mode found>
    statusStepCount,
};

constexpr unsigned stepOfItem(StatusItem item) { return firstItemStep + static_cast<unsigned>(item); }
constexpr bool isItemStep(unsigned step) { return step >= firstItemStep && step < restoreErrorModeStep; }
constexpr StatusItem itemOfStep(unsigned step) { return static_cast<StatusItem>(step - firstItemStep); }

// The counted command of a step: a length byte n, then the n bytes ending in CR LF. The
// restore's own is composed by composeRestoreCommand; for it this gives AT+CMEE=0.
const uint8_t* statusCommand(unsigned step);

// AT+CMEE=<mode> as a counted command, into `counted` (room for statusCommandCapacity).
constexpr size_t statusCommandCapacity = 32;
void composeRestoreCommand(int mode, uint8_t* counted);

// What the trace calls a step: "error mode", "numeric errors", "SIM", "signal" ... "ICCID",
// "error mode back".
const char* statusStepName(unsigned step);

enum class FinalResult : uint8_t { none, ok, error, cmeError };

// What the bursts to one step have said so far.
struct StatusAnswer {
    bool echo = false;   // the command's echo came in front
    bool info = false;   // the step's information line came
    FinalResult final = FinalResult::none;
    int cme = -1;        // the n of +CME ERROR (a verbose one read back to its n), -1 not known
    int first = -1;      // the line's numbers: the mode; rssi; n of +CREG; attach; sw1 ...
    int second = -1;     // ... ber; stat; the operator's format; sw2
    SimState sim = SimState::unknown;  // what +CPIN: said
    char text[64] = "";  // +CPIN's code, the operator, the IMEI or IMSI, the ICCID's digits
};

// Reads one burst as (part of) the answer to `step`, adding to `answer`. Lines behind the final
// result are not looked at, nor a line the burst cut off. A burst that is the late answer of
// another command (its echo, or only another command's information line) is left out: false,
// and `answer` stays as it was.
bool readStatusAnswer(unsigned step, const uint8_t* bytes, size_t length, StatusAnswer& answer);

// The answer as the trace names it: "signal 15 = -83 dBm (good)", "SIM PIN wanted",
// "+CME ERROR: 10 (SIM not inserted)", "IMSI 250017012345678". Terminated; returns its length.
size_t describeStatusAnswer(unsigned step, const StatusAnswer& answer, char* out, size_t capacity);

// The digits of an EF ICCID as READ BINARY gives them in hex: each byte's two digits swapped,
// the F padding dropped. False (and `out` empty) for anything but hex digits standing for
// decimal ones and F.
bool iccidDigits(const uint8_t* hex, size_t length, char* out, size_t capacity);

}  // namespace tarnwick
