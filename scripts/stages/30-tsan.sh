#!/usr/bin/env bash
# The tests that run threads (the serial link and the end-to-end runs) under ThreadSanitizer.
set -euo pipefail
cmake -S . -B build/tsan -DCMAKE_BUILD_TYPE=Debug -DTARNWICK_SANITIZE=thread \
  -DTARNWICK_BUILD_QT=OFF -DTARNWICK_BUILD_BENCH=OFF >/dev/null
cmake --build build/tsan -j"$(nproc)"
export TSAN_OPTIONS=halt_on_error=1:second_deadlock_stack=1
export TARNWICK_SOAK_SECONDS=60
if ctest --test-dir build/tsan -N -L 'serial|e2e' | grep -q 'Total Tests: 0'; then
  echo "no threaded tests yet"
  exit 0
fi
ctest --test-dir build/tsan -L 'serial|e2e' -j"$(nproc)" --output-on-failure
