#include "ui/qt/quiet_timer_qt.h"

#include <QSocketNotifier>

#include <sys/timerfd.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>

#include "serial/burst.h"
#include "serial/quiet_timer.h"

namespace tarnwick::qt {

namespace {
std::atomic<QuietTimer*> activeTimer{nullptr};
}  // namespace

QuietTimer::QuietTimer() {
    // CLOCK_MONOTONIC, like the burst clock: a change of the wall clock moves no expiry.
    timerFd = timerfd_create(CLOCK_MONOTONIC, TFD_NONBLOCK | TFD_CLOEXEC);
    if (timerFd >= 0) {
        notifier = new QSocketNotifier(timerFd, QSocketNotifier::Read, this);
        connect(notifier, &QSocketNotifier::activated, this, &QuietTimer::expired);
    }
    activeTimer.store(this, std::memory_order_release);
}

QuietTimer::~QuietTimer() {
    QuietTimer* self = this;
    activeTimer.compare_exchange_strong(self, nullptr, std::memory_order_acq_rel);
    delete notifier;
    if (timerFd >= 0) close(timerFd);
}

bool QuietTimer::isActive() const { return remainingTime() >= 0; }

int QuietTimer::remainingTime() const {
    itimerspec left{};
    if (timerFd < 0 || timerfd_gettime(timerFd, &left) != 0) return -1;
    if (left.it_value.tv_sec == 0 && left.it_value.tv_nsec == 0) return -1;
    return static_cast<int>(left.it_value.tv_sec * 1000 + left.it_value.tv_nsec / 1000000);
}

void QuietTimer::arm(uint32_t ms) {
    if (timerFd < 0) return;
    itimerspec when{};
    if (ms != disarmed) {
        when.it_value.tv_sec = ms / 1000;
        // A zero time would disarm the timer; one nanosecond expires at once.
        when.it_value.tv_nsec = static_cast<long>(ms % 1000) * 1000000 + (ms == 0 ? 1 : 0);
    }
    // Setting the timer also forgets an expiry that was not read yet.
    timerfd_settime(timerFd, 0, &when, nullptr);
}

void QuietTimer::expired() {
    uint64_t count = 0;
    // Nothing to read: the timer was re-armed or stopped after it became readable.
    if (read(timerFd, &count, sizeof count) != static_cast<ssize_t>(sizeof count)) return;
    ++expiryCount;
    quietTimerExpired();
}

}  // namespace tarnwick::qt

namespace tarnwick {

void requestQuietTimer(uint32_t ms) {
    if (qt::QuietTimer* timer = qt::activeTimer.load(std::memory_order_acquire)) timer->arm(ms);
}

void stopQuietTimer() {
    if (qt::QuietTimer* timer = qt::activeTimer.load(std::memory_order_acquire)) timer->stop();
}

}  // namespace tarnwick
