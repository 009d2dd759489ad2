#pragma once
#include "base/app_state.h"

namespace tarnwick {

// One step of the parameter job at `index` (periodReadIndex .. smsPhoneWriteIndex).
void stepParameterJob(JobIndex index);

}  // namespace tarnwick
