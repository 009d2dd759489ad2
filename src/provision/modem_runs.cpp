#include "provision/modem_runs.h"

#include "base/app_state.h"
#include "base/control.h"
#include "base/job_report.h"
#include "modem/identity_job.h"
#include "modem/job_steps.h"
#include "modem/setup_steps.h"
#include "provision/boxes.h"
#include "provision/run_jobs.h"

namespace tarnwick::provision {

namespace {

// A step as the trace names it: "set-up step 6 (APN)".
std::string stepLabel(const Job& job, int step) {
    char label[jobStepLabelCapacity];
    jobStepLabel(jobIndexOf(job), static_cast<uint8_t>(step), jobReport(job).withoutInternet, label, sizeof label);
    return label;
}

// "set-up step 0 (echo off): deadline passed, no answer", as the trace says it.
std::string deadlineLine(const Job& job) {
    return stepLabel(job, jobReport(job).deadlineStep) + ": deadline passed, no answer";
}

SetupValue carriedAs(Value value) {
    switch (value) {
    case Value::ip: return SetupValue::address;
    case Value::apn: return SetupValue::apn;
    case Value::user: return SetupValue::user;
    case Value::password: return SetupValue::password;
    default: return SetupValue::none;
    }
}

// What the set-up did to one value: the step that sends it and the one that stores its profile,
// with internet; without, the steps that reset its profile and store the reset one. A value
// sent but whose profile was never stored is in the modem's working settings only, and gone at
// its next start.
Outcome setUpOutcome(Value value, const JobReport& report, bool noInternet) {
    unsigned step = 0, save = 0;
    if (!setupStepOf(carriedAs(value), noInternet, &step, &save)) return Outcome::notWritten;
    // Without internet a modem may refuse to reset a profile it never used: that refusal
    // leaves it as wanted.
    const bool countsRefusal = !noInternet;
    if (!report.sent(step)) return Outcome::notWritten;
    if (report.deadlineStep == static_cast<int>(step)) return Outcome::noAnswer;
    if (countsRefusal && report.refused(step)) return Outcome::refused;
    if (!report.sent(save)) return Outcome::notStored;
    if (report.deadlineStep == static_cast<int>(save)) return Outcome::noAnswer;
    if (countsRefusal && report.refused(save)) return Outcome::refused;
    return Outcome::notReadBack;
}

// True when the set-up came to its end with an answer to every step.
bool runSetUp(Run& run, const Wanted& wanted) {
    setCheckBoxChecked(mainWindow, idNoInternet, wanted.noInternet);
    for (Value value : setUpValues) putBoxText(boxOf(value), wanted[value].value_or(""));
    const bool rested = press(idModemWrite, modemSetupJob);
    const JobReport& report = jobReport(modemSetupJob);
    if (!rested) {
        fail(run, exitInterrupted, "modem: interrupted during the set-up, " +
                                       (!report.sentAnything()  ? std::string("nothing sent")
                                        : report.stepsSent == 0 ? std::string("nothing but the escape sent")
                                                                : "last sent: " + stepLabel(modemSetupJob, report.lastSent())));
        return false;
    }
    if (report.ending == JobEnding::ok) return true;
    if (report.deadlineStep != noStep) {
        fail(run, exitNoAnswer, "modem: no answer to " + deadlineLine(modemSetupJob));
        return false;
    }
    const int refused = report.lastRefused();
    fail(run, exitFailed, "modem: Error! (the modem answered ERROR to " +
                              (refused == noStep ? std::string("a setting") : stepLabel(modemSetupJob, refused)) + ")");
    return true;
}

}  // namespace

bool setUpModem(Run& run, const Wanted& wanted, bool go) {
    const bool ended = go && runSetUp(run, wanted);
    // The job's report is an earlier set-up's when this one never started.
    const JobReport& report = go ? jobReport(modemSetupJob) : freshJobReport;
    for (Value value : setUpValues) {
        Outcome outcome = setUpOutcome(value, report, wanted.noInternet);
        if (value == Value::password && outcome == Outcome::notReadBack) outcome = Outcome::notVerifiable;
        const std::string written = value == Value::password ? (wanted.noInternet ? "" : "***") : wanted[value].value_or("");
        add(run, value, outcome, written);
    }
    return ended;
}

Outcome queryModem(Run& run) {
    if (!press(idModemRead, modemQueryJob)) return Outcome::notReadBack;
    const JobReport& report = jobReport(modemQueryJob);
    if (report.ending == JobEnding::ok) return Outcome::read;
    if (report.ending == JobEnding::empty0 || report.ending == JobEnding::empty9) return Outcome::nothingStored;
    if (report.deadlineStep != noStep) {
        fail(run, exitNoAnswer, "modem: no answer to " + deadlineLine(modemQueryJob));
        return Outcome::noAnswer;
    }
    fail(run, exitFailed, "modem: the query ended Error!");
    return Outcome::refused;
}

void compareModemValues(Run& run, Outcome query) {
    const bool answered = query == Outcome::read || query == Outcome::nothingStored;
    for (Result& result : run.results) {
        if (!isModemValue(result.value) || result.value == Value::password) continue;
        if (result.outcome == Outcome::refused) {
            if (answered) result.queried = query;
            if (query == Outcome::read) result.readBack = boxText(boxOf(result.value));
            continue;
        }
        if (result.outcome != Outcome::notReadBack) continue;
        if (!answered) {
            result.outcome = query;
            continue;
        }
        result.readBack = boxText(boxOf(result.value));
        const bool same = result.readBack == result.written;
        result.outcome = same ? Outcome::match : Outcome::mismatch;
        if (!same)
            fail(run, exitFailed, std::string(valueName(result.value)) + ": MISMATCH, written \"" + result.written +
                                      "\", read back \"" + result.readBack + "\"");
    }
}

std::string readModemIdentity() {
    if (interruptRequested.load()) return "unknown";
    modemIdentityJob.trigger = 1;
    const auto rested = [] { return modemIdentityJob.trigger == 0 && modemIdentityJob.state == 0; };
    runJobsUntil([&] { return interruptRequested.load() || rested(); }, jobLimitMs);
    const std::string identity = rested() ? modemIdentity() : "";
    return identity.empty() ? "unknown" : identity;
}

}  // namespace tarnwick::provision
