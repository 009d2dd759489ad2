#include "provision/station.h"

#include "base/app_state.h"
#include "base/clock.h"
#include "provision/run.h"
#include "provision/run_jobs.h"
#include "provision/runs.h"
#include "provision/unit_runs.h"
#include "serial/port.h"

namespace tarnwick::provision {

namespace {

constexpr uint32_t pollPeriodMs = 1000;

}  // namespace

bool awaitUnit(bool present, const std::string& port) {
    while (!interruptRequested.load()) {
        const uint32_t started = monotonicMs();
        // An adapter pulled with the unit takes its device along; it may come back under the
        // same name.
        if (portHandle != invalidPort && portLost()) closeThePort();
        std::string status;
        const bool open = portHandle != invalidPort || openThePort(port, &status);
        const Presence presence = open ? pollUnit() : Presence::silent;
        if (presence == Presence::interrupted) return false;
        if ((presence == Presence::answers) == present) return true;
        const uint32_t spent = monotonicMs() - started;
        if (spent < pollPeriodMs)
            runJobsUntil([] { return interruptRequested.load(); }, static_cast<int>(pollPeriodMs - spent));
    }
    return false;
}

}  // namespace tarnwick::provision
