#pragma once
// Assembly of received bytes into bursts. A burst ends when the line has been quiet for
// 200 ms; the classifier then runs once on the window thread. One lock guards the receive
// buffer, its count and the burst state between the reader thread and the window thread.
#include <cstddef>
#include <cstdint>

namespace tarnwick {

constexpr uint32_t quietMs = 200;

// Reader thread: a chunk has arrived. Starts a new burst (count from 0) when none is in
// progress, stores what fits of the 600 bytes, drops the rest, and keeps the quiet timer armed.
void appendReceived(const uint8_t* bytes, size_t count);

// Window thread, on the quiet timer's expiry: runs classifyBurst() once the line has been
// quiet for 200 ms, otherwise re-arms the timer for the time still missing.
void quietTimerExpired();

// Window thread: copies the whole receive buffer (rxBufferSize bytes) for a unit job to read
// its answer from and returns how many bytes the burst classified last had received.
size_t copyLastBurst(uint8_t* bytes);

// Window thread, on every tick: a burst whose last byte is older than twice the quiet time
// has lost its timer (a request dropped on the way to the window thread); the timer is asked
// for again, so that classification never stops for good.
void rearmStalledBurst();

// Any thread: how many bytes the burst being collected holds so far.
size_t receivedCount();

// True while a burst is being collected (the quiet timer is armed).
bool burstInProgress();

// Forgets the burst in progress and the last classified one; for tests between cases.
void resetBursts();

}  // namespace tarnwick
