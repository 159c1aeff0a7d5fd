#!/usr/bin/env bash
# Nanoseconds per rule-dispatch event, with an opaque indirect call as the
# baseline measured in the same run.
set -euo pipefail
cd "$(dirname "$0")/.."
cmake -S . -B build-bench -DCMAKE_BUILD_TYPE=Release -DMORVANE_BENCH=ON -DMORVANE_TESTS=OFF >/dev/null
cmake --build build-bench -j "$(nproc)" --target dispatch_bench >/dev/null
./build-bench/bench/dispatch_bench
