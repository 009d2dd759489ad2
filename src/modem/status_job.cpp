#include "modem/status_job.h"

#include <cstring>

#include "base/app_state.h"
#include "base/job_report.h"
#include "base/trace.h"
#include "modem/at_commands.h"
#include "modem/status_answers.h"
#include "modem/status_meaning.h"
#include "serial/buffers.h"
#include "serial/burst.h"
#include "serial/classifier.h"
#include "unit/job_engine.h"

namespace tarnwick {

namespace {

// Then statusWaitingBase + k while step k's answer is awaited.
enum : uint8_t { rest, escapeSend, escapePause };
static_assert(statusWaitingBase > escapePause && statusWaitingBase + statusStepCount <= 0xFF,
              "the waiting states run into the others");

// Every bit an answer to a status command can set: OK and ERROR for the steps without a value,
// the identity bit for the bare digits of AT+CGSN and AT+CIMI, the status bit for the rest.
constexpr uint8_t answerBits = okBit | errorBit | identityBit | statusBit;

ModemStatus status;
StatusAnswer answer;       // what has come so far to the step under way
bool restoreOwed = false;  // AT+CMEE=1 went out and was not refused

bool anyOtherTriggerRaised() {
    for (const Job* other : allJobs)
        if (other->trigger != 0) return true;
    return modemIdentityJob.trigger != 0;
}

bool anotherJobUnderWay() {
    for (const Job* other : allJobs)
        if (other->trigger != 0 || other->state != 0) return true;
    return modemIdentityJob.trigger != 0 || modemIdentityJob.state != 0;
}

void finish(Job& job, JobEnding ending) {
    reportEnding(job, ending);
    const char* text = ending == JobEnding::gaveWay ? "gave way to another job" : verdictText(statusVerdict(status)).reason;
    traceJobResult(job, reinterpret_cast<const uint8_t*>(text), std::strlen(text));
    job.trigger = 0;
    job.state = rest;
}

void sendStep(Job& job, unsigned step, uint32_t ticks) {
    uint8_t restore[statusCommandCapacity];
    const uint8_t* command = step == escapeStep ? atCommand(atEscape) : statusCommand(step);
    if (step == restoreErrorModeStep) {
        composeRestoreCommand(status.errorMode, restore);
        command = restore;
    }
    sendCommand(job, command, ticks);
    traceJob(TraceKind::jobStepSent, job, step);
    reportStepSent(job, step);
}

// A modem that has answered nothing yet in this check is given less time for each further
// command, so that a silent one is done soon; one that answers gets the query's full time.
void send(Job& job, unsigned step) {
    responseStatus &= static_cast<uint8_t>(~answerBits);
    answer = StatusAnswer{};
    sendStep(job, step, step == readErrorModeStep || status.modemAnswered ? readDeadlineTicks : statusSilentTicks);
    job.state = static_cast<uint8_t>(statusWaitingBase + step);
}

// Numeric errors only from a modem that reports them as plain ERROR (0) or as text (2): the
// restore then knows what to put back. Any other mode is left alone.
unsigned nextStep(unsigned step) {
    if (step == readErrorModeStep)
        return status.errorMode == 0 || status.errorMode == 2 ? numericErrorsStep : firstItemStep;
    if (step + 1 == restoreErrorModeStep) return restoreOwed ? restoreErrorModeStep : statusStepCount;
    return step + 1;
}

void advance(Job& job, unsigned step) {
    const unsigned next = step == restoreErrorModeStep ? statusStepCount : nextStep(step);
    if (next < statusStepCount) send(job, next);
    else finish(job, status.modemAnswered ? JobEnding::ok : JobEnding::noAnswer);
}

SimState simOfError(int code) {
    switch (code) {
    case 10: return SimState::absent;
    case 11: return SimState::pin;
    case 12: return SimState::puk;
    case 13:
    case 15: return SimState::failure;
    case 14: return SimState::busy;
    default: return SimState::unknown;
    }
}

void copyText(char* to, size_t capacity, const char* from) {
    const size_t length = std::strlen(from);
    const size_t kept = length < capacity - 1 ? length : capacity - 1;
    std::memcpy(to, from, kept);
    to[kept] = '\0';
}

// An item's value, once OK has come behind it.
bool takeValue(StatusItem item) {
    switch (item) {
    case StatusItem::sim:
        status.sim = answer.sim;
        copyText(status.simCode, sizeof status.simCode, answer.text);
        return true;
    case StatusItem::signal:
        status.rssi = answer.first;
        status.ber = answer.second;
        return true;
    case StatusItem::registration: status.registration = answer.second; return true;
    case StatusItem::packetRegistration: status.packetRegistration = answer.second; return true;
    case StatusItem::operatorName: copyText(status.operatorName, sizeof status.operatorName, answer.text); return true;
    case StatusItem::attached: status.attached = answer.first; return true;
    case StatusItem::imei: copyText(status.imei, sizeof status.imei, answer.text); return true;
    case StatusItem::imsi: copyText(status.imsi, sizeof status.imsi, answer.text); return true;
    case StatusItem::iccid:
        copyText(status.iccid, sizeof status.iccid, answer.text);
        if (answer.text[0] != '\0') return true;
        status.iccidWords[0] = answer.first;
        status.iccidWords[1] = answer.second;
        return false;
    }
    return false;
}

void takeItem(StatusItem item) {
    const size_t k = static_cast<size_t>(item);
    status.states[k] = ItemState::notAvailable;
    if (answer.final == FinalResult::cmeError) {
        status.cmeErrors[k] = answer.cme;
        if (item == StatusItem::sim) status.sim = simOfError(answer.cme);
    } else if (answer.final == FinalResult::ok && !answer.info) {
        status.cmeErrors[k] = cmeNoValue;
    } else if (answer.final == FinalResult::ok && takeValue(item)) {
        status.states[k] = ItemState::answered;
    }
}

void take(Job& job, unsigned step) {
    status.modemAnswered = true;
    const bool refused = answer.final != FinalResult::ok;
    if (refused) reportRefused(job, step);
    if (step == readErrorModeStep && !refused && answer.info) status.errorMode = answer.first;
    if (step == numericErrorsStep) restoreOwed = !refused;
    if (isItemStep(step)) takeItem(itemOfStep(step));
    advance(job, step);
}

void runOutOfTime(Job& job, unsigned step) {
    traceJob(TraceKind::jobDeadline, job, step);
    // The report keeps the first: where the modem fell silent.
    if (jobReport(job).deadlineStep == noStep) reportDeadline(job, step);
    if (isItemStep(step)) status.states[static_cast<size_t>(itemOfStep(step))] = ItemState::noAnswer;
    // Unanswered, it may still have taken.
    if (step == numericErrorsStep) restoreOwed = true;
    advance(job, step);
}

// The answer is read in place, as the identity query reads its own; the classifier has already
// reset the count.
void wait(Job& job, unsigned step) {
    // The deadline goes first: an answer seen on the tick of the time-out is too late.
    if (deadlinePassed(job.deadline, tickCount)) {
        runOutOfTime(job, step);
        return;
    }
    if ((responseStatus & answerBits) == 0) return;
    responseStatus &= static_cast<uint8_t>(~answerBits);
    uint8_t burst[rxBufferSize];
    size_t received = copyLastBurst(burst);
    if (received > rxBufferSize) received = rxBufferSize;
    readStatusAnswer(step, burst, received, answer);
    if (answer.final != FinalResult::none) take(job, step);
}

// Another job has the line from the next tick on: nothing more is asked, and the error mode
// goes back now, before that job's first byte, never behind its back.
void giveWay(Job& job) {
    const bool waiting = job.state >= statusWaitingBase;
    const unsigned step = waiting ? static_cast<unsigned>(job.state - statusWaitingBase) : unsigned{statusStepCount};
    if (waiting && isItemStep(step)) status.states[static_cast<size_t>(itemOfStep(step))] = ItemState::noAnswer;
    if (step == numericErrorsStep) restoreOwed = true;
    if (restoreOwed && step != restoreErrorModeStep) sendStep(job, restoreErrorModeStep, readDeadlineTicks);
    finish(job, JobEnding::gaveWay);
}

void leaveRest(Job& job) {
    if (job.trigger == 0) return;
    if (anyOtherTriggerRaised()) {
        refuseStart(job);
        return;
    }
    beginJob(job);
    status = ModemStatus{};
    answer = StatusAnswer{};
    restoreOwed = false;
    job.state = escapeSend;
}

}  // namespace

const ModemStatus& modemStatus() { return status; }

void stepModemStatusJob() {
    Job& job = modemStatusJob;
    if (job.state == rest) {
        leaveRest(job);
        return;
    }
    if (anotherJobUnderWay()) {
        giveWay(job);
        return;
    }
    if (job.state == escapeSend) {
        // The modem may be in its data mode: the escape and its guard time first, as the other
        // modem jobs begin.
        sendStep(job, escapeStep, escapePauseTicks);
        job.state = escapePause;
    } else if (job.state == escapePause) {
        if (deadlinePassed(job.deadline, tickCount)) send(job, readErrorModeStep);
    } else if (job.state >= statusWaitingBase && job.state < statusWaitingBase + statusStepCount) {
        wait(job, job.state - statusWaitingBase);
    } else {
        finish(job, status.modemAnswered ? JobEnding::ok : JobEnding::noAnswer);
    }
}

}  // namespace tarnwick
