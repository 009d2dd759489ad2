#include "ui/qt/quiet_timer_qt.h"

#include <atomic>

#include "serial/burst.h"
#include "serial/quiet_timer.h"

namespace tarnwick::qt {

namespace {
std::atomic<QuietTimer*> activeTimer{nullptr};
}  // namespace

QuietTimer::QuietTimer() {
    timer.setSingleShot(true);
    // A coarse timer may fire up to 5 % early; the burst code would only re-arm for the rest,
    // but a precise one ends each burst in one expiry.
    timer.setTimerType(Qt::PreciseTimer);
    connect(&timer, &QTimer::timeout, this, [this] {
        ++expiryCount;
        quietTimerExpired();
    });
    activeTimer.store(this, std::memory_order_release);
}

QuietTimer::~QuietTimer() {
    QuietTimer* self = this;
    activeTimer.compare_exchange_strong(self, nullptr, std::memory_order_acq_rel);
}

void QuietTimer::arm(uint32_t ms) { timer.start(static_cast<int>(ms)); }

}  // namespace tarnwick::qt

namespace tarnwick {

void requestQuietTimer(uint32_t ms) {
    qt::QuietTimer* timer = qt::activeTimer.load(std::memory_order_acquire);
    if (timer == nullptr) return;
    // A QTimer may only be started on its own thread, so the reader's request travels as an
    // event to the window thread; requests from the window thread take the same road.
    QMetaObject::invokeMethod(
        timer, [timer, ms] { timer->arm(ms); }, Qt::QueuedConnection);
}

void stopQuietTimer() {
    if (qt::QuietTimer* timer = qt::activeTimer.load(std::memory_order_acquire)) timer->stop();
}

}  // namespace tarnwick
