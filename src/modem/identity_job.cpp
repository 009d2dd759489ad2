#include "modem/identity_job.h"

#include <cstring>

#include "base/app_state.h"
#include "base/job_report.h"
#include "base/trace.h"
#include "modem/at_commands.h"
#include "serial/buffers.h"
#include "serial/burst.h"
#include "serial/classifier.h"
#include "unit/job_engine.h"

namespace tarnwick {

namespace {

enum : uint8_t { rest, escapeSend, escapePause, waitIdentity };

// Kept out of the AT command table, whose entries are the set-up's and the query's own.
const uint8_t identityCommand[] = "\x09" "AT+CGSN\r\n";

// The trace numbers the one command as step 1, the escape as escapeStep.
constexpr unsigned identityStep = 1;

char identity[identityCapacity + 1];

void finish(Job& job, JobEnding ending, const char* text) {
    reportEnding(job, ending);
    traceJobResult(job, reinterpret_cast<const uint8_t*>(text), std::strlen(text));
    job.trigger = 0;
    job.state = rest;
}

bool anyOtherTriggerRaised() {
    for (Job* other : allJobs)
        if (other->trigger != 0) return true;
    return false;
}

void sendStep(Job& job, const uint8_t* command, uint32_t ticks, unsigned step) {
    sendCommand(job, command, ticks);
    traceJob(TraceKind::jobStepSent, job, step);
    reportStepSent(job, step);
}

void leaveRest(Job& job) {
    if (job.trigger == 0) return;
    if (anyOtherTriggerRaised()) {
        refuseStart(job);
        return;
    }
    beginJob(job);
    identity[0] = '\0';
    job.state = escapeSend;
}

// The digits are read in place, as the unit jobs read their answers: the classifier has
// already reset the count.
void takeIdentity(Job& job) {
    uint8_t answer[rxBufferSize];
    size_t received = copyLastBurst(answer);
    if (received > rxBufferSize) received = rxBufferSize;
    const ByteRun digits = interpretBurst(answer, received).identity;
    const size_t length = digits.length < identityCapacity ? digits.length : identityCapacity;
    if (digits.found) std::memcpy(identity, answer + digits.start, length);
    identity[digits.found ? length : 0] = '\0';
    finish(job, digits.found ? JobEnding::ok : JobEnding::error, identity);
}

}  // namespace

const char* modemIdentity() { return identity; }

void stepModemIdentityJob() {
    Job& job = modemIdentityJob;
    switch (job.state) {
    case rest: leaveRest(job); return;
    case escapeSend:
        // The modem may be in its data mode: the escape and its guard time first, as the
        // query does.
        sendStep(job, atCommand(atEscape), escapePauseTicks, escapeStep);
        job.state = escapePause;
        return;
    case escapePause:
        if (!deadlinePassed(job.deadline, tickCount)) return;
        responseStatus &= static_cast<uint8_t>(~(identityBit | errorBit));
        sendStep(job, identityCommand, readDeadlineTicks, identityStep);
        job.state = waitIdentity;
        return;
    case waitIdentity:
        if (deadlinePassed(job.deadline, tickCount)) {
            traceJob(TraceKind::jobDeadline, job, identityStep);
            reportDeadline(job, identityStep);
            finish(job, JobEnding::noAnswer, "no answer");
        } else if ((responseStatus & identityBit) != 0) {
            takeIdentity(job);
        } else if ((responseStatus & errorBit) != 0) {
            finish(job, JobEnding::error, "ERROR");
        }
        return;
    default: finish(job, JobEnding::noAnswer, "no answer"); return;
    }
}

}  // namespace tarnwick
