#include "modem/job_steps.h"

#include <cstdio>

#include "base/app_state.h"
#include "base/trace.h"
#include "modem/setup_steps.h"
#include "modem/status_answers.h"

namespace tarnwick {

namespace {

const char* const jobNames[jobCount] = {
    "query",        "set-up",        "period read",  "period write",
    "address read", "address write", "phone 1 read", "phone 1 write",
    "phone 2 read", "phone 2 write", "SMS phone read", "SMS phone write",
};

const char* const queryStepNames[] = {"escape", "echo off", "load profile 0", "load profile 9",
                                      "service listing", "connection listing"};

// What snprintf kept of `written` characters in `capacity`.
size_t put(size_t capacity, int written) {
    if (written < 0) return 0;
    return static_cast<size_t>(written) < capacity ? static_cast<size_t>(written) : capacity - 1;
}

}  // namespace

const char* jobName(uint8_t job) {
    if (job == identityJobIndex) return "identity";
    if (job == statusJobIndex) return "status";
    return job < jobCount ? jobNames[job] : "job";
}

size_t jobStepLabel(uint8_t job, uint8_t step, bool withoutInternet, char* out, size_t capacity) {
    if (capacity == 0) return 0;
    if (step == escapeStep) return put(capacity, std::snprintf(out, capacity, "%s escape", jobName(job)));
    if (job == modemSetupIndex) {
        size_t count = 0;
        const SetupStep* steps = setupSteps(withoutInternet, &count);
        if (step < count) return put(capacity, std::snprintf(out, capacity, "set-up step %u (%s)", step, steps[step].name));
        return put(capacity, std::snprintf(out, capacity, "set-up step %u ", step));
    }
    if (job == modemQueryIndex) {
        if (step < sizeof queryStepNames / sizeof *queryStepNames)
            return put(capacity, std::snprintf(out, capacity, "query step %u (%s)", step, queryStepNames[step]));
        return put(capacity, std::snprintf(out, capacity, "query step %u ", step));
    }
    if (job == identityJobIndex)
        return put(capacity, std::snprintf(out, capacity, "identity step %u (serial number)", step));
    if (job == statusJobIndex) {
        if (step < statusStepCount) return put(capacity, std::snprintf(out, capacity, "status step %u (%s)", step, statusStepName(step)));
        return put(capacity, std::snprintf(out, capacity, "status step %u ", step));
    }
    return put(capacity, std::snprintf(out, capacity, "%s request", jobName(job)));
}

}  // namespace tarnwick
