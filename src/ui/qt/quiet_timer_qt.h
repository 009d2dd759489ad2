#pragma once
// The quiet timer of the serial link on the window thread. The reader thread asks for it
// through requestQuietTimer(); the request is queued to the one QuietTimer object, whose
// single-shot timer then runs on the window thread, where its expiry calls
// quietTimerExpired(). Ticks, expiries and commands therefore never overlap.
#include <QObject>
#include <QTimer>

#include <cstdint>

namespace tarnwick::qt {

class QuietTimer : public QObject {
    Q_OBJECT
public:
    // Becomes the target of requestQuietTimer() for its lifetime. Destroy it only after the
    // reader thread has stopped (stopPortThreads), so no request can reach a dead object.
    QuietTimer();
    ~QuietTimer() override;

    bool isActive() const { return timer.isActive(); }
    int remainingTime() const { return timer.remainingTime(); }
    int expiries() const { return expiryCount; }

    void arm(uint32_t ms);
    void stop() { timer.stop(); }

private:
    QTimer timer;
    int expiryCount = 0;
};

}  // namespace tarnwick::qt
