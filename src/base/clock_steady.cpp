#include <chrono>

#include "base/clock.h"

namespace tarnwick {

uint32_t monotonicMs() {
    const auto now = std::chrono::steady_clock::now().time_since_epoch();
    // Cut to 32 bits on purpose: callers only take differences, which survive the wrap.
    return static_cast<uint32_t>(
        std::chrono::duration_cast<std::chrono::milliseconds>(now).count());
}

}  // namespace tarnwick
