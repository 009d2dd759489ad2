#!/usr/bin/env bash
# The tests again under AddressSanitizer and UndefinedBehaviorSanitizer.
set -euo pipefail
cmake -S . -B build/asan -DCMAKE_BUILD_TYPE=Debug "-DTARNWICK_SANITIZE=address;undefined" \
  -DTARNWICK_BUILD_BENCH=OFF >/dev/null
cmake --build build/asan -j"$(nproc)"
export QT_QPA_PLATFORM=offscreen
export ASAN_OPTIONS=abort_on_error=1:detect_stack_use_after_return=1
export UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1
export TARNWICK_SOAK_SECONDS=60
ctest --test-dir build/asan -LE bench -j"$(nproc)" --output-on-failure
