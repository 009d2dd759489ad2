#include "provision/unit_runs.h"

#include "base/app_state.h"
#include "base/job_report.h"
#include "modem/job_steps.h"
#include "provision/boxes.h"
#include "unit/unit_frame.h"

namespace tarnwick::provision {

namespace {

Job& readJob(Value value) { return *allJobs[readJobOf(rowOf(value))]; }
Job& writeJob(Value value) { return *allJobs[writeJobOf(rowOf(value))]; }

// "period read: deadline passed, no answer", as the trace says it.
std::string deadlineLine(const Job& job) {
    return std::string(jobName(jobIndexOf(job))) + ": deadline passed, no answer";
}

}  // namespace

bool writeUnitValue(Run& run, Value value, const std::string& text) {
    putBoxText(boxOf(value), text);
    Job& job = writeJob(value);
    const bool rested = press(writeButtonOf(rowOf(value)), job);
    const bool sent = jobReport(job).sentAnything();
    add(run, value, rested || sent ? Outcome::notReadBack : Outcome::notWritten, text);
    return rested;
}

// A unit answer cut short before the value's byte leaves the field as the read found it,
// empty; that is no value the unit holds. A telephone answer that reaches its text is whole
// even when the text is empty: the unit has no number there.
bool answerHoldsValue(Value value, int answerLength) {
    const size_t valueAt = value == Value::period || value == Value::address ? numberAnswerByte : phoneAnswerStart;
    return answerLength > static_cast<int>(valueAt);
}

void readBackUnitValue(Run& run, Result& result) {
    // Emptied first: a read that gets no usable answer leaves the field as it was.
    putBoxText(boxOf(result.value), "");
    Job& job = readJob(result.value);
    if (!press(readButtonOf(rowOf(result.value)), job)) {
        if (result.outcome == Outcome::read) result.outcome = Outcome::notRead;
        return;
    }
    const JobReport& report = jobReport(job);
    const std::string name = valueName(result.value);
    if (report.deadlineStep != noStep) {
        // A plain read (read, diff, apply's first look) is no read-back of anything written.
        const char* read = result.outcome == Outcome::read ? "the read" : "the read-back";
        result.outcome = Outcome::noAnswer;
        fail(run, exitNoAnswer, name + ": no answer to " + read + " (" + deadlineLine(job) + ")");
        return;
    }
    if (!answerHoldsValue(result.value, report.answerLength)) {
        result.outcome = Outcome::notRead;
        fail(run, exitNoAnswer, name + ": the unit's answer was cut short (" +
                                    std::to_string(report.answerLength < 0 ? 0 : report.answerLength) +
                                    " bytes), the value is not in it");
        return;
    }
    result.readBack = boxText(boxOf(result.value));
    if (result.outcome == Outcome::read) return;
    result.outcome = result.readBack == result.written ? Outcome::match : Outcome::mismatch;
    if (result.outcome == Outcome::mismatch)
        fail(run, exitFailed, name + ": MISMATCH, written " + result.written + ", read back " + result.readBack);
}

Presence pollUnit() {
    putBoxText(boxOf(Value::address), "");
    Job& job = readJob(Value::address);
    if (!press(readButtonOf(rowOf(Value::address)), job)) return Presence::interrupted;
    const JobReport& report = jobReport(job);
    return report.deadlineStep == noStep && report.answerLength >= 0 ? Presence::answers : Presence::silent;
}

}  // namespace tarnwick::provision
