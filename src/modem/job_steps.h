#pragma once
// The jobs and their steps by name, as the trace shows them and as the failure lines of
// provisioning quote them: "set-up step 6 (APN)", "query step 2 (load profile 0)", "status step 3
// (signal)".
#include <cstddef>
#include <cstdint>

namespace tarnwick {

// "query", "set-up", "period read" ... "SMS phone write", "identity", "status"; "job" for any other
// number. By the job's number as jobIndexOf gives it.
const char* jobName(uint8_t job);

// One step of a job, terminated in `out`; returns its length. The escape (escapeStep) is
// "set-up escape"; a unit job's one step is its request, "period read request". Without
// internet the set-up's steps are those of its other table.
size_t jobStepLabel(uint8_t job, uint8_t step, bool withoutInternet, char* out, size_t capacity);

// Room for any label.
constexpr size_t jobStepLabelCapacity = 64;

}  // namespace tarnwick
