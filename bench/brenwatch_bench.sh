#!/usr/bin/env bash
# brenwatch's two costs.
# 1. `--once` over the year log of brenplot's benchmark (10 M records), with
#    high, low, delay and stale alarms, beside mawk summing the value column
#    of the same file in the same run. Target: no slower than mawk, under
#    10 MB peak RSS.
# 2. CPU while following brenmark logging thermosim's lines at 11,520 bytes/s
#    (with the stamps on: more bytes per reading than the line carries),
#    beside brenmark's own CPU in the same run, and while the line is idle.
#    Target: below brenmark's own; idle under 0.1% of a core.
# 3. Idle CPU and memory (RSS) while following a folder of 10,000 numbered
#    logs (a year of hourly files and more), beside the same with 10, once
#    only watching and once also shipping to a server that is away.
#    Target: under 0.1% of a core either way; under 10 MB watching, under
#    20 MB shipping (shipping's own target, whatever the backlog).
#
#   bench/brenwatch_bench.sh [BUILD_DIR] [SECONDS] [all|many]   (default: build 30 all)
set -euo pipefail

build=${1:-build}
seconds=${2:-30}
what=${3:-all}
brenwatch=$build/watcher/brenwatch
generator=$build/bench/plot_log_generator
for tool in "$brenwatch" "$generator"; do
  [[ -x $tool ]] || { echo "missing $tool: build first (cmake --build $build)" >&2; exit 1; }
done
command -v mawk >/dev/null || { echo "mawk missing: apt-get install mawk" >&2; exit 1; }
source "$(dirname "${BASH_SOURCE[0]}")/logger_run.sh" brenwatch-bench
watch_pid=""
trap 'kill $watch_pid 2>/dev/null || true; cleanup' EXIT

# shellcheck source=bench/best_of_three.sh
source "$(dirname "${BASH_SOURCE[0]}")/best_of_three.sh"

echo "load average: $(cut -d' ' -f1-3 /proc/loadavg) on $(nproc) cores"

percent() { awk -v t="$1" -v hz="$ticks" -v s="$seconds" 'BEGIN { printf "%.4f", 100 * t / hz / s }'; }

# brenwatch idle on a folder of N numbered logs; prints CPU % and RSS.
idle_many() {
  local count=$1 label=$2
  shift 2
  local folder=$work/many$count
  mkdir -p "$folder"
  local i
  for ((i = 0; i < count; i++)); do
    printf -v name 'T%04d.txt' "$i"
    printf '2026-12-09\t06:00:00\t7.5\r\n' >"$folder/$name"
  done
  printf 'FILESTR=%s/T0000.txt\nSWITCHHRS=1\nAPNDTIME=YES\n' "$folder" >"$folder/lab.ini"
  "$brenwatch" --plain --high 1000000000 --stale 1h "$@" "$folder/lab.ini" >/dev/null 2>&1 &
  watch_pid=$!
  sleep 2
  local before after rss
  before=$(cpu_ticks "$watch_pid")
  sleep "$seconds"
  after=$(cpu_ticks "$watch_pid")
  rss=$(awk '/^VmRSS/ { print $2 }' "/proc/$watch_pid/status")
  kill "$watch_pid" 2>/dev/null || true
  wait "$watch_pid" 2>/dev/null || true
  watch_pid=""
  printf '  %-28s %6d logs: %7s%% of a core, %6d KB RSS\n' "$label" "$count" \
    "$(percent $((after - before)))" "$rss"
  rm -rf "$folder"
}

# Beside 10 and 10,000 logs, watching only and shipping to a server that is away.
idle_all() {
  idle_many 10 "watching"
  idle_many 10000 "watching"
  idle_many 10 "watching and shipping" --influx 'http://127.0.0.1:9/write?db=lab' --state "$work/ship10.state"
  idle_many 10000 "watching and shipping" --influx 'http://127.0.0.1:9/write?db=lab' --state "$work/ship10000.state"
  echo "  target: under 0.1% of a core either way; under 10,240 KB watching, 20,480 KB shipping"
}

if [[ $what == many ]]; then
  echo "idle for ${seconds}s beside many numbered logs (clock tick: 1/$ticks s)"
  idle_all
  exit 0
fi

log=$work/year.txt
"$generator" 10000000 "$log"
cat "$log" >/dev/null  # into the page cache for both
read -r once_time once_cpu once_rss < <(measure "$brenwatch" --once --high 76 --low 67 \
  --delay 5m --margin 0.5 --stale 1h "$log")
read -r awk_time awk_cpu awk_rss < <(measure mawk -F'\t' '{ s += $3 } END { print s }' "$log")
events=$("$brenwatch" --once --high 76 --low 67 --delay 5m --margin 0.5 --stale 1h "$log" | wc -l || true)
echo "year log: $(( $(stat -c %s "$log") / 1000000 )) MB, 10,000,000 records"
echo "  brenwatch --once: ${once_time}s wall, ${once_cpu}s CPU, ${once_rss} KB peak RSS ($events events)"
echo "  mawk sum of column 3: ${awk_time}s wall, ${awk_cpu}s CPU, ${awk_rss} KB peak RSS"
awk -v t="$once_time" -v m="$awk_time" -v r="$once_rss" 'BEGIN {
  printf "  target: no slower than mawk -> %s (%.2fx); under 10 MB -> %s\n",
         (t <= m ? "met" : "MISSED"), (m > 0 ? t / m : 0), (r < 10240 ? "met" : "MISSED") }'
rm -f "$log"

# brenmark logs thermosim's line, brenwatch follows the INI file.
follow() {
  local label=$1
  shift
  start_thermosim "$@"
  printf 'PORTSTR=%s\nAPNDTIME=YES\nFILESTR=%s/Therm0000.txt\nSWITCHHRS=1\n' \
    "$port_string" "$work" >"$work/watch.ini"
  rm -f "$work"/Therm*.txt
  "$brenmark" "$work/watch.ini" </dev/null >/dev/null 2>&1 &
  logger_pid=$!
  "$brenwatch" --plain --high 1000000000 --stale 1h "$work/watch.ini" >/dev/null 2>&1 &
  watch_pid=$!
  sleep 1
  local logger_before watch_before logger_after watch_after
  logger_before=$(cpu_ticks "$logger_pid")
  watch_before=$(cpu_ticks "$watch_pid")
  sleep "$seconds"
  logger_after=$(cpu_ticks "$logger_pid")
  watch_after=$(cpu_ticks "$watch_pid")
  local bytes
  bytes=$(cat "$work"/Therm*.txt | wc -c)
  kill "$watch_pid" "$logger_pid" "$sim_pid" 2>/dev/null || true
  wait "$watch_pid" "$logger_pid" "$sim_pid" 2>/dev/null || true
  watch_pid="" logger_pid="" sim_pid=""
  local watch_cpu logger_cpu
  watch_cpu=$(percent $((watch_after - watch_before)))
  logger_cpu=$(percent $((logger_after - logger_before)))
  printf '  %-16s brenwatch %7s%% of a core, brenmark %7s%% (log %d bytes)\n' \
    "$label" "$watch_cpu" "$logger_cpu" "$bytes"
  last_watch=$watch_cpu last_logger=$logger_cpu
}

echo "following for ${seconds}s (clock tick: 1/$ticks s)"
follow "idle line" --interval 100000000
idle_watch=$last_watch
follow "11,520 bytes/s" --flood 100000000 --rate 11520
awk -v w="$last_watch" -v l="$last_logger" -v i="$idle_watch" 'BEGIN {
  printf "  target: below brenmark -> %s; idle under 0.1%% -> %s\n",
         (w < l ? "met" : "MISSED"), (i < 0.1 ? "met" : "MISSED") }'

echo "idle beside many numbered logs for ${seconds}s"
idle_all
