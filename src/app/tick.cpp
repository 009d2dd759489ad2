#include "app/tick.h"

#include "app/commands.h"
#include "app/trace_decode.h"
#include "base/app_state.h"
#include "modem/identity_job.h"
#include "modem/modem_jobs.h"
#include "modem/status_job.h"
#include "serial/burst.h"
#include "unit/parameter_jobs.h"

namespace tarnwick {

void mainTick() {
    rearmStalledBurst();
    checkPortLost();
    // The order decides which of two triggers raised before the same tick wins: a job that
    // finds another trigger raised drops its own, so the one stepped later starts.
    stepModemQueryJob();
    stepModemSetupJob(mainWindow);
    for (int index = periodReadIndex; index < jobCount; ++index)
        stepParameterJob(static_cast<JobIndex>(index));
    // Last, so that it never changes which of the twelve starts; at rest unless raised.
    stepModemIdentityJob();
    // After the identity query, which it refuses to start beside.
    stepModemStatusJob();
    ++tickCount;
    writeTraceFile();
}

}  // namespace tarnwick
