#pragma once
// The hand-off from the senders on the window thread to the writer thread.
#include <cstddef>
#include <cstdint>

namespace tarnwick {

// Window thread: queues a copy of the TxBuffer's n bytes and wakes the writer. Each call
// becomes exactly one transmission, also when the previous one is still going out. Without
// a running writer (no port open) nothing is queued; n = 0 sends nothing.
void sendTxBuffer();

// Writer thread: moves the oldest queued send into `bytes` (room for 255) and returns its
// length, or -1 when nothing is queued.
int takePendingSend(uint8_t* bytes);

// Forgets every queued send; used when the writer stops.
void clearPendingSends();

}  // namespace tarnwick
