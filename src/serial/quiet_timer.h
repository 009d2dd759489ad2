#pragma once
// The quiet timer (timer 1 of the main window). Each front end supplies it; the tests supply a
// timer they expire by hand.
#include <cstdint>

namespace tarnwick {

// Any thread: have the window thread fire the quiet timer once, `ms` milliseconds from now,
// replacing a pending expiry. The expiry calls quietTimerExpired() on the window thread.
void requestQuietTimer(uint32_t ms);

// Window thread: cancel a pending expiry.
void stopQuietTimer();

}  // namespace tarnwick
