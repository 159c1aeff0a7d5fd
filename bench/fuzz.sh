#!/usr/bin/env bash
# Builds the libFuzzer targets and runs a fuzzing campaign, by hand (CI does
# not run it).
#
#   bench/fuzz.sh [SECONDS] [TARGET...]
#
# SECONDS (default 180) is the time per target; TARGETs default to all of
# them. Each target starts from its regression inputs under
# tests/fuzz/regressions/<target>/ and keeps its growing corpus in
# $FUZZ_WORK/corpus/<target>/ (default FUZZ_WORK=/tmp/morvane-fuzz). Crashes,
# leaks and timeouts land in $FUZZ_WORK/findings/<target>/; copy each one (and
# its minimised form) into tests/fuzz/regressions/<target>/ so that the unit
# suite replays it.
set -euo pipefail
cd "$(dirname "$0")/.."

seconds=${1:-180}
shift || true
targets=("$@")
if [ ${#targets[@]} -eq 0 ]; then targets=(fuzz_project fuzz_args fuzz_source fuzz_rules); fi
work=${FUZZ_WORK:-/tmp/morvane-fuzz}
build=${FUZZ_BUILD:-build-fuzz}

command -v clang++ >/dev/null || { echo "fuzz.sh: clang++ is needed" >&2; exit 1; }
generator=()
if command -v ninja >/dev/null; then generator=(-G Ninja); fi
cmake -S . -B "$build" "${generator[@]}" -DCMAKE_CXX_COMPILER=clang++ -DMORVANE_FUZZ=ON -DMORVANE_TESTS=OFF >/dev/null
cmake --build "$build" --target "${targets[@]}"

status=0
for target in "${targets[@]}"; do
  corpus="$work/corpus/$target"
  findings="$work/findings/$target"
  mkdir -p "$corpus" "$findings"
  echo "== $target: ${seconds}s, corpus $corpus, findings $findings"
  dict=()
  if [ -f "tests/fuzz/$target.dict" ]; then dict=(-dict="tests/fuzz/$target.dict"); fi
  # -rss_limit_mb and -timeout turn runaway memory and hangs into findings.
  if ! "$build/tests/fuzz/$target" "$corpus" "tests/fuzz/regressions/$target" \
      -max_total_time="$seconds" -timeout=10 -rss_limit_mb=2048 -max_len=4096 \
      -fork=1 -ignore_crashes=1 -ignore_timeouts=1 -ignore_ooms=1 \
      "${dict[@]}" -artifact_prefix="$findings/" -print_final_stats=1 2>"$work/$target.log"; then
    status=1
  fi
  tail -n 20 "$work/$target.log"
  found=$(find "$findings" -type f | wc -l)
  echo "== $target: $found finding(s) in $findings"
  if [ "$found" -gt 0 ]; then status=1; fi
done
exit $status
