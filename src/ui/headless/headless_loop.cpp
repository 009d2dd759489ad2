#include "headless_loop.h"

#include <chrono>
#include <condition_variable>
#include <mutex>

#include "serial/burst.h"
#include "serial/quiet_timer.h"

namespace headless {

namespace {

using Clock = std::chrono::steady_clock;

// The longest the loop sleeps before it looks at `done` again.
constexpr auto pollSlice = std::chrono::milliseconds(5);

std::mutex lock;
std::condition_variable armed;
bool pending = false;
Clock::time_point due;
int expiries = 0;

// Waits until the timer is due, the next tick is due, `until` or a slice has passed, and
// claims the expiry if it is due.
bool waitForEvent(Clock::time_point until) {
    std::unique_lock<std::mutex> hold(lock);
    auto wakeAt = Clock::now() + pollSlice;
    if (until < wakeAt) wakeAt = until;
    if (pending && due < wakeAt) wakeAt = due;
    if (!(pending && due <= Clock::now())) armed.wait_until(hold, wakeAt);
    if (pending && due <= Clock::now()) {
        pending = false;
        ++expiries;
        return true;
    }
    return false;
}

}  // namespace

bool runLoop(const std::function<bool()>& done, int timeoutMs,
             const std::function<void()>& tick) {
    const auto end = Clock::now() + std::chrono::milliseconds(timeoutMs);
    auto nextTick = Clock::now() + std::chrono::milliseconds(tickMs);
    for (;;) {
        if (done && done()) return true;
        const auto now = Clock::now();
        if (now >= end) return false;
        // Called without the lock: the expiry takes the receive lock and may re-arm the timer.
        if (waitForEvent(tick && nextTick < end ? nextTick : end)) tarnwick::quietTimerExpired();
        if (tick && Clock::now() >= nextTick) {
            tick();
            nextTick += std::chrono::milliseconds(tickMs);
            // A loop that fell behind (a slow sanitizer run) does not catch up in a burst.
            if (nextTick < Clock::now()) nextTick = Clock::now() + std::chrono::milliseconds(tickMs);
        }
    }
}

void runFor(int ms, const std::function<void()>& tick) { runLoop(nullptr, ms, tick); }

bool quietTimerPending() {
    std::lock_guard<std::mutex> hold(lock);
    return pending;
}

int quietExpiries() {
    std::lock_guard<std::mutex> hold(lock);
    return expiries;
}

void reset() {
    std::lock_guard<std::mutex> hold(lock);
    pending = false;
    expiries = 0;
}

}  // namespace headless

namespace tarnwick {

void requestQuietTimer(uint32_t ms) {
    {
        std::lock_guard<std::mutex> hold(headless::lock);
        headless::pending = true;
        headless::due = headless::Clock::now() + std::chrono::milliseconds(ms);
    }
    headless::armed.notify_all();
}

void stopQuietTimer() {
    std::lock_guard<std::mutex> hold(headless::lock);
    headless::pending = false;
}

}  // namespace tarnwick
