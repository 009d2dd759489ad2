#!/usr/bin/env bash
# Debug-free optimised build with every test and the benchmarks.
set -euo pipefail
cmake -S . -B build/native -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
cmake --build build/native -j"$(nproc)"
export QT_QPA_PLATFORM=offscreen
ctest --test-dir build/native -LE bench -j"$(nproc)" --output-on-failure
ctest --test-dir build/native -L bench --output-on-failure -V | grep -E '^[0-9]+: ' | sed 's/^[0-9]*: //' || true
