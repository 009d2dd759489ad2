#pragma once
// The clock that times bursts and the trace. Each platform's port layer supplies it; the tests
// supply a fake clock they move by hand.
#include <cstdint>

namespace tarnwick {

// Monotonic milliseconds; wraps after 49 days, so only differences are meaningful.
uint32_t monotonicMs();

}  // namespace tarnwick
