#!/usr/bin/env bash
# Checking speed on real code: morvane over every module of libiberty's
# files.txt, with their includes, in ONE run, with an empty rule file and with
# the rule files of examples/, against `gcc -fsyntax-only` over the same files
# with the same flags, and gcc over as many empty files (its start-up), all
# measured in the same invocation.
#
#   bench/parse.sh [CORPUS_DIR] [RUNS]   (default /tmp/corpus, 5 runs)
#
# How gcc is run: one `gcc -fsyntax-only` with all the files; the driver
# starts one cc1 per file, as a build would, so its per-file start-up is in
# the figure, and the run over as many empty files measures that start-up
# alone: "gcc - start-up" is what gcc spends on the text. gcc gets the flags
# of flags.txt; morvane gets them too, plus tools/hostenv's INCLUDE and -D
# list (gcc predefines those macros itself).
#
# The rule files are compiled before the clock starts (the runs reuse the
# compiled files): the figures are those of checking. Times are the best of
# RUNS, wall-clock and CPU (user + sys, children included); the machine is
# shared, so the CPU figures are the steadier ones. The warning-23 count
# (header not found) of our run must be 0 for the ratios to mean anything,
# and the syntax-error count says how much of the code the parser took in.
#
# Targets: with the empty rule file at least as fast as gcc less its
# start-up ((gcc - start-up) / morvane >= 1), and the example rules costing
# at most 30 % more than the empty rule file.
#
# Recorded 2026-12-06 on the 2-core machine, quiet (CPU seconds, best of 3;
# 129 modules, 45659 module lines and 2007939 header lines, warning 23: 0,
# 156 syntax errors, all from C99's inline, which libiberty's ansidecl.h
# leaves a keyword):
#   gcc -fsyntax-only 2.19, start-up 0.89; morvane, empty rule file 0.96,
#   with the 6 example rule files 1.21 (2332 messages):
#   (gcc - start-up)/morvane 1.35x, gcc/morvane 2.28x, examples/empty 1.26x.
#   Guarded headers included again are skipped unread when no rule watches
#   lines, lexical tokens or the preprocessor; examples/lines.mv watches
#   lines, so with the examples every header is read each time.
# Recorded 2026-12-07, quiet (load 1.4), before and after a guarded header
# that rules do not apply to (no -S) was skipped under any rules:
#   before: gcc 3.33, start-up 1.43; empty 1.06, examples 1.38 (2334
#   messages): (gcc - start-up)/morvane 1.79x, examples/empty 1.30x;
#   callgrind over the first 40 modules: empty 1,372 M instructions,
#   lines.mv alone 1,814 M (+32 %).
#   after (load 0.9, two runs): gcc 2.51/2.07, start-up 1.08/0.86; empty
#   0.95/0.72, examples 0.90/0.86: (gcc - start-up)/morvane 1.49x/1.68x,
#   examples/empty 0.95x/1.19x; callgrind: lines.mv alone 1,470 M (+7 %).
source "$(dirname "$0")/libiberty.sh"

# The rule files: an empty one, and the examples compiled together into the
# compiled file of the first.
: > "$work/empty.mv"
examples=()
for f in examples/*.mv; do cp "$f" "$work/"; examples+=("-R$(basename "$f" .mv)"); done
compile() {
  (cd "$work" && "$MORVANE" "$@") >"$work/compile.out" 2>&1 ||
    { echo "the rule files do not compile:" >&2; cat "$work/compile.out" >&2; exit 1; }
}
compile -Rempty
compile "${examples[@]}"
compiled="$work/${examples[0]#-R}.mvo"
[ -f "$compiled" ] && [ -f "$work/empty.mvo" ] || { echo "a compiled rule file is missing" >&2; exit 1; }

cd "$src"
# Each of our runs once more, to count its messages and check that it completes.
ours() { "$MORVANE" "$@" "${hostdefs[@]}" "${flags[@]}" "${files[@]}"; }
for kind in empty examples; do
  rules=("-R$work/empty.mvo")
  [ $kind = empty ] || rules=("-R$compiled")
  ours "${rules[@]}" >"$work/$kind.out" 2>&1 || {
    echo "morvane failed with the $kind rules; the end of its output:" >&2
    tail "$work/$kind.out" >&2; exit 1; }
done
w23=$(grep -c 'Warning C0023' "$work/empty.out" || true)
syntax=$(grep -c 'Warning C0000: Syntax error' "$work/empty.out" || true)
lines=$(grep -E '^[0-9]+ source lines' "$work/empty.out" | tail -1)
messages=$(grep -c 'Warning' "$work/examples.out" || true)

read -r gw gc < <(best gcc -fsyntax-only "${flags[@]}" "${files[@]}")
read -r sw sc < <(best gcc -fsyntax-only "${empties[@]}")
read -r ow oc < <(best "$MORVANE" "-R$work/empty.mvo" "${hostdefs[@]}" "${flags[@]}" "${files[@]}")
read -r xw xc < <(best "$MORVANE" "-R$compiled" "${hostdefs[@]}" "${flags[@]}" "${files[@]}")

printf 'modules: %d (%s)\n' "$n" "$lines"
printf '%-36s %8s %8s\n' '' 'wall s' 'cpu s'
printf '%-36s %8.3f %8.3f\n' 'gcc -fsyntax-only' "$gw" "$gc"
printf '%-36s %8.3f %8.3f\n' "gcc -fsyntax-only, $n empty files" "$sw" "$sc"
printf '%-36s %8.3f %8.3f\n' 'morvane, empty rule file' "$ow" "$oc"
printf '%-36s %8.3f %8.3f\n' "morvane, the ${#examples[@]} example rule files" "$xw" "$xc"
printf '%-36s %8.2fx %7.2fx   (target >= 1)\n' '(gcc - start-up) / morvane' \
  "$(ratio "$gw - $sw" "$ow")" "$(ratio "$gc - $sc" "$oc")"
printf '%-36s %8.2fx %7.2fx\n' 'gcc / morvane' "$(ratio "$gw" "$ow")" "$(ratio "$gc" "$oc")"
printf '%-36s %8.2fx %7.2fx   (target <= 1.30)\n' 'examples / empty rule file' \
  "$(ratio "$xw" "$ow")" "$(ratio "$xc" "$oc")"
printf 'warning 23 (header not found) in our run: %d\n' "$w23"
printf 'syntax errors in our run: %d; messages from the example rules: %d\n' "$syntax" "$messages"
