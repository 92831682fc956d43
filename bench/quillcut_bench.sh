#!/usr/bin/env bash
# Line filter throughput against the standard tools doing the same job, and
# peak memory on a large input.
#
#   bench/quillcut_bench.sh [BUILD_DIR] [MEGABYTES] [BIG_MEGABYTES]
#
# BUILD_DIR defaults to ./build, MEGABYTES (the timed corpus) to 200,
# BIG_MEGABYTES (the memory run) to 1024. Scratch files go to $BENCH_DIR
# (default: /dev/shm when it exists, so the disk does not blur the figures)
# and are removed at the end.
set -euo pipefail

build=${1:-build}
megabytes=${2:-200}
big_megabytes=${3:-1024}
runs=5
quillcut=$build/stripper/quillcut
corpus=$build/bench/quillcut_corpus
for tool in "$quillcut" "$corpus"; do
  [[ -x $tool ]] || { echo "missing $tool: build first" >&2; exit 1; }
done

base=${BENCH_DIR:-$([[ -d /dev/shm ]] && echo /dev/shm || echo "${TMPDIR:-/tmp}")}
work=$(mktemp -d "$base/quillcut-bench.XXXXXX")
trap 'rm -rf "$work"' EXIT
export LC_ALL=C

# The default job: drop blank and semicolon lines, trim trailing blanks, end
# lines in CR LF.
job_quillcut() { "$quillcut" "$1" "$2" /O >/dev/null; }
job_sed() { sed -E -e 's/\r$//' -e '/^ *(;|$)/d' -e 's/ +$//' -e 's/$/\r/' "$1" >"$2"; }
job_grep() { grep -v -E '^ *(;|$)' "$1" >"$2"; }
job_cat() { cat "$1" >"$2"; }
tools=(quillcut sed grep cat)

now_ns() { date +%s%N; }

median() { printf '%s\n' "$@" | sort -n | awk '{a[NR]=$1} END {print a[int((NR+1)/2)]}'; }

# Seconds per tool, alternating the order from run to run.
time_tools() {
  local input=$1
  declare -gA times=()
  for ((run = 0; run < runs; run++)); do
    local order=("${tools[@]}")
    ((run % 2)) && order=(cat grep sed quillcut)
    for tool in "${order[@]}"; do
      rm -f "$work/out"
      local start end
      start=$(now_ns)
      "job_$tool" "$input" "$work/out"
      end=$(now_ns)
      times[$tool]+="$(((end - start) / 1000)) "
    done
  done
  rm -f "$work/out"
}

report() {
  local label=$1 bytes=$2
  echo "== $label: $((bytes >> 20)) MB, median of $runs runs"
  declare -gA rate=()
  for tool in "${tools[@]}"; do
    local us
    # shellcheck disable=SC2086
    us=$(median ${times[$tool]})
    rate[$tool]=$(awk -v b="$bytes" -v us="$us" 'BEGIN {printf "%.0f", b / 1048576 / (us / 1e6)}')
    printf '  %-9s %8.3f s  %6s MB/s\n' "$tool" "$(awk -v us="$us" 'BEGIN {print us / 1e6}')" \
      "${rate[$tool]}"
  done
  awk -v q="${rate[quillcut]}" -v g="${rate[grep]}" -v c="${rate[cat]}" -v s="${rate[sed]}" \
    'BEGIN {printf "  quillcut / grep -v: %.2fx   / sed: %.2fx   / cat: %.0f%%\n", q / g, q / s, 100 * q / c}'
}

for variant in lf crlf; do
  input=$work/corpus-$variant.txt
  "$corpus" "$megabytes" "$input" $([[ $variant == crlf ]] && echo crlf)
  cat "$input" >/dev/null  # into the page cache for every tool alike
  time_tools "$input"
  report "corpus with $variant line ends" "$(stat -c %s "$input")"
  rm -f "$input"
done

big=$work/big.txt
"$corpus" "$big_megabytes" "$big"
peak=$(/usr/bin/time -f '%M' "$quillcut" "$big" "$work/out" /O 2>&1 >/dev/null | tail -n 1)
echo "== peak memory on $((big_megabytes)) MB: quillcut $((peak / 1024)) MB (${peak} KB maximum resident set)"
