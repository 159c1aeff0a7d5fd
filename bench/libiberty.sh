# Set-up shared by the benchmarks that run over libiberty (bench/pp.sh,
# bench/parse.sh); sourced, with the benchmark's arguments:
#   [CORPUS_DIR] [RUNS]   (default /tmp/corpus, 5 runs)
# It leaves: root (the source tree), runs, src (the corpus folder), MORVANE
# (the executable BENCH_TARGET, default morvane, built into build-bench
# unless MORVANE names one), work (a temporary folder removed at
# exit), INCLUDE exported and hostdefs from tools/hostenv, flags (flags.txt),
# files (files.txt) and their number n, empties (as many empty modules), and
# the functions best and ratio. The working directory is the source tree.
set -euo pipefail
export LC_ALL=C
cd "$(dirname "${BASH_SOURCE[0]}")/.."
root=$PWD
corpus=${1:-/tmp/corpus}
runs=${2:-5}
src="$corpus/A-libiberty"
[ -f "$src/files.txt" ] || { echo "no corpus at $src: run ../shared/corpus.sh $corpus first" >&2; exit 1; }

if [ -z "${MORVANE:-}" ]; then
  cmake -S . -B build-bench -DCMAKE_BUILD_TYPE=Release -DMORVANE_BENCH=ON >/dev/null
  cmake --build build-bench -j2 --target "${BENCH_TARGET:-morvane}" >/dev/null
  MORVANE=$root/build-bench/${BENCH_TARGET:-morvane}
fi

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

export "$(tools/hostenv c | head -1)"
mapfile -t hostdefs < <(tools/hostenv c | tail -n +2)
read -r -a flags < "$src/flags.txt"
mapfile -t files < "$src/files.txt"
n=${#files[@]}
for i in $(seq "$n"); do : > "$work/empty$i.c"; done
empties=("$work"/empty*.c)

# best CMD...: runs CMD $runs times; prints "wall cpu", the best of each.
best() {
  local bw=999999 bc=999999 w c
  for _ in $(seq "$runs"); do
    /usr/bin/time -f '%e %U %S' -o "$work/t" "$@" >/dev/null 2>&1 || true
    read -r w u s < <(tail -1 "$work/t")
    c=$(echo "$u + $s" | bc)
    bw=$(echo "if ($w < $bw) $w else $bw" | bc)
    bc=$(echo "if ($c < $bc) $c else $bc" | bc)
  done
  echo "$bw $bc"
}

ratio() { echo "scale=3; ($1) / ($2)" | bc -l; }
