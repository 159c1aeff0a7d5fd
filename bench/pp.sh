#!/usr/bin/env bash
# Preprocessing and tokenising speed on real code: morvane over every module
# of libiberty's files.txt, with their includes, in ONE run with no rules,
# against `gcc -E` over the same files with the same flags, and gcc over as
# many empty files (its start-up), all measured in the same invocation.
#
#   bench/pp.sh [CORPUS_DIR] [RUNS]   (default /tmp/corpus, 5 runs)
#
# What is measured of ours: the checker as built from the same library, but
# with each module's tokens pulled through the token stream to the module's
# end instead of handed to the parser (build-bench/morvane_tokens, from
# bench/tokens_main.cpp): preprocessing, lexing and the token stream with its
# line closing, which is what `gcc -E` does too. The parser's share is
# measured by bench/parse.sh. MORVANE may name another such executable.
#
# How gcc is run: one `gcc -E` with all the files. The driver accepts that and
# starts one cc1 per file, exactly as a build would for each module, so its
# per-file start-up is in the figure; the run of as many empty files measures
# that start-up alone, and "gcc - start-up" is what gcc spends on the text.
# gcc gets the flags of flags.txt; morvane gets them too, plus tools/hostenv's
# INCLUDE and -D list (gcc predefines those macros itself).
#
# Times are the best of RUNS, both wall-clock and CPU (user + sys, children
# included). The machine is shared, so the CPU figures are the steadier ones;
# the ratios are printed for both. The warning-23 count (header not found) of
# our run must be 0 for the ratio to mean anything.
#
# Recorded 2026-12-06 on the shared 2-core machine (CPU seconds, best of 5;
# 129 modules, 45659 module lines and 2007939 header lines, warning 23: 0):
#   before reading files whole and the plain-run scanners:
#     gcc -E 2.01, start-up 1.04, morvane 2.54: (gcc - start-up)/morvane 0.38x, gcc/morvane 0.79x
#   after (commit "Turn away names that are no module macro..."):
#     gcc -E 1.89, start-up 1.00, morvane 1.39: (gcc - start-up)/morvane 0.64x, gcc/morvane 1.36x
#   after the expansion buffers were reused (commit "Keep pending macro tokens
#   in a reversed vector..."): morvane 1.00 against 1.12 in the same session,
#   gcc/morvane 1.56x, (gcc - start-up)/morvane 0.72x; callgrind 6.15 G -> 5.29 G.
#   The 1.5x target is not met. callgrind: 10.6 G instructions before, 6.1 G
#   after; what remains is spread over macro expansion (its token vectors and
#   strings), directive evaluation, and the per-line and per-token records.
#   after headers were read once a run, guarded headers read again were
#   skipped while nothing sees their lines, keywords and macro names were
#   turned away cheaply and line records reused (commit "Reuse line records
#   ..."; Release build, the tokens pulled to the end of each module as
#   before the parser was attached; machine load about 18, two runs):
#     gcc -E 1.85, start-up 0.80, morvane 0.65: (gcc - start-up)/morvane 1.62x, gcc/morvane 2.85x
#     gcc -E 1.76, start-up 0.92, morvane 0.68: (gcc - start-up)/morvane 1.24x, gcc/morvane 2.59x
#   The same invocation with -O2 builds: morvane 1.32 before, 0.77 after.
#   callgrind 5.49 G -> 3.89 G instructions; system time 0.22 s -> 0.04 s
#   (51,000 failed opens of the header search are gone). The start-up figure
#   moves by a quarter from run to run on a loaded machine, and the ratio with it.
#   after bench/pp.sh measured the parser-less build (morvane_tokens) again,
#   and keywords, macro names and token texts were hashed and interned
#   (commits "Look keywords up in one hash index..." to "Reuse the groups of
#   argument lists..."): callgrind 3.83 G -> 3.44 G instructions over the same
#   run. Both builds in one session, machine load about 12 (three other
#   builds and test runs), CPU seconds, best of 3:
#     before: gcc -E 2.32, start-up 1.18, morvane 1.15: (gcc - start-up)/morvane 0.99x, gcc/morvane 2.02x
#     after:  gcc -E 2.20, start-up 1.17, morvane 0.89: (gcc - start-up)/morvane 1.16x, gcc/morvane 2.47x
#   Under that load every figure is inflated; the 1.5x target is still not
#   shown met. What remains is spread over the per-line records (reading,
#   closing and freeing a line, its end-of-line token: about a fifth), the
#   directive tokens that go through the whole of Lex1, and #define reading.
#   after header searches were remembered for the run and lines without
#   tokens got no end-of-line token while nothing watches lines (commits
#   "Remember where each header search found its header..." and "Make no
#   end-of-line token for a line without tokens..."): callgrind (-O2 -g)
#   3.23 G -> 3.00 G instructions over the same run, output identical.
#   Release build, 2026-12-07, machine shared (load 1.2-2.0 falling, a
#   sanitizer test run beside the first three), CPU seconds, best of 3,
#   six runs:
#     gcc -E 2.03, start-up 1.29, morvane 0.83: 0.89x    gcc -E 2.41, start-up 1.11, morvane 0.52: 2.50x
#     gcc -E 2.31, start-up 1.09, morvane 0.50: 2.44x    gcc -E 2.19, start-up 1.29, morvane 0.67: 1.34x
#     gcc -E 1.90, start-up 1.25, morvane 0.57: 1.14x    gcc -E 1.91, start-up 1.18, morvane 0.56: 1.30x
#   Ours is 0.50-0.57 in four of six runs; gcc's figure less its start-up
#   moves between 0.65 and 1.30 from run to run, and the ratio with it: the
#   1.5x target is met in two runs, not shown steadily met. Left: the
#   per-line work of lines with tokens, directive tokens through Lex1 and
#   their interning (about 440 instructions each), #define bodies (2.8 K
#   instructions a definition) and #if expansion (8 K an #if).
BENCH_TARGET=morvane_tokens
source "$(dirname "$0")/libiberty.sh"

cd "$src"
# Our run once more to count the warnings and check that it completes.
"$MORVANE" "${hostdefs[@]}" "${flags[@]}" "${files[@]}" >"$work/ours.out" 2>&1 || {
  echo "morvane failed; its output is in $work/ours.out" >&2; tail "$work/ours.out" >&2; exit 1; }
w23=$(grep -c 'Warning C0023' "$work/ours.out" || true)
lines=$(grep -E '^[0-9]+ source lines' "$work/ours.out" | tail -1)

read -r gw gc < <(best gcc -E "${flags[@]}" "${files[@]}")
read -r sw sc < <(best gcc -E "${empties[@]}")
read -r ow oc < <(best "$MORVANE" "${hostdefs[@]}" "${flags[@]}" "${files[@]}")

printf 'modules: %d (%s)\n' "$n" "$lines"
printf '%-28s %8s %8s\n' '' 'wall s' 'cpu s'
printf '%-28s %8.3f %8.3f\n' 'gcc -E' "$gw" "$gc"
printf '%-28s %8.3f %8.3f\n' "gcc -E, $n empty files" "$sw" "$sc"
printf '%-28s %8.3f %8.3f\n' 'morvane, no rules' "$ow" "$oc"
printf '%-28s %8.2fx %7.2fx   (target >= 1.5)\n' '(gcc - start-up) / morvane' \
  "$(ratio "$gw - $sw" "$ow")" "$(ratio "$gc - $sc" "$oc")"
printf '%-28s %8.2fx %7.2fx\n' 'gcc / morvane' "$(ratio "$gw" "$ow")" "$(ratio "$gc" "$oc")"
printf 'warning 23 (header not found) in our run: %d\n' "$w23"
