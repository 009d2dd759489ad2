#include "base/job_report.h"

#include "base/trace.h"

namespace tarnwick {

namespace {

JobReport reports[reportedJobCount];

JobReport* reportOf(const Job& job) {
    const uint8_t index = jobIndexOf(job);
    return index < reportedJobCount ? &reports[index] : nullptr;
}

uint32_t bitOf(unsigned step) { return step < 32 ? 1u << step : 0; }

}  // namespace

const JobReport& jobReport(const Job& job) {
    const JobReport* report = reportOf(job);
    return report != nullptr ? *report : freshJobReport;
}

void startReport(const Job& job, bool withoutInternet) {
    if (JobReport* report = reportOf(job)) {
        *report = freshJobReport;
        report->withoutInternet = withoutInternet;
    }
}

void reportStepSent(const Job& job, unsigned step) {
    JobReport* report = reportOf(job);
    if (report == nullptr) return;
    if (step == escapeStep) report->escapeSent = true;
    else report->stepsSent |= bitOf(step);
}

void reportRefused(const Job& job, unsigned step) {
    if (JobReport* report = reportOf(job)) report->stepsRefused |= bitOf(step);
}

void reportDeadline(const Job& job, unsigned step) {
    if (JobReport* report = reportOf(job)) report->deadlineStep = static_cast<int8_t>(step);
}

void reportAnswer(const Job& job, size_t length) {
    if (JobReport* report = reportOf(job)) report->answerLength = static_cast<int16_t>(length < 0x7FFF ? length : 0x7FFF);
}

void refuseStart(Job& job) {
    traceJob(TraceKind::jobRefused, job);
    startReport(job);
    reportEnding(job, JobEnding::refusedToStart);
    job.trigger = 0;
}

void beginJob(const Job& job, bool withoutInternet) {
    traceJob(TraceKind::jobStarted, job, 0, withoutInternet);
    startReport(job, withoutInternet);
}

void reportEnding(const Job& job, JobEnding ending) {
    if (JobReport* report = reportOf(job)) report->ending = ending;
}

void resetJobReports() {
    for (JobReport& report : reports) report = freshJobReport;
}

}  // namespace tarnwick
