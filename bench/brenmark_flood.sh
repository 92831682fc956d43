#!/usr/bin/env bash
# Logger throughput: thermosim floods N lines into brenmark (timestamped log,
# STDOUT off, screen to /dev/null, no keyboard). Prints lines/s and CPU
# seconds, checks that the log holds every line once and in order, and puts
# references measured the same way beside it: a plain reader that does the
# same per-line work, and `cat | ts` when moreutils is installed.
#
#   bench/brenmark_flood.sh [BUILD_DIR] [LINES]      (default: build 1000000)
set -euo pipefail

build=${1:-build}
lines=${2:-1000000}
brenmark=$build/logger/brenmark
thermosim=$build/tools/thermosim
reference=$build/bench/brenmark_reference_reader
for tool in "$brenmark" "$thermosim" "$reference"; do
  [[ -x $tool ]] || { echo "missing $tool: build first (cmake --build $build)" >&2; exit 1; }
done

base=${BENCH_DIR:-$([[ -d /dev/shm ]] && echo /dev/shm || echo "${TMPDIR:-/tmp}")}
work=$(mktemp -d "$base/brenmark-bench.XXXXXX")
sim_pid=""
stop_sim() {
  if [[ -n $sim_pid ]] && kill -0 "$sim_pid" 2>/dev/null; then
    kill "$sim_pid" 2>/dev/null || true
    wait "$sim_pid" 2>/dev/null || true
  fi
  sim_pid=""
}
trap 'stop_sim; rm -rf "$work"' EXIT
export LC_ALL=C

# Starts a flood; sets $port (device path) and $port_string (port string).
start_flood() {
  exec {sim_out}< <(exec "$thermosim" --flood "$lines" --linger 0 --quiet)
  sim_pid=$!
  IFS= read -r -t 10 -u "$sim_out" port_string || { echo "thermosim did not start" >&2; exit 1; }
  port=${port_string%%:*}
}

# Seconds and CPU seconds of a command, into $wall and $cpu.
measure() {
  local t0 t1 times_before times_after
  cpu_of_children; times_before=$children_cpu
  t0=$(date +%s%N)
  "$@"
  t1=$(date +%s%N)
  cpu_of_children; times_after=$children_cpu
  wall=$(awk -v a="$t0" -v b="$t1" 'BEGIN { printf "%.3f", (b - a) / 1e9 }')
  cpu=$(awk -v a="$times_before" -v b="$times_after" 'BEGIN { printf "%.2f", b - a }')
}
# User + system seconds of the finished children of this shell, into
# $children_cpu (`times` must run in this shell, not in a subshell).
cpu_of_children() {
  times >"$work/times"
  children_cpu=$(awk 'NR == 2 { split($1, u, "m"); split($2, s, "m");
    printf "%.3f", u[1] * 60 + u[2] + s[1] * 60 + s[2] }' "$work/times")
}

# Every record "date<TAB>time<TAB>n" for n = 1..lines, then the final line.
check_log() {
  awk -F'\t' -v n="$lines" '
    /^Exit Code: / { final = NR; next }
    { sub(/\r$/, "", $3); if (NF != 3 || $3 != ++seen) { bad = NR; exit } }
    END {
      if (bad) { print "WRONG at line " bad; exit 1 }
      if (seen != n) { print "WRONG: " seen " of " n " lines"; exit 1 }
      print "all " n " lines once, in order" (final ? ", final line present" : "")
    }' "$1"
}

rate() { awk -v n="$lines" -v s="$1" 'BEGIN { printf "%d", n / s }'; }

echo "flood of $lines lines"

# brenmark
start_flood
cat >"$work/flood.ini" <<INI
PORTSTR=$port_string
APNDTIME=YES
FILESTR=$work/flood.txt
INI
status=0
measure sh -c '"$0" "$1" </dev/null >/dev/null || exit 0' "$brenmark" "$work/flood.ini"
stop_sim
printf '  %-22s %9s lines/s  %6ss wall  %6ss CPU   ' brenmark "$(rate "$wall")" "$wall" "$cpu"
check_log "$work/flood.txt" || status=1

# The plain reader, same per-line work.
start_flood
measure "$reference" "$port" "$work/reference.txt"
stop_sim
printf '  %-22s %9s lines/s  %6ss wall  %6ss CPU   ' "plain reader" "$(rate "$wall")" "$wall" "$cpu"
check_log "$work/reference.txt" || true

if command -v ts >/dev/null; then
  start_flood
  # cat ends when thermosim goes away after the flood.
  measure sh -c 'cat "$0" 2>/dev/null | ts "%Y-%m-%d	%H:%M:%S	" >"$1"' "$port" "$work/ts.txt"
  stop_sim
  printf '  %-22s %9s lines/s  %6ss wall  %6ss CPU\n' "cat | ts" "$(rate "$wall")" "$wall" "$cpu"
else
  echo "  (cat | ts skipped: install moreutils for it)"
fi
exit $status
