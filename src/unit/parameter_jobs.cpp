#include "unit/parameter_jobs.h"

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
const ParameterJob parameterJobs[jobCount - periodReadIndex] = {
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

enum : uint8_t { idle = 0, sending = 1, waiting = 2, ending = 3 };

bool isRead(const ParameterJob& spec) {
    return spec.kind == Kind::numberRead || spec.kind == Kind::phoneRead;
}

// False when a write's input fails its check; nothing is built then.
bool buildRequest(const ParameterJob& spec, uint8_t* frame) {
    uint8_t text[TextField::rawCapacity];
    switch (spec.kind) {
    case Kind::numberRead:
    case Kind::phoneRead:
        buildReadRequest(spec.code, frame);
        return true;
    case Kind::numberWrite:
        return buildNumberWrite(spec.code, text, readFieldText(*spec.field, text), frame);
    case Kind::phoneWrite:
        return buildPhoneWrite(spec.code, text, readFieldText(*spec.field, text), frame);
    }
    return false;
}

void sendStep(Job& job, const ParameterJob& spec) {
    uint8_t frame[unitFrameCapacity];
    if (!buildRequest(spec, frame)) {
        job.state = ending;
        return;
    }
    sendCounted(frame);
    const bool read = isRead(spec);
    job.deadline = deadlineAfter(tickCount, read ? readDeadlineTicks : writeDeadlineTicks);
    job.state = waiting;
    // Only an answer classified from now on may count as this request's answer.
    if (read) responseStatus &= static_cast<uint8_t>(~frameBit);
}

void showAnswer(const ParameterJob& spec) {
    uint8_t answer[rxBufferSize];
    size_t received = copyLastBurst(answer);
    if (received > rxBufferSize) received = rxBufferSize;
    if (spec.kind == Kind::numberRead) {
        uint8_t digits[3];
        numberAnswerDigits(answer, digits);
        showText(*spec.field, digits, sizeof digits);
    } else {
        showText(*spec.field, answer + phoneAnswerStart, phoneAnswerLength(answer, received));
    }
}

void waitStep(Job& job, const ParameterJob& spec) {
    // The deadline goes first: an answer that lands on the tick of the time-out is too late.
    if (deadlinePassed(job.deadline, tickCount)) {
        job.state = ending;
        return;
    }
    if (isRead(spec) && (responseStatus & frameBit) != 0) {
        showAnswer(spec);
        job.state = ending;
    }
}

}  // namespace

void stepParameterJob(JobIndex index) {
    if (index < periodReadIndex || index >= jobCount) return;
    Job& job = *allJobs[index];
    const ParameterJob& spec = parameterJobs[index - periodReadIndex];
    switch (job.state) {
    case idle:
        if (job.trigger == 0) return;
        if (otherTriggerRaised(index))
            job.trigger = 0;
        else
            job.state = sending;
        return;
    case sending: sendStep(job, spec); return;
    case waiting: waitStep(job, spec); return;
    default:
        job.trigger = 0;
        job.state = idle;
        return;
    }
}

}  // namespace tarnwick
