#pragma once
// What provisioning asks of the front end: the jobs stepped while it waits. The command-line
// program runs its headless loop, a window a nested loop that keeps it drawn; a test its fake.
#include <functional>

namespace tarnwick {

// Delivers ticks and quiet-timer expiries, as the front end's loop does, until `done` holds or
// `limitMs` have passed; returns whether `done` held. For provisioning, which presses one
// button after another and waits for each job to rest; a window keeps itself drawn meanwhile.
bool runJobsUntil(const std::function<bool()>& done, int limitMs);

}  // namespace tarnwick
