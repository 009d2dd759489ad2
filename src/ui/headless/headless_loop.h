#pragma once
// A window thread without a window: the command-line program runs the jobs on it, and so do
// the tests that run the real reader and writer threads. It supplies the quiet timer of
// serial/quiet_timer.h in real time (any thread may arm it) and a loop that its caller runs,
// whose thread then is the window thread: the loop fires quietTimerExpired() when the timer
// is due and calls a tick every 54 ms.
#include <functional>

namespace headless {

constexpr int tickMs = 54;

// Runs the loop until `done` holds or `timeoutMs` have passed; returns whether `done` held.
// `done` is tested on this thread after every event and at least every few milliseconds, so
// it may look at what other threads change. `tick`, when given, runs every tickMs.
bool runLoop(const std::function<bool()>& done, int timeoutMs,
             const std::function<void()>& tick = nullptr);

// Runs the loop for `ms` milliseconds whatever happens.
void runFor(int ms, const std::function<void()>& tick = nullptr);

// Whether an expiry is pending, and how many expiries the loop has delivered so far.
bool quietTimerPending();
int quietExpiries();

// Forgets a pending expiry and the count; for the start of a test.
void reset();

}  // namespace headless
