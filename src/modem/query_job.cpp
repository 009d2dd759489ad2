#include "base/app_state.h"
#include "base/job_report.h"
#include "base/trace.h"
#include "modem/at_commands.h"
#include "modem/modem_jobs.h"
#include "modem/settings_file.h"
#include "serial/buffers.h"
#include "unit/job_engine.h"

namespace tarnwick {

namespace {

enum : uint8_t {
    rest,
    escapeSend,
    escapePause,
    waitEchoOff,
    waitLoad0,
    waitLoad9,
    waitServiceProfiles,
    waitConnectionProfiles,
};

// The texts the query ends with, by how it ended.
void finish(Job& job, JobEnding ending) {
    reportEnding(job, ending);
    endJob(job, queryStatusField,
           ending == JobEnding::ok       ? "Ok!"
           : ending == JobEnding::empty0 ? "Empty0"
           : ending == JobEnding::empty9 ? "Empty9"
                                         : "Error!");
}

// Mark, bits, command and deadline all on the tick of the test that leads to the send.
// The step a state waits for the answer of, as the trace numbers the query's commands.
unsigned stepOf(uint8_t state) { return state - waitEchoOff + 1; }

void send(Job& job, const char* mark, uint8_t clears, AtCommandId command, uint8_t next) {
    if (mark != nullptr) showText(queryStatusField, mark);
    responseStatus &= static_cast<uint8_t>(~clears);
    sendCommand(job, atCommand(command), readDeadlineTicks);
    traceJob(TraceKind::jobStepSent, job, stepOf(next));
    reportStepSent(job, stepOf(next));
    job.state = next;
}

void leaveRest(Job& job) {
    if (job.trigger == 0) return;
    if (modemSetupJob.trigger != 0) {
        refuseStart(job);
        return;
    }
    beginJob(job);
    showText(queryStatusField, "|");
    // The panel shows only what this query reads back; the password is never read.
    blankSettings();
    job.state = escapeSend;
}

// A profile load is answered with an empty line before OK; ERROR means nothing is stored.
// When the blank-line OK and the ERROR bit are both set, the OK wins.
void waitLoad(Job& job, const char* mark, uint8_t clears, AtCommandId next, uint8_t nextState,
              JobEnding empty) {
    if ((responseStatus & blankOkBit) != 0) {
        send(job, mark, clears, next, nextState);
    } else if ((responseStatus & errorBit) != 0) {
        finish(job, empty);
    }
}

}  // namespace

void stepModemQueryJob() {
    Job& job = modemQueryJob;
    if (job.state == rest) {
        leaveRest(job);
        return;
    }
    if (job.state == escapeSend) {
        sendCommand(job, atCommand(atEscape), escapePauseTicks);
        traceJob(TraceKind::jobStepSent, job, escapeStep);
        reportStepSent(job, escapeStep);
        job.state = escapePause;
        return;
    }
    const bool passed = deadlinePassed(job.deadline, tickCount);
    if (job.state == escapePause) {
        if (passed) send(job, nullptr, okBit, atEchoOff, waitEchoOff);
        return;
    }
    // Every wait tests its deadline before its bits.
    if (passed) {
        traceJob(TraceKind::jobDeadline, job, stepOf(job.state));
        reportDeadline(job, stepOf(job.state));
        finish(job, JobEnding::error);
        return;
    }
    switch (job.state) {
    case waitEchoOff:
        if ((responseStatus & okBit) != 0)
            send(job, "/", blankOkBit | errorBit, atServiceLoad0, waitLoad0);
        return;
    case waitLoad0:
        waitLoad(job, "-", blankOkBit, atServiceLoad9, waitLoad9, JobEnding::empty0);
        return;
    case waitLoad9:
        waitLoad(job, "\\", sissBit, atServiceQuery, waitServiceProfiles, JobEnding::empty9);
        return;
    case waitServiceProfiles:
        if ((responseStatus & sissBit) != 0)
            send(job, "|", sicsBit, atConnectionQuery, waitConnectionProfiles);
        return;
    case waitConnectionProfiles:
        if ((responseStatus & sicsBit) != 0) finish(job, JobEnding::ok);
        return;
    default: finish(job, JobEnding::error); return;
    }
}

}  // namespace tarnwick
