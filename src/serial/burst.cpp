#include "serial/burst.h"

#include <cstring>
#include <mutex>

#include "base/clock.h"
#include "base/trace.h"
#include "serial/buffers.h"
#include "serial/classifier.h"
#include "serial/quiet_timer.h"

namespace tarnwick {

namespace {

// Guards rxBuffer, rxCount and the burst state below between the reader thread and the
// window thread. Held while the classifier runs, so a chunk that arrives meanwhile waits and
// then opens the next burst instead of landing in the one being classified.
std::mutex receiveLock;

bool quietTimer = false;  // a burst is being collected and its expiry is pending
uint32_t firstByteMs = 0;
uint32_t lastByteMs = 0;

// The burst the classifier saw last, kept for the unit jobs: they read their answer a tick or
// more later, by which time the reader may already be filling the buffer with the next one.
uint8_t lastBurst[rxBufferSize];
size_t lastBurstLength = 0;

}  // namespace

void appendReceived(const uint8_t* bytes, size_t count) {
    if (count == 0) return;
    std::lock_guard<std::mutex> hold(receiveLock);
    lastByteMs = monotonicMs();
    if (!quietTimer) {
        quietTimer = true;
        firstByteMs = lastByteMs;
        rxCount = 0;
        requestQuietTimer(quietMs);
    }
    const size_t room = rxBufferSize - rxCount;
    const size_t stored = count < room ? count : room;
    std::memcpy(rxBuffer + rxCount, bytes, stored);
    rxCount += static_cast<uint32_t>(stored);
}

void quietTimerExpired() {
    stopQuietTimer();
    std::lock_guard<std::mutex> hold(receiveLock);
    if (!quietTimer) return;
    // The timer is armed once per burst, not per chunk: each expiry checks how long the line
    // has really been quiet and waits out the rest, so a late chunk can never split a burst.
    const uint32_t quietFor = monotonicMs() - lastByteMs;
    if (quietFor < quietMs) {
        requestQuietTimer(quietMs - quietFor);
        return;
    }
    quietTimer = false;
    std::memcpy(lastBurst, rxBuffer, rxBufferSize);
    lastBurstLength = rxCount;
    const uint8_t bit = classifyBurst();
    traceBurst(firstByteMs, lastByteMs, lastBurst, lastBurstLength, bit);
}

void rearmStalledBurst() {
    std::lock_guard<std::mutex> hold(receiveLock);
    if (quietTimer && monotonicMs() - lastByteMs >= 2 * quietMs) requestQuietTimer(0);
}

size_t copyLastBurst(uint8_t* bytes) {
    std::memcpy(bytes, lastBurst, rxBufferSize);
    return lastBurstLength;
}

void resetBursts() {
    std::lock_guard<std::mutex> hold(receiveLock);
    quietTimer = false;
    lastByteMs = 0;
    std::memset(lastBurst, 0, sizeof lastBurst);
    lastBurstLength = 0;
}

size_t receivedCount() {
    std::lock_guard<std::mutex> hold(receiveLock);
    return rxCount;
}

bool burstInProgress() {
    std::lock_guard<std::mutex> hold(receiveLock);
    return quietTimer;
}

}  // namespace tarnwick
