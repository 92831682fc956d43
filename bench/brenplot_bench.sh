#!/usr/bin/env bash
# brenplot on generated logs: a month (1.3 M records, one each 2 s) and a year
# (10 M records). Targets: `brenplot -o x.svg` under 1 s and under 2.5 s, the
# SVG under 1 MB, peak memory set by the chart, not the log. References
# measured on the same files in the same run: `cat > /dev/null` and `wc -l`.
#
#   bench/brenplot_bench.sh [BUILD_DIR]      (default: build)
set -euo pipefail

build=${1:-build}
brenplot=$build/plotter/brenplot
generator=$build/bench/plot_log_generator
for tool in "$brenplot" "$generator"; do
  [[ -x $tool ]] || { echo "missing $tool: build first (cmake --build $build)" >&2; exit 1; }
done
command -v gnuplot >/dev/null || { echo "gnuplot missing: apt-get install gnuplot-nox" >&2; exit 1; }

work=$(mktemp -d "${TMPDIR:-/tmp}/brenplot-bench.XXXXXX")
trap 'rm -rf "$work"' EXIT

# shellcheck source=bench/best_of_three.sh
source "$(dirname "${BASH_SOURCE[0]}")/best_of_three.sh"

# Other work on the machine stretches wall times: show how busy it is.
echo "load average: $(cut -d' ' -f1-3 /proc/loadavg) on $(nproc) cores"
printf '%-6s %9s %4s | %-30s | %-22s | %-22s | %s\n' \
  "log" "records" "MB" "brenplot -o x.svg" "cat >/dev/null" "wc -l" "svg"
for size in "month 1300000 1.0" "year 10000000 2.5"; do
  read -r name records target <<<"$size"
  log=$work/$name.txt
  "$generator" "$records" "$log"
  mb=$(( $(stat -c %s "$log") / 1000000 ))
  cat "$log" >/dev/null  # into the page cache, as for every reference
  read -r plot_time plot_cpu plot_rss < <(measure "$brenplot" -o "$work/$name.svg" "$log")
  read -r cat_time cat_cpu cat_rss < <(measure cat "$log")
  read -r wc_time wc_cpu wc_rss < <(measure wc -l "$log")
  # Without gnuplot: brenplot's own memory (the chart run's RSS is gnuplot's when larger).
  read -r data_time data_cpu data_rss < <(measure "$brenplot" --data "$log")
  svg_kb=$(( $(stat -c %s "$work/$name.svg") / 1000 ))
  printf '%-6s %9s %4s | %5ss cpu %5ss %6s KB RSS | %5ss cpu %5ss %5s KB | %5ss cpu %5ss %5s KB | %s KB\n' \
    "$name" "$records" "$mb" "$plot_time" "$plot_cpu" "$plot_rss" "$cat_time" "$cat_cpu" \
    "$cat_rss" "$wc_time" "$wc_cpu" "$wc_rss" "$svg_kb"
  echo "       brenplot --data >/dev/null: ${data_time}s, cpu ${data_cpu}s, ${data_rss} KB RSS"
  ok=$(awk -v t="$plot_time" -v limit="$target" 'BEGIN { print (t < limit) ? "met" : "MISSED" }')
  echo "       target: under ${target} s, SVG under 1000 KB -> time $ok," \
    "svg $([[ $svg_kb -lt 1000 ]] && echo met || echo MISSED)"
  rm -f "$log"
done
