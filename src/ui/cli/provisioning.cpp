#include "ui/cli/provisioning.h"

#include <cstring>

#include "app/app_state.h"
#include "app/commands.h"
#include "app/layout.h"
#include "app/tick.h"
#include "app/trace.h"
#include "app/trace_decode.h"
#include "headless_loop.h"
#include "modem/modem_jobs.h"
#include "modem/settings_file.h"
#include "serial/buffers.h"
#include "ui/cli/headless_controls.h"
#include "unit/unit_frame.h"

namespace tarnwick::cli {

std::atomic<bool> interruptRequested{false};

namespace {

// Far beyond any job's own deadline (a set-up without internet takes about five seconds), so
// that only a job that never comes to rest runs into it.
constexpr int jobLimitMs = 120000;

constexpr Value unitValues[] = {Value::period, Value::address, Value::phone1, Value::phone2,
                                Value::smsPhone};
constexpr Value modemValues[] = {Value::ip, Value::apn, Value::user};

// The unit parameter's row in the window: its field, buttons and jobs.
int rowOf(Value value) { return static_cast<int>(value); }
int fieldOf(Value value) {
    switch (value) {
    case Value::ip: return idIpAddress;
    case Value::apn: return idApn;
    case Value::user: return idUser;
    case Value::password: return idPassword;
    default: return idFirstValue + rowOf(value);
    }
}
Job& readJobOf(Value value) { return *allJobs[periodReadIndex + 2 * rowOf(value)]; }
Job& writeJobOf(Value value) { return *allJobs[periodWriteIndex + 2 * rowOf(value)]; }

uint8_t indexOf(const Job& job) {
    for (int index = 0; index < jobCount; ++index)
        if (allJobs[index] == &job) return static_cast<uint8_t>(index);
    return noJob;
}

// What the trace says one job did from a given record on.
struct JobTrace {
    bool sent = false;           // it sent something
    std::string deadline;        // the step that got no answer
    std::string refused;         // the last step the modem answered ERROR
    std::string result;          // the last result it recorded
};

// The event part of a decoded line: "set-up step 6 (APN) sent" without its time and mark.
std::string eventText(const TraceRecord& record) {
    char line[traceLineCapacity];
    decodeTrace(record, line, sizeof line);
    const char* event = std::strstr(line, "--  ");
    std::string text = event != nullptr ? event + 4 : line;
    const std::string sent = " sent";
    if (text.size() > sent.size() && text.compare(text.size() - sent.size(), sent.size(), sent) == 0)
        text.resize(text.size() - sent.size());
    return text;
}

JobTrace traceOf(const Job& job, uint32_t from) {
    JobTrace seen;
    std::string lastStep;
    const uint8_t index = indexOf(job);
    for (uint32_t sequence = from; sequence <= traceNewest(); ++sequence) {
        const TraceRecord* record = traceRecord(sequence);
        if (record == nullptr) continue;
        if (record->kind == TraceKind::burst && (record->bits & errorBit) != 0 && !lastStep.empty())
            seen.refused = lastStep;
        if (record->job != index) continue;
        if (record->kind == TraceKind::jobStepSent) {
            seen.sent = true;
            lastStep = eventText(*record);
        } else if (record->kind == TraceKind::jobDeadline) {
            seen.deadline = eventText(*record);
        } else if (record->kind == TraceKind::jobResult) {
            seen.result.assign(reinterpret_cast<const char*>(record->bytes), record->length);
        }
    }
    return seen;
}

// Presses the button and steps the jobs until its job rests again. False when the run was
// interrupted first. `from` receives where the job's trace begins.
bool press(int button, const Job& job, uint32_t* from) {
    *from = traceNewest() + 1;
    handleCommand(button, notifyClick);
    const auto rested = [&job] { return job.trigger == 0 && job.state == 0; };
    headless::runLoop([&] { return interruptRequested.load() || rested(); }, jobLimitMs,
                      [] { mainTick(); });
    return rested();
}

bool allDigits(const std::string& text) {
    for (char c : text)
        if (c < '0' || c > '9') return false;
    return true;
}

Result& add(Run& run, Value value, Outcome outcome, const std::string& written = {}) {
    run.results.push_back(Result{value, outcome, written, {}});
    return run.results.back();
}

// Of several failures the exit code names the gravest: an interruption, then no answer (which
// says more than a mismatch that may follow from it), then a mismatch or a refusal.
int gravity(int exitCode) {
    switch (exitCode) {
    case exitInterrupted: return 3;
    case exitNoAnswer: return 2;
    case exitFailed: return 1;
    default: return 0;
    }
}

void fail(Run& run, int exitCode, const std::string& line) {
    run.failures.push_back(line);
    if (gravity(exitCode) > gravity(run.exitCode)) run.exitCode = exitCode;
}

// Writes one unit value. False when interrupted.
bool writeUnitValue(Run& run, Value value, const std::string& text) {
    setControlText(fieldOf(value), text);
    uint32_t from;
    const bool rested = press(idFirstWrite + rowOf(value), writeJobOf(value), &from);
    const bool sent = traceOf(writeJobOf(value), from).sent;
    add(run, value, rested || sent ? Outcome::notReadBack : Outcome::notWritten, text);
    return rested;
}

void readBackUnitValue(Run& run, Result& result) {
    // Emptied first: a read that gets no usable answer leaves the field as it was.
    setControlText(fieldOf(result.value), "");
    uint32_t from;
    if (!press(idFirstRead + rowOf(result.value), readJobOf(result.value), &from)) return;
    const JobTrace seen = traceOf(readJobOf(result.value), from);
    if (!seen.deadline.empty()) {
        result.outcome = Outcome::noAnswer;
        fail(run, exitNoAnswer, std::string(valueName(result.value)) + ": no answer to the read-back (" +
                                    seen.deadline + ")");
        return;
    }
    result.readBack = controlText(fieldOf(result.value));
    if (result.outcome == Outcome::read) return;
    result.outcome = result.readBack == result.written ? Outcome::match : Outcome::mismatch;
    if (result.outcome == Outcome::mismatch)
        fail(run, exitFailed, std::string(valueName(result.value)) + ": MISMATCH, written " +
                                  result.written + ", read back " + result.readBack);
}

// The set-up's end: "Ok!", or why not.
Outcome setUpModem(Run& run, const Wanted& wanted) {
    setCheckBoxChecked(headlessWindow(), idNoInternet, wanted.noInternet);
    for (Value value : {Value::ip, Value::apn, Value::user, Value::password})
        setControlText(fieldOf(value), wanted[value].value_or(""));
    uint32_t from;
    if (!press(idModemWrite, modemSetupJob, &from)) {
        const bool sent = traceOf(modemSetupJob, from).sent;
        fail(run, exitInterrupted, std::string("modem: interrupted during the set-up, ") +
                                       (sent ? "part of it sent" : "nothing sent"));
        return sent ? Outcome::notReadBack : Outcome::notWritten;
    }
    if (controlText(idSetupStatus) == "Ok!") return Outcome::notReadBack;
    const JobTrace seen = traceOf(modemSetupJob, from);
    if (!seen.deadline.empty()) {
        fail(run, exitNoAnswer, "modem: no answer to " + seen.deadline);
        return Outcome::noAnswer;
    }
    fail(run, exitFailed, "modem: Error! (the modem answered ERROR to " +
                              (seen.refused.empty() ? std::string("a setting") : seen.refused) + ")");
    return Outcome::refused;
}

// The query's end; the panel then holds what the modem has stored.
Outcome queryModem(Run& run) {
    uint32_t from;
    if (!press(idModemRead, modemQueryJob, &from)) return Outcome::notReadBack;
    const std::string status = controlText(idQueryStatus);
    if (status == "Ok!") return Outcome::read;
    if (status == "Empty0" || status == "Empty9") return Outcome::nothingStored;
    const JobTrace seen = traceOf(modemQueryJob, from);
    if (!seen.deadline.empty()) {
        fail(run, exitNoAnswer, "modem: no answer to " + seen.deadline);
        return Outcome::noAnswer;
    }
    fail(run, exitFailed, "modem: the query ended Error!");
    return Outcome::refused;
}

void markInterrupted(Run& run) {
    if (run.exitCode != exitInterrupted) fail(run, exitInterrupted, "interrupted: the port was closed");
}

}  // namespace

const char* valueName(Value value) {
    static const char* const names[valueCount] = {"period", "address", "phone1", "phone2", "sms-phone",
                                                  "ip",     "apn",     "user",   "password"};
    return names[static_cast<size_t>(value)];
}

const char* outcomeName(Outcome outcome) {
    switch (outcome) {
    case Outcome::read: return "read";
    case Outcome::match: return "match";
    case Outcome::mismatch: return "MISMATCH";
    case Outcome::notVerifiable: return "not verifiable";
    case Outcome::notWritten: return "not written";
    case Outcome::notReadBack: return "not read back";
    case Outcome::noAnswer: return "no answer";
    case Outcome::refused: return "refused";
    case Outcome::nothingStored: return "nothing stored";
    }
    return "";
}

bool Wanted::touchesModem() const {
    if (noInternet) return true;
    for (Value value : {Value::ip, Value::apn, Value::user, Value::password})
        if ((*this)[value]) return true;
    return false;
}

std::string checkWanted(const Wanted& wanted) {
    for (Value value : {Value::period, Value::address}) {
        const std::optional<std::string>& text = wanted[value];
        if (!text) continue;
        if (text->size() != 3 || !allDigits(*text))
            return std::string(valueName(value)) + ": \"" + *text + "\" is not three digits (000..999)";
        if (value == Value::address && std::stoi(*text) > 255)
            return "address: " + *text + " is above 255; the unit answers one byte";
    }
    for (Value value : {Value::phone1, Value::phone2, Value::smsPhone}) {
        const std::optional<std::string>& text = wanted[value];
        if (text && text->size() > maxPhoneLength)
            return std::string(valueName(value)) + ": more than " + std::to_string(maxPhoneLength) +
                   " characters";
    }
    if (!wanted.touchesModem()) return {};
    if (wanted.noInternet) {
        for (Value value : {Value::ip, Value::apn, Value::user, Value::password})
            if (wanted[value])
                return std::string(valueName(value)) + ": no modem values go with --no-internet";
        return {};
    }
    // The set-up sends all four together; a value left out would be whatever the panel held.
    for (Value value : {Value::ip, Value::apn, Value::user, Value::password})
        if (!wanted[value])
            return std::string(valueName(value)) +
                   ": the modem is set up as a whole; give --ip, --apn, --user and the password";
    for (Value value : {Value::ip, Value::apn, Value::user, Value::password})
        setControlText(fieldOf(value), *wanted[value]);
    if (!modemValuesSendable())
        return "modem: a value is too long or holds a double quote or a control character";
    return {};
}

void startHeadless(bool saveIni) {
    settingsSaveEnabled = saveIni;
    mainWindow = headlessWindow();
    createMainControls(mainWindow, false);
}

bool openThePort(const std::string& port, std::string* status) {
    setControlText(idPortName, port);
    if (!port.empty() && port[0] == '/')
        openNamedPort(port.c_str(), port.c_str());
    else
        openPortCommand();
    *status = controlText(idPortStatus);
    return portHandle != invalidPort;
}

void closeThePort() {
    if (portHandle != invalidPort) closePortCommand();
}

Run writeAndVerify(const Wanted& wanted) {
    Run run;
    bool going = true;
    for (Value value : unitValues) {
        if (!wanted[value]) continue;
        if (going) going = writeUnitValue(run, value, *wanted[value]);
        else add(run, value, Outcome::notWritten, *wanted[value]);
    }
    Outcome modem = Outcome::notWritten;
    if (wanted.touchesModem() && going) {
        modem = setUpModem(run, wanted);
        going = !interruptRequested.load();
    }
    if (wanted.touchesModem()) {
        for (Value value : modemValues) add(run, value, modem, wanted[value].value_or(""));
        add(run, Value::password, modem == Outcome::notReadBack ? Outcome::notVerifiable : modem,
            wanted.noInternet ? "" : "***");
    }
    for (Result& result : run.results) {
        if (!going) break;
        if (result.outcome != Outcome::notReadBack || result.value >= Value::ip) continue;
        readBackUnitValue(run, result);
        going = !interruptRequested.load();
    }
    // A refused set-up is read back too: the report says what the modem did keep.
    if (going && (modem == Outcome::notReadBack || modem == Outcome::refused)) {
        const Outcome query = queryModem(run);
        going = !interruptRequested.load();
        for (Result& result : run.results) {
            if (result.value < Value::ip || result.value == Value::password) continue;
            if (query == Outcome::read || query == Outcome::nothingStored) {
                result.readBack = controlText(fieldOf(result.value));
                const bool same = result.readBack == result.written;
                if (modem == Outcome::notReadBack) result.outcome = same ? Outcome::match : Outcome::mismatch;
                if (modem == Outcome::notReadBack && !same)
                    fail(run, exitFailed, std::string(valueName(result.value)) + ": MISMATCH, written \"" +
                                              result.written + "\", read back \"" + result.readBack + "\"");
            } else if (modem == Outcome::notReadBack) {
                result.outcome = query;
            }
        }
    }
    if (!going || interruptRequested.load()) markInterrupted(run);
    return run;
}

Run readEverything(bool unitOnly, bool* noInternet) {
    Run run;
    *noInternet = false;
    for (Value value : unitValues) {
        if (interruptRequested.load()) break;
        readBackUnitValue(run, add(run, value, Outcome::read));
    }
    if (!unitOnly && !interruptRequested.load()) {
        const Outcome query = queryModem(run);
        *noInternet = query == Outcome::nothingStored;
        for (Value value : modemValues) {
            Result& result = add(run, value, query);
            if (query == Outcome::read) result.readBack = controlText(fieldOf(value));
        }
    }
    if (interruptRequested.load()) markInterrupted(run);
    return run;
}

}  // namespace tarnwick::cli
