#!/usr/bin/env bash
# Debug-free optimised build with every test and the benchmarks.
set -euo pipefail
cmake -S . -B build/native -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
cmake --build build/native -j"$(nproc)"
export QT_QPA_PLATFORM=offscreen
ctest --test-dir build/native -LE bench -j"$(nproc)" --output-on-failure
# The figures; a benchmark fails only when it measured nothing.
code=0
ctest --test-dir build/native -L bench --output-on-failure -V >build/native/bench.log 2>&1 || code=$?
grep -E '^[0-9]+: ' build/native/bench.log | sed 's/^[0-9]*: //' | grep -v -E '^(Test command|Working Directory|Environment variables|Test timeout| QT_QPA|QStandardPaths|This plugin)' || true
[ "$code" -eq 0 ] || { grep -E 'Failed|FAIL' build/native/bench.log >&2; exit "$code"; }
