#!/usr/bin/env bash
# Reading and lexing speed: morvane over at least 50 MB of real C text, with no
# rules and with one rule on a lex1_ variable, against `wc -w` over the same
# file in the same run. Prints the best of 5 wall times and the ratios.
#
#   bench/lex.sh [CORPUS_DIR]   (default /tmp/corpus, made by ../shared/corpus.sh)
set -euo pipefail
export LC_ALL=C
cd "$(dirname "$0")/.."
corpus=${1:-/tmp/corpus}
src="$corpus/A-libiberty"
[ -d "$src" ] || { echo "no corpus at $src: run ../shared/corpus.sh $corpus first" >&2; exit 1; }

# MORVANE and MVASM name binaries to time instead of building build-bench.
if [ -z "${MORVANE:-}" ]; then
  cmake -S . -B build-bench -DCMAKE_BUILD_TYPE=Release -DMORVANE_BENCH=ON >/dev/null
  cmake --build build-bench -j "$(nproc)" --target morvane mvasm >/dev/null
  MORVANE=$PWD/build-bench/morvane
fi
MVASM=${MVASM:-$(dirname "$MORVANE")/mvasm}

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
# The .c files concatenated until the text holds at least 50 MB, without their
# directive lines: no header is read and no macro expanded, so what is timed
# is reading, lexing and handing out tokens.
: > "$work/big.c"
while [ "$(stat -c %s "$work/big.c")" -lt 52428800 ]; do
  (cd "$src" && cat $(find . -name '*.c' | sort)) | grep -v '^[[:space:]]*#' >> "$work/big.c"
done
size=$(stat -c %s "$work/big.c")

cat > "$work/lex1.asm" <<'ASM'
rule lex_radix
  VARREF lex_radix
  INTIMM 16
  EQUAL
  IF @out
  VARREF usr_0
  PREINC
  ENDSTMT
out:
  STOP
end
ASM
sed -i '1i var int' "$work/lex1.asm"
"$MVASM" "$work/lex1.asm" "$work/lex1.mvo"

best() {  # best wall time in seconds of 5 runs of the command
  local b=999999
  for _ in 1 2 3 4 5; do
    local s e t
    s=$(date +%s.%N); "$@" >/dev/null 2>&1 || true; e=$(date +%s.%N)
    t=$(echo "$e - $s" | bc)
    b=$(echo "if ($t < $b) $t else $b" | bc)
  done
  echo "$b"
}

cd "$work"
wc_t=$(best wc -w big.c)
plain_t=$(best "$MORVANE" big.c)
rule_t=$(best "$MORVANE" -Rlex1.mvo big.c)
printf 'text: %d bytes\n' "$size"
printf 'wc -w                    %8.3f s\n' "$wc_t"
printf 'morvane, no rules        %8.3f s  (%.2fx wc -w)\n' "$plain_t" "$(echo "$plain_t / $wc_t" | bc -l)"
printf 'morvane, one lex1_ rule  %8.3f s  (%.2fx wc -w, +%.0f%% over no rules)\n' "$rule_t" \
  "$(echo "$rule_t / $wc_t" | bc -l)" "$(echo "($rule_t / $plain_t - 1) * 100" | bc -l)"
