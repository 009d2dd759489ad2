#pragma once
// The quiet timer of the serial link, expiring on the window thread. It is a Linux timerfd
// that a QSocketNotifier of the window thread watches: the reader thread arms it with one
// system call, without allocating and without queueing anything to the window thread, and the
// expiry calls quietTimerExpired() there. Ticks, expiries and commands therefore never
// overlap.
#include <QObject>

#include <cstdint>

class QSocketNotifier;

namespace tarnwick::qt {

class QuietTimer : public QObject {
    Q_OBJECT
public:
    // Becomes the target of requestQuietTimer() for its lifetime. Destroy it only after the
    // reader thread has stopped (stopPortThreads), so no request can reach a dead object.
    QuietTimer();
    ~QuietTimer() override;

    bool isActive() const;
    // Milliseconds until the expiry, or -1 when not armed.
    int remainingTime() const;
    int expiries() const { return expiryCount; }

    // Any thread. Replaces a pending expiry; 0 expires at once.
    void arm(uint32_t ms);
    void stop() { arm(disarmed); }

private:
    static constexpr uint32_t disarmed = UINT32_MAX;
    void expired();

    int timerFd = -1;
    QSocketNotifier* notifier = nullptr;
    int expiryCount = 0;
};

}  // namespace tarnwick::qt
