#include "unit/parameter_jobs.h"

#include "base/job_report.h"
#include "base/trace.h"
#include "serial/buffers.h"
#include "serial/burst.h"
#include "unit/job_engine.h"
#include "unit/unit_frame.h"

namespace tarnwick {

namespace {

enum class Kind : uint8_t { numberRead, numberWrite, phoneRead, phoneWrite };

struct ParameterJob {
    TextField* field;
    Kind kind;
    uint8_t code;  // read selector, or the digit that names the parameter or telephone slot
};

// In JobIndex order from periodReadIndex. A telephone's slot digit is also its read selector.
constexpr ParameterJob parameterJobs[jobCount - periodReadIndex] = {
    {&periodField, Kind::numberRead, periodSelector},
    {&periodField, Kind::numberWrite, periodDigit},
    {&addressField, Kind::numberRead, addressSelector},
    {&addressField, Kind::numberWrite, addressDigit},
    {&phone1Field, Kind::phoneRead, phone1Slot},
    {&phone1Field, Kind::phoneWrite, phone1Slot},
    {&phone2Field, Kind::phoneRead, phone2Slot},
    {&phone2Field, Kind::phoneWrite, phone2Slot},
    {&smsPhoneField, Kind::phoneRead, smsPhoneSlot},
    {&smsPhoneField, Kind::phoneWrite, smsPhoneSlot},
};

// Each pair reads and writes one row's field, the read with the row's selector.
constexpr bool pairsFollowTheRows() {
    for (int row = 0; row < parameterRowCount; ++row) {
        const ParameterJob& read = parameterJobs[readJobOf(row) - periodReadIndex];
        const ParameterJob& write = parameterJobs[writeJobOf(row) - periodReadIndex];
        if (read.field != write.field || read.code != rowSelectors[row]) return false;
        if (read.kind != Kind::numberRead && read.kind != Kind::phoneRead) return false;
    }
    return true;
}
static_assert(sizeof rowSelectors == parameterRowCount && pairsFollowTheRows(), "a row's jobs out of place");

enum : uint8_t { idle = 0, sending = 1, waiting = 2, ending = 3 };

// A parameter job's one step, as its report numbers it.
constexpr unsigned requestStep = 0;

// What the trace says of a parameter job's end; the window shows nothing for these.
const uint8_t inputRefused[] = "input refused, nothing sent";
const uint8_t answerTooShort[] = "answer too short, field left as it was";
const uint8_t writeEnded[] = "written, no answer awaited";

bool isRead(const ParameterJob& row) {
    return row.kind == Kind::numberRead || row.kind == Kind::phoneRead;
}

// False when a write's input fails its check; nothing is built then.
bool buildRequest(const ParameterJob& row, uint8_t* frame) {
    uint8_t text[TextField::rawCapacity];
    switch (row.kind) {
    case Kind::numberRead:
    case Kind::phoneRead:
        buildReadRequest(row.code, frame);
        return true;
    case Kind::numberWrite:
        return buildNumberWrite(row.code, text, readFieldText(*row.field, text), frame);
    case Kind::phoneWrite:
        return buildPhoneWrite(row.code, text, readFieldText(*row.field, text), frame);
    }
    return false;
}

void sendStep(Job& job, const ParameterJob& row) {
    uint8_t frame[unitFrameCapacity];
    if (!buildRequest(row, frame)) {
        traceJobResult(job, inputRefused, sizeof inputRefused - 1);
        reportEnding(job, JobEnding::inputRefused);
        job.state = ending;
        return;
    }
    const bool read = isRead(row);
    sendCommand(job, frame, read ? readDeadlineTicks : writeDeadlineTicks);
    traceJob(TraceKind::jobStepSent, job);
    reportStepSent(job, requestStep);
    job.state = waiting;
    // Only an answer classified from now on may count as this request's answer.
    if (read) responseStatus &= static_cast<uint8_t>(~frameBit);
}

void showAnswer(Job& job, const ParameterJob& row) {
    uint8_t answer[rxBufferSize];
    size_t received = copyLastBurst(answer);
    if (received > rxBufferSize) received = rxBufferSize;
    reportAnswer(job, received);
    if (row.kind == Kind::numberRead) {
        // An answer cut short before its value byte holds no value; what lies there is a byte
        // of an earlier answer.
        if (received <= numberAnswerByte) {
            traceJobResult(job, answerTooShort, sizeof answerTooShort - 1);
            reportEnding(job, JobEnding::answerTooShort);
            return;
        }
        uint8_t digits[3];
        numberAnswerDigits(answer, digits);
        showText(*row.field, digits, sizeof digits);
        traceJobResult(job, digits, sizeof digits);
    } else {
        const size_t length = phoneAnswerLength(answer, received);
        showText(*row.field, answer + phoneAnswerStart, length);
        traceJobResult(job, answer + phoneAnswerStart, length);
        // A telephone answer that ends before its text is shown as the empty number the
        // field then holds; whether that was the unit's number is the reader's to judge.
        if (received <= phoneAnswerStart) {
            reportEnding(job, JobEnding::answerTooShort);
            return;
        }
    }
    reportEnding(job, JobEnding::valueShown);
}

void waitStep(Job& job, const ParameterJob& row) {
    // The deadline goes first: an answer that lands on the tick of the time-out is too late.
    if (deadlinePassed(job.deadline, tickCount)) {
        // A write awaits no answer: its deadline is its normal end.
        if (isRead(row)) {
            traceJob(TraceKind::jobDeadline, job);
            reportDeadline(job, requestStep);
            reportEnding(job, JobEnding::noAnswer);
        } else {
            traceJobResult(job, writeEnded, sizeof writeEnded - 1);
            reportEnding(job, JobEnding::written);
        }
        job.state = ending;
        return;
    }
    if (isRead(row) && (responseStatus & frameBit) != 0) {
        showAnswer(job, row);
        job.state = ending;
    }
}

}  // namespace

void stepParameterJob(JobIndex index) {
    if (index < periodReadIndex || index >= jobCount) return;
    Job& job = *allJobs[index];
    const ParameterJob& row = parameterJobs[index - periodReadIndex];
    switch (job.state) {
    case idle:
        if (job.trigger == 0) return;
        if (otherTriggerRaised(index)) {
            refuseStart(job);
        } else {
            beginJob(job);
            job.state = sending;
        }
        return;
    case sending: sendStep(job, row); return;
    case waiting: waitStep(job, row); return;
    default:
        job.trigger = 0;
        job.state = idle;
        return;
    }
}

}  // namespace tarnwick
