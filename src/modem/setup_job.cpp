#include <cstring>

#include "app/app_state.h"
#include "app/control.h"
#include "app/layout.h"
#include "modem/at_commands.h"
#include "modem/modem_jobs.h"
#include "modem/settings_file.h"
#include "serial/buffers.h"
#include "unit/job_engine.h"

namespace tarnwick {

namespace {

// Where a command takes the value of a modem panel field.
enum class Edit : uint8_t { none, address, apn, user, password };

struct SetupStep {
    AtCommandId command;
    uint8_t clears;   // response bits cleared before the send
    uint8_t accepts;  // any one of them completes the step
    Edit edit;
};

constexpr uint8_t answerBits = blankOkBit | errorBit;
constexpr uint8_t echoBits = okBit | errorBit;

// An ERROR answer completes a step like OK does: a modem that refuses a setting still gets
// the rest of them.
const SetupStep internetSteps[] = {
    {atEchoOff, okBit, okBit, Edit::none},
    {atService0Type, answerBits, answerBits, Edit::none},
    {atService0Address, answerBits, answerBits, Edit::none},
    {atService9Type, answerBits, answerBits, Edit::none},
    {atService9Address, answerBits, answerBits, Edit::address},
    {atConnectionType, answerBits, answerBits, Edit::none},
    {atConnectionApn, answerBits, answerBits, Edit::apn},
    {atConnectionUser, answerBits, answerBits, Edit::user},
    {atConnectionPassword, answerBits, answerBits, Edit::password},
    {atServiceSave0, answerBits, answerBits, Edit::none},
    {atServiceSave9, answerBits, answerBits, Edit::none},
    {atConnectionSave0, answerBits, answerBits, Edit::none},
};

const SetupStep noInternetSteps[] = {
    {atAllReset0, answerBits, answerBits, Edit::none},
    {atAllReset1, answerBits, answerBits, Edit::none},
    {atAllReset2, answerBits, answerBits, Edit::none},
    {atAllReset3, answerBits, answerBits, Edit::none},
    {atAllReset4, answerBits, answerBits, Edit::none},
    {atAllReset5, answerBits, answerBits, Edit::none},
    {atAllSave0, answerBits, answerBits, Edit::none},
    {atAllSave1, answerBits, answerBits, Edit::none},
    {atAllSave2, answerBits, answerBits, Edit::none},
    {atAllSave3, answerBits, answerBits, Edit::none},
    {atAllSave4, answerBits, answerBits, Edit::none},
    {atAllSave5, answerBits, answerBits, Edit::none},
    {atServiceReset6, answerBits, answerBits, Edit::none},
    {atServiceSave6, answerBits, answerBits, Edit::none},
    {atServiceReset7, answerBits, answerBits, Edit::none},
    {atServiceSave7, answerBits, answerBits, Edit::none},
    {atServiceReset8, answerBits, answerBits, Edit::none},
    {atServiceSave8, answerBits, answerBits, Edit::none},
    {atServiceReset9, answerBits, answerBits, Edit::none},
    // Storing the reset profile 9 is the one step an ERROR does not complete.
    {atServiceSave9, answerBits, blankOkBit, Edit::none},
    {atEchoOff, echoBits, echoBits, Edit::none},
    {atTextMode, echoBits, echoBits, Edit::none},
    {atIgnoreDtr, echoBits, echoBits, Edit::none},
    {atStoreSettings, echoBits, echoBits, Edit::none},
};

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

const SetupVariant internetVariant = {internetSteps, sizeof internetSteps / sizeof *internetSteps,
                                      1, true};
const SetupVariant noInternetVariant = {
    noInternetSteps, sizeof noInternetSteps / sizeof *noInternetSteps, 64, false};

uint8_t escapeSendState(const SetupVariant& v) { return v.base; }
uint8_t escapePauseState(const SetupVariant& v) { return static_cast<uint8_t>(v.base + 1); }
uint8_t sendState(const SetupVariant& v, unsigned k) {
    return static_cast<uint8_t>(v.base + 2 + 2 * k);
}
uint8_t waitState(const SetupVariant& v, unsigned k) {
    return static_cast<uint8_t>(v.base + 3 + 2 * k);
}

void finish(Job& job, const char* text) { endJob(job, setupStatusField, text); }

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

// The field's text goes in front of the entry's last `tail` bytes, in place of the
// placeholder blank if the entry has one. False when the command would not fit the
// TxBuffer's length byte: then nothing is composed.
bool composeEdited(AtCommandId id, TextField& field, size_t tail, bool placeholder,
                   uint8_t* command) {
    uint8_t value[TextField::rawCapacity];
    const size_t n = readFieldText(field, value);
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
    switch (step.edit) {
    case Edit::address: return composeEdited(step.command, ipAddressField, 9, true, command);
    case Edit::apn: return composeEdited(step.command, apnField, 3, false, command);
    case Edit::user: return composeEdited(step.command, userField, 3, false, command);
    case Edit::password: return composeEdited(step.command, passwordField, 3, false, command);
    case Edit::none: break;
    }
    copyEntry(step.command, command);
    return true;
}

void sendStep(Job& job, const SetupVariant& v, unsigned k) {
    const SetupStep& step = v.steps[k];
    showProgressMark(k);
    // Saved before the first answered command, so the values survive a modem that never
    // answers.
    if (v.internet && k == 0) saveSettings();
    uint8_t command[txBufferSize];
    if (!composeCommand(step, command)) {
        finish(job, "Error!");
        return;
    }
    responseStatus &= static_cast<uint8_t>(~step.clears);
    sendCommand(job, command, readDeadlineTicks);
    job.state = waitState(v, k);
}

void waitStep(Job& job, const SetupVariant& v, unsigned k) {
    // The deadline goes first: an accepted bit found on the tick of the time-out is too late.
    if (deadlinePassed(job.deadline, tickCount)) {
        finish(job, "Error!");
        return;
    }
    if ((responseStatus & v.steps[k].accepts) == 0) return;
    if (k + 1 == v.stepCount) {
        if (v.internet)
            job.state = sendState(v, v.stepCount);
        else
            finish(job, "Ok!");
    } else if (v.internet && k == 0) {
        sendStep(job, v, 1);
    } else {
        job.state = sendState(v, k + 1);
    }
}

void leaveRest(Job& job, WindowHandle window) {
    if (job.trigger == 0) return;
    if (modemQueryJob.trigger != 0) {
        job.trigger = 0;
        return;
    }
    // The variant is fixed here; clicking the box during the run changes nothing.
    const SetupVariant& v =
        isCheckBoxChecked(window, idNoInternet) ? noInternetVariant : internetVariant;
    job.state = escapeSendState(v);
}

}  // namespace

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
        finish(job, "Error!");
    } else if (job.state == escapeSendState(v)) {
        // The escape is answered by nothing the classifier knows; the pause is the guard time
        // the modem needs around it.
        sendCommand(job, atCommand(atEscape), escapePauseTicks);
        job.state = escapePauseState(v);
    } else if (job.state == escapePauseState(v)) {
        if (deadlinePassed(job.deadline, tickCount)) job.state = sendState(v, 0);
    } else if (job.state == sendState(v, v.stepCount)) {
        finish(job, "Ok!");
    } else if ((offset - 2) % 2 == 0) {
        sendStep(job, v, (offset - 2) / 2);
    } else {
        waitStep(job, v, (offset - 2) / 2);
    }
}

}  // namespace tarnwick
