#include <cstring>

#include "base/app_state.h"
#include "base/control.h"
#include "base/ids.h"
#include "base/job_report.h"
#include "base/trace.h"
#include "modem/at_commands.h"
#include "modem/modem_jobs.h"
#include "modem/settings_file.h"
#include "modem/setup_steps.h"
#include "serial/buffers.h"
#include "unit/job_engine.h"

namespace tarnwick {

namespace {

// Set when a step that matters was answered ERROR; cleared when a run starts.
bool commandRefused = false;

// The state byte: 0 at rest; from a variant's base on, the escape send, the escape pause,
// then a send state and a wait state per step, and for the internet variant a closing state
// that shows "Ok!" one tick after the last answer.
struct SetupVariant {
    const SetupStep* steps;
    uint8_t stepCount;
    uint8_t base;
    bool internet;  // saves the panel at step 0, sends step 1 on the tick step 0 is answered,
                    // shows "Ok!" on the tick after the last answer instead of on it
};

constexpr uint8_t rest = 0;

const SetupVariant internetVariant = {internetSetupSteps, internetSetupStepCount, 1, true};
const SetupVariant noInternetVariant = {noInternetSetupSteps, noInternetSetupStepCount, 64, false};
// Each variant's states (escape send, escape pause, a send and a wait a step, and the closing
// state) fit between its base and the next.
static_assert(1 + 3 + 2 * internetSetupStepCount <= 64, "the internet states run into the others");
static_assert(64 + 3 + 2 * noInternetSetupStepCount <= 256, "the states do not fit the state byte");

uint8_t escapeSendState(const SetupVariant& v) { return v.base; }
uint8_t escapePauseState(const SetupVariant& v) { return static_cast<uint8_t>(v.base + 1); }
uint8_t sendState(const SetupVariant& v, unsigned k) {
    return static_cast<uint8_t>(v.base + 2 + 2 * k);
}
uint8_t waitState(const SetupVariant& v, unsigned k) {
    return static_cast<uint8_t>(v.base + 3 + 2 * k);
}

void finish(Job& job, JobEnding ending) {
    reportEnding(job, ending);
    endJob(job, setupStatusField, ending == JobEnding::ok ? "Ok!" : "Error!");
}

// Step k shows k / 4 full stops and one stroke of a turning bar.
void showProgressMark(unsigned k) {
    uint8_t mark[8];
    size_t used = 0;
    for (unsigned dots = k / 4; dots > 0 && used < sizeof mark - 1; --dots) mark[used++] = '.';
    mark[used++] = static_cast<uint8_t>("|/-\\"[k % 4]);
    showText(setupStatusField, mark, used);
}

void copyEntry(AtCommandId id, uint8_t* command) {
    const uint8_t* entry = atCommand(id);
    std::memcpy(command, entry, 1u + entry[0]);
}

// A value goes between double quotes on one command line: a double quote would end it early
// and a control byte (a line break typed into the address box, say) would end the line.
bool valueFitsACommandLine(const uint8_t* value, size_t n) {
    for (size_t i = 0; i < n; ++i)
        if (value[i] == '"' || value[i] < 0x20) return false;
    return true;
}

// The field's text goes in front of the entry's last `tail` bytes, in place of the
// placeholder blank if the entry has one. False when the command would not fit the
// TxBuffer's length byte, or the value cannot stand inside it: then nothing is composed.
bool composeEdited(AtCommandId id, TextField& field, size_t tail, bool placeholder,
                   uint8_t* command) {
    uint8_t value[TextField::rawCapacity];
    const size_t n = readFieldText(field, value);
    if (!valueFitsACommandLine(value, n)) return false;
    if (n == 0 && placeholder) {
        copyEntry(id, command);
        return true;
    }
    const uint8_t* entry = atCommand(id);
    const size_t head = entry[0] - tail - (placeholder ? 1 : 0);
    const size_t length = head + n + tail;
    if (length > txBufferSize - 1) return false;
    command[0] = static_cast<uint8_t>(length);
    std::memcpy(command + 1, entry + 1, head);
    if (n > 0) std::memcpy(command + 1 + head, value, n);
    std::memcpy(command + 1 + head + n, entry + 1 + entry[0] - tail, tail);
    return true;
}

bool composeCommand(const SetupStep& step, uint8_t* command) {
    switch (step.carries) {
    case SetupValue::address: return composeEdited(step.command, ipAddressField, 9, true, command);
    case SetupValue::apn: return composeEdited(step.command, apnField, 3, false, command);
    case SetupValue::user: return composeEdited(step.command, userField, 3, false, command);
    case SetupValue::password: return composeEdited(step.command, passwordField, 3, false, command);
    case SetupValue::none: break;
    }
    copyEntry(step.command, command);
    return true;
}

// Every value the variant will send can be composed. Checked before the escape, so that a
// refused value leaves the modem and the settings file as they were.
bool valuesComposable(const SetupVariant& v) {
    uint8_t command[txBufferSize];
    for (unsigned k = 0; k < v.stepCount; ++k)
        if (v.steps[k].carries != SetupValue::none && !composeCommand(v.steps[k], command)) return false;
    return true;
}

void finishRun(Job& job) { finish(job, commandRefused ? JobEnding::error : JobEnding::ok); }

void sendStep(Job& job, const SetupVariant& v, unsigned k) {
    const SetupStep& step = v.steps[k];
    showProgressMark(k);
    // Saved before the first answered command, so the values survive a modem that never
    // answers.
    if (v.internet && k == 0) saveSettings();
    uint8_t command[txBufferSize];
    if (!composeCommand(step, command)) {
        finish(job, JobEnding::error);
        return;
    }
    responseStatus &= static_cast<uint8_t>(~step.clears);
    sendCommand(job, command, readDeadlineTicks);
    traceJob(TraceKind::jobStepSent, job, k, !v.internet);
    reportStepSent(job, k);
    job.state = waitState(v, k);
}

void waitStep(Job& job, const SetupVariant& v, unsigned k) {
    // The deadline goes first: an accepted bit found on the tick of the time-out is too late.
    if (deadlinePassed(job.deadline, tickCount)) {
        traceJob(TraceKind::jobDeadline, job, k, !v.internet);
        reportDeadline(job, k);
        finish(job, JobEnding::error);
        return;
    }
    if ((responseStatus & v.steps[k].accepts) == 0) return;
    if ((responseStatus & errorBit) != 0) {
        reportRefused(job, k);
        if (v.steps[k].matters) commandRefused = true;
    }
    if (k + 1 == v.stepCount) {
        if (v.internet)
            job.state = sendState(v, v.stepCount);
        else
            finishRun(job);
    } else if (v.internet && k == 0) {
        sendStep(job, v, 1);
    } else {
        job.state = sendState(v, k + 1);
    }
}

void leaveRest(Job& job, WindowHandle window) {
    if (job.trigger == 0) return;
    if (modemQueryJob.trigger != 0) {
        refuseStart(job);
        return;
    }
    // The variant is fixed here; clicking the box during the run changes nothing.
    const SetupVariant& v =
        isCheckBoxChecked(window, idNoInternet) ? noInternetVariant : internetVariant;
    commandRefused = false;
    beginJob(job, !v.internet);
    job.state = escapeSendState(v);
}

}  // namespace

bool modemValuesSendable() { return valuesComposable(internetVariant); }

void stepModemSetupJob(WindowHandle window) {
    Job& job = modemSetupJob;
    if (job.state == rest) {
        leaveRest(job, window);
        return;
    }
    const SetupVariant& v = job.state >= noInternetVariant.base ? noInternetVariant
                                                                 : internetVariant;
    const unsigned offset = job.state - v.base;
    if (offset > 2u + 2u * v.stepCount) {
        finish(job, JobEnding::error);
    } else if (job.state == escapeSendState(v)) {
        if (!valuesComposable(v)) {
            finish(job, JobEnding::error);
            return;
        }
        // The escape is answered by nothing the classifier knows; the pause is the guard time
        // the modem needs around it.
        sendCommand(job, atCommand(atEscape), escapePauseTicks);
        traceJob(TraceKind::jobStepSent, job, escapeStep, !v.internet);
        reportStepSent(job, escapeStep);
        job.state = escapePauseState(v);
    } else if (job.state == escapePauseState(v)) {
        if (deadlinePassed(job.deadline, tickCount)) job.state = sendState(v, 0);
    } else if (job.state == sendState(v, v.stepCount)) {
        finishRun(job);
    } else if ((offset - 2) % 2 == 0) {
        sendStep(job, v, (offset - 2) / 2);
    } else {
        waitStep(job, v, (offset - 2) / 2);
    }
}

}  // namespace tarnwick
