#include "base/clock.h"
#include "fakes.h"
#include "serial/burst.h"
#include "serial/quiet_timer.h"

namespace fake {

uint32_t nowMs = 0;
bool quietArmed = false;
uint32_t quietDueMs = 0;
int quietRequests = 0;

void resetQuietTimer() {
    nowMs = 0;
    quietArmed = false;
    quietDueMs = 0;
    quietRequests = 0;
}

void deliverBurst(const std::string& bytes) {
    tarnwick::appendReceived(reinterpret_cast<const uint8_t*>(bytes.data()), bytes.size());
    nowMs += tarnwick::quietMs;
    tarnwick::quietTimerExpired();
}

}  // namespace fake

namespace tarnwick {

void requestQuietTimer(uint32_t ms) {
    fake::quietArmed = true;
    fake::quietDueMs = fake::nowMs + ms;
    ++fake::quietRequests;
}

void stopQuietTimer() { fake::quietArmed = false; }

uint32_t monotonicMs() { return fake::nowMs; }

}  // namespace tarnwick
