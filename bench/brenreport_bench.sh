#!/usr/bin/env bash
# brenreport over the year log of brenplot's benchmark (10 M records, a
# reading every 2 s), writing the JSON and the HTML (gnuplot's chart
# included) in one run, beside mawk summing the value column of the same file
# in the same run. Targets: no slower than mawk; peak RSS of brenreport itself
# under 20 MB (gnuplot, a child, apart).
#
#   bench/brenreport_bench.sh [BUILD_DIR]      (default: build)
set -euo pipefail

build=${1:-build}
brenreport=$build/reporter/brenreport
generator=$build/bench/plot_log_generator
for tool in "$brenreport" "$generator"; do
  [[ -x $tool ]] || { echo "missing $tool: build first (cmake --build $build)" >&2; exit 1; }
done
command -v mawk >/dev/null || { echo "mawk missing: apt-get install mawk" >&2; exit 1; }
work=$(mktemp -d "${BENCH_DIR:-/dev/shm}/brenreport-bench.XXXXXX")
trap 'rm -rf "$work"' EXIT

# shellcheck source=bench/best_of_three.sh
source "$(dirname "${BASH_SOURCE[0]}")/best_of_three.sh"

echo "load average: $(cut -d' ' -f1-3 /proc/loadavg) on $(nproc) cores"
log=$work/year.txt
"$generator" 10000000 "$log"
cat "$log" >/dev/null  # into the page cache for both
args=(--high 76 --low 67 --stale 1h -o "$work/year.json" -o "$work/year.html" "$log")
read -r report_time report_cpu report_rss < <(measure "$brenreport" "${args[@]}")
read -r awk_time awk_cpu awk_rss < <(measure mawk -F'\t' '{ s += $3 } END { print s }' "$log")
# /usr/bin/time's peak RSS is the largest of the process and its children
# (gnuplot): the program's own is measured once more without gnuplot on PATH.
read -r _ _ own_rss < <(measure /usr/bin/env PATH=/nonexistent "$brenreport" "${args[@]}")
echo "year log: $(( $(stat -c %s "$log") / 1000000 )) MB, 10,000,000 records"
echo "  brenreport (JSON + HTML): ${report_time}s wall, ${report_cpu}s CPU," \
  "${report_rss} KB peak RSS with gnuplot, ${own_rss:-?} KB of its own;" \
  "JSON $(( $(stat -c %s "$work/year.json") / 1000 )) KB, HTML $(( $(stat -c %s "$work/year.html") / 1000 )) KB"
echo "  mawk sum of column 3: ${awk_time}s wall, ${awk_cpu}s CPU, ${awk_rss} KB peak RSS"
awk -v t="$report_time" -v m="$awk_time" -v r="${own_rss:-0}" 'BEGIN {
  printf "  target: no slower than mawk -> %s (%.2fx); own peak under 20 MB -> %s\n",
         (t <= m ? "met" : "MISSED"), (m > 0 ? t / m : 0), (r > 0 && r < 20480 ? "met" : "MISSED") }'
