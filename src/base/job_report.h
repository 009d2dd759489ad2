#pragma once
// What a job did, kept as data beside the job: the steps it sent, the ones the modem refused,
// the step that ran into its deadline, the length of the unit answer it took, and how it ended.
// It is reset when the job leaves rest (or refuses to), and filled where the trace records and
// the status texts are made. Whatever runs the jobs for the engineer (provisioning, the station,
// a status check) reads it here; nothing reads a job's doings back from the trace or from a
// status field's text.
#include <cstddef>
#include <cstdint>

#include "base/app_state.h"

namespace tarnwick {

enum class JobEnding : uint8_t {
    running,         // not ended since it left rest (or never ran)
    ok,              // "Ok!"; the identity query: the serial number taken; the status check:
                     // ran to its end and the modem answered (what it said is in its status)
    error,           // "Error!"; the identity query: ERROR
    empty0,          // the query: "Empty0", no stored service profile 0
    empty9,          // the query: "Empty9"
    valueShown,      // a unit read: the value put into its field
    answerTooShort,  // a unit read: the answer ended before the value
    inputRefused,    // a unit write: its field failed the check, nothing sent
    written,         // a unit write: sent, its time run out (no answer is awaited)
    noAnswer,        // a unit read or the identity query ran into its deadline; the status
                     // check: the modem answered nothing it asked
    refusedToStart,  // another job's trigger was raised when it would have started
    gaveWay,         // the status check: another job started while it ran, so it stopped
                     // asking (and put back what it had changed)
};

// A step number that no step has.
constexpr int8_t noStep = -1;

struct JobReport {
    uint32_t stepsSent;     // bit k: step k was sent; a unit job's request is step 0
    uint32_t stepsRefused;  // bit k: the modem answered step k with ERROR
    int8_t deadlineStep;    // the step whose answer did not come in time, or noStep
    bool escapeSent;        // the escape went out (it is no step)
    bool withoutInternet;   // the set-up's variant, whose steps are numbered apart
    int16_t answerLength;   // a unit read: the length of the answer it took; -1 for none
    JobEnding ending;

    bool sent(unsigned step) const { return step < 32 && (stepsSent >> step & 1u) != 0; }
    bool refused(unsigned step) const { return step < 32 && (stepsRefused >> step & 1u) != 0; }
    bool sentAnything() const { return escapeSent || stepsSent != 0; }
    // The highest step sent or refused, or noStep; steps go out in their order.
    int lastSent() const { return highest(stepsSent); }
    int lastRefused() const { return highest(stepsRefused); }

private:
    static int highest(uint32_t bits) {
        for (int step = 31; step >= 0; --step)
            if ((bits >> step & 1u) != 0) return step;
        return noStep;
    }
};

// A report before anything was done: nothing sent, no deadline, no answer.
constexpr JobReport freshJobReport = {0, 0, noStep, false, false, -1, JobEnding::running};

// Room for the twelve jobs and those that stand beside them, by jobIndexOf.
constexpr size_t reportedJobCount = size_t(statusJobIndex) + 1;

const JobReport& jobReport(const Job& job);

// A fresh report, for a job that leaves rest.
void startReport(const Job& job, bool withoutInternet = false);
// `step` escapeStep (base/trace.h) is the escape.
void reportStepSent(const Job& job, unsigned step);
void reportRefused(const Job& job, unsigned step);
void reportDeadline(const Job& job, unsigned step);
void reportAnswer(const Job& job, size_t length);
void reportEnding(const Job& job, JobEnding ending);

// A job whose trigger went up while another job's was raised: traced and reported as refused,
// its trigger lowered, so that it stays at rest.
void refuseStart(Job& job);
// A job that leaves rest: traced as started, its report fresh.
void beginJob(const Job& job, bool withoutInternet = false);

// Every report fresh; with resetAppState, between tests.
void resetJobReports();

}  // namespace tarnwick
