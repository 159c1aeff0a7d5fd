#!/usr/bin/env bash
# A statistic asked for its median while it grows: 100000 cases with median()
# after every 1000, against std::sort of a copy of the cases at each step,
# measured in the same run. Prints both times and the ratio (target: at most 2).
#
#   bench/stats.sh [BUILD_DIR]   (default build-bench)
set -euo pipefail
cd "$(dirname "$0")/.."
build=${1:-build-bench}
cmake -S . -B "$build" -DCMAKE_BUILD_TYPE=Release -DMORVANE_BENCH=ON -DMORVANE_TESTS=OFF >/dev/null
cmake --build "$build" -j 2 --target morvane_core >/dev/null
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
${CXX:-c++} -std=c++20 -O2 -DNDEBUG -Isrc bench/stats_bench.cpp "$build/libmorvane_core.a" -o "$work/stats_bench"
"$work/stats_bench"
