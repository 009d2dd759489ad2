#include "app/provisioning.h"

#include <cstring>
#include <iterator>

#include "app/commands.h"
#include "app/frontend.h"
#include "app/layout.h"
#include "app/tick.h"
#include "app/trace_decode.h"
#include "base/app_state.h"
#include "base/clock.h"
#include "base/trace.h"
#include "modem/identity_job.h"
#include "modem/modem_jobs.h"
#include "modem/settings_file.h"
#include "serial/buffers.h"
#include "serial/port.h"
#include "unit/unit_frame.h"

namespace tarnwick::provision {

std::atomic<bool> interruptRequested{false};

namespace {

// The text of an edit box of the main window, by its id, as Windows-1251 bytes; the window's
// own field does the reading, so this works the same in every front end.
TextField* fieldById(int id) {
    for (const ControlSpec& control : mainControls)
        if (control.id == id) return control.field;
    return nullptr;
}

std::string controlText(int id) {
    TextField* field = fieldById(id);
    if (field == nullptr) return {};
    uint8_t text[TextField::rawCapacity] = {};
    field->useRaw();
    field->pull();
    return std::string(reinterpret_cast<const char*>(text), field->copyOut(text));
}

void setControlText(int id, const std::string& text) {
    if (TextField* field = fieldById(id)) {
        field->useRaw();
        field->assign(reinterpret_cast<const uint8_t*>(text.data()), static_cast<uint32_t>(text.size()));
        field->show();
    }
}

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
    return &job == &modemIdentityJob ? identityJobIndex : noJob;
}

// What the trace says one job did from a given record on.
struct JobTrace {
    bool sent = false;           // it sent something, the escape included
    uint32_t stepsSent = 0;      // bit k: step k was sent (the escape is no step)
    uint32_t stepsRefused = 0;   // bit k: the modem answered ERROR to step k
    int deadlineStep = -1;       // the step that got no answer
    std::string lastStep;        // the last step sent, by name
    std::string deadline;        // the step that got no answer, by name
    std::string refused;         // the last step the modem answered ERROR
    std::string result;          // the last result it recorded
    int answerLength = -1;       // a unit read: the length of the unit answer it took

    bool stepSent(unsigned k) const { return k < 32 && (stepsSent & (1u << k)) != 0; }
    bool stepRefused(unsigned k) const { return k < 32 && (stepsRefused & (1u << k)) != 0; }
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

uint32_t stepBit(uint8_t step) { return step < 32 ? 1u << step : 0; }

JobTrace traceOf(const Job& job, uint32_t from) {
    JobTrace seen;
    int lastStep = -1;
    const uint8_t index = indexOf(job);
    for (uint32_t sequence = from; sequence <= traceNewest(); ++sequence) {
        const TraceRecord* record = traceRecord(sequence);
        if (record == nullptr) continue;
        if (record->kind == TraceKind::burst && (record->bits & errorBit) != 0 && lastStep >= 0) {
            seen.refused = seen.lastStep;
            seen.stepsRefused |= stepBit(static_cast<uint8_t>(lastStep));
        }
        if (record->job != index) continue;
        if (record->kind == TraceKind::burst && (record->bits & frameBit) != 0) {
            seen.answerLength = record->length;
        } else if (record->kind == TraceKind::jobStepSent) {
            seen.sent = true;
            seen.stepsSent |= stepBit(record->step);
            seen.lastStep = eventText(*record);
            lastStep = record->step;
        } else if (record->kind == TraceKind::jobDeadline) {
            seen.deadline = eventText(*record);
            seen.deadlineStep = record->step;
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
    runJobsUntil([&] { return interruptRequested.load() || rested(); }, jobLimitMs);
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

// A unit answer cut short before the value's byte leaves the field as the read found it,
// empty; that is no value the unit holds. A telephone answer that reaches its text is whole
// even when the text is empty: the unit has no number there.
bool answerHoldsValue(Value value, int answerLength) {
    const size_t valueAt = value == Value::period || value == Value::address ? numberAnswerByte
                                                                               : phoneAnswerStart;
    return answerLength > static_cast<int>(valueAt);
}

void readBackUnitValue(Run& run, Result& result) {
    // Emptied first: a read that gets no usable answer leaves the field as it was.
    setControlText(fieldOf(result.value), "");
    uint32_t from;
    if (!press(idFirstRead + rowOf(result.value), readJobOf(result.value), &from)) {
        if (result.outcome == Outcome::read) result.outcome = Outcome::notRead;
        return;
    }
    const JobTrace seen = traceOf(readJobOf(result.value), from);
    if (!seen.deadline.empty()) {
        // A plain read (read, diff, apply's first look) is no read-back of anything written.
        const char* read = result.outcome == Outcome::read ? "the read" : "the read-back";
        result.outcome = Outcome::noAnswer;
        fail(run, exitNoAnswer, std::string(valueName(result.value)) + ": no answer to " + read + " (" +
                                    seen.deadline + ")");
        return;
    }
    if (!answerHoldsValue(result.value, seen.answerLength)) {
        result.outcome = Outcome::notRead;
        fail(run, exitNoAnswer, std::string(valueName(result.value)) + ": the unit's answer was cut short (" +
                                    std::to_string(seen.answerLength < 0 ? 0 : seen.answerLength) +
                                    " bytes), the value is not in it");
        return;
    }
    result.readBack = controlText(fieldOf(result.value));
    if (result.outcome == Outcome::read) return;
    result.outcome = result.readBack == result.written ? Outcome::match : Outcome::mismatch;
    if (result.outcome == Outcome::mismatch)
        fail(run, exitFailed, std::string(valueName(result.value)) + ": MISMATCH, written " +
                                  result.written + ", read back " + result.readBack);
}

// Where a modem value goes in the set-up, by the steps the trace numbers: the step that sends
// it and the one that stores its profile, with internet; without, the steps that reset its
// profile and store the reset one.
struct SetUpPlace {
    Value value;
    uint8_t step, save;            // with internet
    uint8_t resetStep, resetSave;  // without
};
constexpr SetUpPlace setUpPlaces[] = {
    {Value::ip, 4, 10, 18, 19},  // service profile 9
    {Value::apn, 6, 11, 0, 6},   // connection profile 0
    {Value::user, 7, 11, 0, 6},
    {Value::password, 8, 11, 0, 6},
};

// What the set-up did to one value. A value sent but whose profile was never stored is in
// the modem's working settings only, and gone at its next start.
Outcome setUpOutcome(const SetUpPlace& place, const JobTrace& seen, bool noInternet) {
    const unsigned step = noInternet ? place.resetStep : place.step;
    const unsigned save = noInternet ? place.resetSave : place.save;
    // Without internet a modem may refuse to reset a profile it never used: that refusal
    // leaves it as wanted.
    const bool countsRefusal = !noInternet;
    if (!seen.stepSent(step)) return Outcome::notWritten;
    if (seen.deadlineStep == static_cast<int>(step)) return Outcome::noAnswer;
    if (countsRefusal && seen.stepRefused(step)) return Outcome::refused;
    if (!seen.stepSent(save)) return Outcome::notStored;
    if (seen.deadlineStep == static_cast<int>(save)) return Outcome::noAnswer;
    if (countsRefusal && seen.stepRefused(save)) return Outcome::refused;
    return Outcome::notReadBack;
}

// Runs the set-up; `seen` receives its trace. True when it came to its end with an answer to
// every step ("Ok!" or "Error!"), so that a read-back can follow.
bool setUpModem(Run& run, const Wanted& wanted, JobTrace* seen) {
    setCheckBoxChecked(mainWindow, idNoInternet, wanted.noInternet);
    for (Value value : {Value::ip, Value::apn, Value::user, Value::password})
        setControlText(fieldOf(value), wanted[value].value_or(""));
    uint32_t from;
    const bool rested = press(idModemWrite, modemSetupJob, &from);
    *seen = traceOf(modemSetupJob, from);
    if (!rested) {
        fail(run, exitInterrupted, "modem: interrupted during the set-up, " +
                                       (!seen->sent            ? std::string("nothing sent")
                                        : seen->stepsSent == 0 ? std::string("nothing but the escape sent")
                                                               : "last sent: " + seen->lastStep));
        return false;
    }
    if (controlText(idSetupStatus) == "Ok!") return true;
    if (!seen->deadline.empty()) {
        fail(run, exitNoAnswer, "modem: no answer to " + seen->deadline);
        return false;
    }
    fail(run, exitFailed, "modem: Error! (the modem answered ERROR to " +
                              (seen->refused.empty() ? std::string("a setting") : seen->refused) + ")");
    return true;
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

// The modem's values after the query that follows the set-up: what was written is compared,
// what was refused is shown beside its refusal.
void compareModemValues(Run& run, Outcome query) {
    const bool answered = query == Outcome::read || query == Outcome::nothingStored;
    for (Result& result : run.results) {
        if (result.value < Value::ip || result.value == Value::password) continue;
        if (result.outcome == Outcome::refused) {
            if (answered) result.queried = query;
            if (query == Outcome::read) result.readBack = controlText(fieldOf(result.value));
            continue;
        }
        if (result.outcome != Outcome::notReadBack) continue;
        if (!answered) {
            result.outcome = query;
            continue;
        }
        result.readBack = controlText(fieldOf(result.value));
        const bool same = result.readBack == result.written;
        result.outcome = same ? Outcome::match : Outcome::mismatch;
        if (!same)
            fail(run, exitFailed, std::string(valueName(result.value)) + ": MISMATCH, written \"" +
                                      result.written + "\", read back \"" + result.readBack + "\"");
    }
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
    case Outcome::notStored: return "not stored";
    case Outcome::notReadBack: return "not read back";
    case Outcome::notRead: return "not read";
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

std::string checkWanted(const Wanted& wanted, bool passwordNeeded) {
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
        if (!wanted[value] && (value != Value::password || passwordNeeded))
            return std::string(valueName(value)) +
                   ": the modem is set up as a whole; give --ip, --apn, --user and the password";
    for (Value value : {Value::ip, Value::apn, Value::user, Value::password})
        setControlText(fieldOf(value), wanted[value].value_or(""));
    if (!modemValuesSendable())
        return "modem: a value is too long or holds a double quote or a control character";
    return {};
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
    bool setUpEnded = false;
    if (wanted.touchesModem()) {
        JobTrace seen;
        if (going) {
            setUpEnded = setUpModem(run, wanted, &seen);
            going = !interruptRequested.load();
        }
        for (const SetUpPlace& place : setUpPlaces) {
            Outcome outcome = setUpOutcome(place, seen, wanted.noInternet);
            if (place.value == Value::password && outcome == Outcome::notReadBack) outcome = Outcome::notVerifiable;
            const std::string written = place.value == Value::password ? (wanted.noInternet ? "" : "***")
                                                                       : wanted[place.value].value_or("");
            add(run, place.value, outcome, written);
        }
    }
    for (Result& result : run.results) {
        if (!going) break;
        if (result.outcome != Outcome::notReadBack || result.value >= Value::ip) continue;
        readBackUnitValue(run, result);
        going = !interruptRequested.load();
    }
    // A refused set-up is read back too: the report says what the modem did keep.
    if (going && setUpEnded) {
        compareModemValues(run, queryModem(run));
        going = !interruptRequested.load();
    }
    if (!going || interruptRequested.load()) markInterrupted(run);
    return run;
}

namespace {

Run readSome(const bool (&unitWanted)[std::size(unitValues)], bool modem, bool* noInternet) {
    Run run;
    *noInternet = false;
    for (size_t i = 0; i < std::size(unitValues); ++i) {
        if (interruptRequested.load()) break;
        if (unitWanted[i]) readBackUnitValue(run, add(run, unitValues[i], Outcome::read));
    }
    if (modem && !interruptRequested.load()) {
        const Outcome query = queryModem(run);
        // A set-up without internet stores its reset profiles, which then load and list empty:
        // a modem holding no address, APN or user is one without internet too, stored or not.
        bool empty = query == Outcome::read;
        for (Value value : modemValues) {
            Result& result = add(run, value, query == Outcome::notReadBack ? Outcome::notRead : query);
            if (query == Outcome::read) result.readBack = controlText(fieldOf(value));
            empty = empty && result.readBack.empty();
        }
        *noInternet = query == Outcome::nothingStored || empty;
    }
    if (interruptRequested.load()) markInterrupted(run);
    return run;
}

const Result* resultOf(const Run& run, Value value) {
    for (const Result& result : run.results)
        if (result.value == value) return &result;
    return nullptr;
}

}  // namespace

Run readEverything(bool unitOnly, bool* noInternet) {
    const bool all[] = {true, true, true, true, true};
    return readSome(all, !unitOnly, noInternet);
}

Run readWanted(const Wanted& wanted, bool* noInternet) {
    bool named[std::size(unitValues)];
    for (size_t i = 0; i < std::size(unitValues); ++i) named[i] = wanted[unitValues[i]].has_value();
    return readSome(named, wanted.touchesModem(), noInternet);
}

std::vector<Difference> compareWithDevice(const Wanted& wanted, const Run& read, bool deviceNoInternet) {
    std::vector<Difference> lines;
    for (size_t v = 0; v < valueCount; ++v) {
        const Value value = static_cast<Value>(v);
        if (!wanted[value]) continue;
        Difference line{valueName(value), Comparison::notReadable, {}, *wanted[value]};
        if (value == Value::password) {
            line.comparison = Comparison::notVerifiable;
            line.profile = "set";
        } else if (const Result* result = resultOf(read, value)) {
            // Nothing stored: the modem holds no setting, which reads as an empty one.
            if (result->outcome == Outcome::read || result->outcome == Outcome::nothingStored) {
                line.device = result->readBack;
                line.comparison = line.device == line.profile ? Comparison::same : Comparison::differs;
            }
        }
        lines.push_back(line);
    }
    if (wanted.noInternet) {
        // Known only when the query came to an end: read, or nothing stored.
        bool known = true;
        for (Value value : modemValues) {
            const Result* result = resultOf(read, value);
            known = known && result != nullptr &&
                    (result->outcome == Outcome::read || result->outcome == Outcome::nothingStored);
        }
        const bool without = deviceNoInternet;
        lines.push_back(Difference{"no-internet",
                                   !known ? Comparison::notReadable
                                   : without ? Comparison::same
                                             : Comparison::differs,
                                   known ? (without ? "true" : "false") : "", "true"});
    }
    return lines;
}

const char* comparisonName(Comparison comparison) {
    switch (comparison) {
    case Comparison::same: return "same";
    case Comparison::differs: return "differs";
    case Comparison::notReadable: return "not readable";
    case Comparison::notVerifiable: return "not verifiable";
    }
    return "";
}

int comparisonExitCode(const Run& read, const std::vector<Difference>& differences) {
    if (read.exitCode != exitOk) return read.exitCode;
    for (const Difference& line : differences)
        if (line.comparison == Comparison::differs || line.comparison == Comparison::notReadable) return exitFailed;
    return exitOk;
}

namespace {

bool isModemValue(Value value) { return value >= Value::ip; }

const Difference* differenceOf(const std::vector<Difference>& lines, const char* name) {
    for (const Difference& line : lines)
        if (line.name == name) return &line;
    return nullptr;
}

bool needsWriting(const std::vector<Difference>& lines, const char* name) {
    const Difference* line = differenceOf(lines, name);
    return line != nullptr && line->comparison != Comparison::same;
}

// A unit value that the first read found right, read once more after the writes.
Result unchangedValue(Run& run, Value value, const std::string& wanted, const std::string& held, bool reread) {
    Result result{value, Outcome::match, wanted, held};
    result.unchanged = true;
    if (!reread) return result;
    result.outcome = Outcome::read;
    readBackUnitValue(run, result);
    if (result.outcome == Outcome::notRead && interruptRequested.load()) {
        // Interrupted before its read: it was right before the writes, and none was its own.
        result.outcome = Outcome::match;
        result.readBack = held;
    } else if (result.outcome == Outcome::read) {
        result.outcome = result.readBack == wanted ? Outcome::match : Outcome::mismatch;
        if (result.outcome == Outcome::mismatch)
            fail(run, exitFailed, std::string(valueName(value)) + ": MISMATCH, unchanged " + wanted + ", read back " +
                                      result.readBack);
    }
    return result;
}

// Each failure line once, and the gravest exit code.
void takeOver(Run& into, const Run& from) {
    for (const std::string& line : from.failures) into.failures.push_back(line);
    if (gravity(from.exitCode) > gravity(into.exitCode)) into.exitCode = from.exitCode;
}

// The modem values that differ, for the line that says why they could not be written.
std::string differingModemNames(const std::vector<Difference>& lines) {
    std::string names;
    for (const char* name : {"ip", "apn", "user", "no-internet"})
        if (needsWriting(lines, name)) names += (names.empty() ? "" : ", ") + std::string(name);
    return names;
}

}  // namespace

Applied applyDifferences(const Wanted& wanted) {
    Applied applied;
    applied.before = readWanted(wanted, &applied.beforeNoInternet);
    applied.differences = compareWithDevice(wanted, applied.before, applied.beforeNoInternet);
    Run& run = applied.run;
    bool silent = false;
    for (const Result& result : applied.before.results) silent = silent || result.outcome == Outcome::noAnswer;
    if (interruptRequested.load() || silent) {
        takeOver(run, applied.before);
        if (silent) fail(run, exitNoAnswer, "nothing written: the device did not answer the read before writing");
        for (size_t v = 0; v < valueCount; ++v)
            if (wanted.values[v]) add(run, static_cast<Value>(v), Outcome::notWritten, *wanted.values[v]);
        return applied;
    }

    Wanted toWrite;
    for (Value value : unitValues)
        if (wanted[value] && needsWriting(applied.differences, valueName(value))) toWrite[value] = wanted[value];
    const std::string modemDiffers = differingModemNames(applied.differences);
    bool setUp = wanted.noInternet || wanted[Value::password] || !modemDiffers.empty();
    if (setUp && !wanted.noInternet && !wanted[Value::password]) {
        setUp = false;
        fail(run, exitFailed, "modem: " + modemDiffers + " differ" + (modemDiffers.find(',') == std::string::npos ? "s" : "") +
                                  ", and the set-up, which sends ip, apn, user and the password together, needs the "
                                  "password (--password-file, the profile's password-file or TARNWICK_PASSWORD); "
                                  "the modem was not written");
    }
    if (setUp) {
        toWrite.noInternet = wanted.noInternet;
        for (Value value : {Value::ip, Value::apn, Value::user, Value::password}) toWrite[value] = wanted[value];
    }
    const Run written = writeAndVerify(toWrite);
    takeOver(run, written);
    const bool reread = !written.results.empty() && !interruptRequested.load();

    // In the window's order; a set-up without internet reports the values it reset, which the
    // profile does not name.
    for (size_t v = 0; v < valueCount; ++v) {
        const Value value = static_cast<Value>(v);
        const Result* done = resultOf(written, value);
        if (done == nullptr && !wanted[value]) continue;
        if (done != nullptr) {
            run.results.push_back(*done);
        } else if (isModemValue(value) && needsWriting(applied.differences, valueName(value))) {
            add(run, value, Outcome::notWritten, *wanted[value]);
        } else {
            const Result* held = resultOf(applied.before, value);
            run.results.push_back(unchangedValue(run, value, *wanted[value], held ? held->readBack : "",
                                                 reread && !isModemValue(value)));
        }
    }
    if (interruptRequested.load()) markInterrupted(run);
    return applied;
}

std::string readModemIdentity() {
    if (interruptRequested.load()) return "unknown";
    modemIdentityJob.trigger = 1;
    const auto rested = [] { return modemIdentityJob.trigger == 0 && modemIdentityJob.state == 0; };
    runJobsUntil([&] { return interruptRequested.load() || rested(); }, jobLimitMs);
    const std::string identity = rested() ? modemIdentity() : "";
    return identity.empty() ? "unknown" : identity;
}

namespace {

// One own-address read: whether a unit answered it. Its field is emptied first, as a read-back's.
enum class Presence { answers, silent, interrupted };

Presence pollUnit() {
    setControlText(fieldOf(Value::address), "");
    uint32_t from;
    if (!press(idFirstRead + rowOf(Value::address), readJobOf(Value::address), &from)) return Presence::interrupted;
    const JobTrace seen = traceOf(readJobOf(Value::address), from);
    return seen.deadline.empty() && seen.answerLength >= 0 ? Presence::answers : Presence::silent;
}

constexpr uint32_t pollPeriodMs = 1000;

}  // namespace

bool awaitUnit(bool present, const std::string& port) {
    while (!interruptRequested.load()) {
        const uint32_t started = monotonicMs();
        // An adapter pulled with the unit takes its device along; it may come back under the
        // same name.
        if (portHandle != invalidPort && portLost()) closeThePort();
        std::string status;
        const bool open = portHandle != invalidPort || openThePort(port, &status);
        const Presence presence = open ? pollUnit() : Presence::silent;
        if (presence == Presence::interrupted) return false;
        if ((presence == Presence::answers) == present) return true;
        const uint32_t spent = monotonicMs() - started;
        if (spent < pollPeriodMs)
            runJobsUntil([] { return interruptRequested.load(); }, static_cast<int>(pollPeriodMs - spent));
    }
    return false;
}

}  // namespace tarnwick::provision
