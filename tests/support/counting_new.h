#pragma once
// A global operator new that counts, for the tests that prove a path allocates nothing. Link
// counting_new.cpp into the test binary, which then has these replacements of its own.
#include <atomic>

namespace counting {

// Allocations are counted only while `on` holds, so that the test framework's own work
// around the measured window does not count.
extern std::atomic<bool> on;
extern std::atomic<long> allocations;

}  // namespace counting
