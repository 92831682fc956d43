#!/usr/bin/env bash
# Logger CPU use over a quiet line, over a line at 11,520 bytes/s (the full
# rate of 115200 baud) and while the device is gone (the logger tries to open
# it again every second), each for SECONDS (default 30), with no keyboard and
# the screen to /dev/null. Targets: < 0.1% of a core idle and lost, < 1% busy.
# References measured the same way: `cat` of the port into a file, and
# `cat | ts` when moreutils is installed.
#
#   bench/brenmark_cpu.sh [BUILD_DIR] [SECONDS]      (default: build 30)
set -euo pipefail

build=${1:-build}
seconds=${2:-30}
source "$(dirname "${BASH_SOURCE[0]}")/logger_run.sh" brenmark-cpu
# One measured run: thermosim with the given arguments feeds brenmark.
run() {
  local label=$1
  shift
  start_thermosim "$@"
  printf 'PORTSTR=%s\nAPNDTIME=YES\nFILESTR=%s/log.txt\n' "$port_string" "$work" >"$work/cpu.ini"
  rm -f "$work/log.txt"
  "$brenmark" "$work/cpu.ini" </dev/null >/dev/null 2>&1 &
  logger_pid=$!
  sleep 1  # past start-up
  if [[ $lose_device == yes ]]; then
    # The device goes away for good; its link goes with it.
    kill "$sim_pid" 2>/dev/null || true
    wait "$sim_pid" 2>/dev/null || true
    sim_pid=""
    sleep 1
  fi
  local before records_before
  before=$(cpu_ticks "$logger_pid")
  records_before=$(wc -l <"$work/log.txt" 2>/dev/null || echo 0)
  sleep "$seconds"
  local after records_after
  after=$(cpu_ticks "$logger_pid")
  records_after=$(wc -l <"$work/log.txt")
  kill "$logger_pid" $sim_pid 2>/dev/null || true
  wait "$logger_pid" 2>/dev/null || true
  [[ -z $sim_pid ]] || wait "$sim_pid" 2>/dev/null || true
  logger_pid="" sim_pid=""
  awk -v l="$label" -v t=$((after - before)) -v hz="$ticks" -v s="$seconds" \
      -v r=$((records_after - records_before)) 'BEGIN {
    printf "  %-24s %7.3fs CPU in %ds = %7.4f%% of a core   (%d records)\n",
           l, t / hz, s, 100 * t / hz / s, r }'
}

# The same measurement for a reference reader: a shell pipeline that reads
# the port (the device path of the port string) and writes a file.
reference() {
  local label=$1 pipeline=$2
  shift 2
  start_thermosim "$@"
  local device=${port_string%%:*}
  PORT=$device OUT=$work/ref.txt setsid bash -c "$pipeline" </dev/null >/dev/null 2>&1 &
  logger_pid=$!
  sleep 1
  # Every process of the pipeline counts.
  local group_ticks before after
  group_ticks() { local t=0 p; for p in $(pgrep -g "$logger_pid"); do
    t=$((t + $(cpu_ticks "$p" 2>/dev/null || echo 0))); done; echo "$t"; }
  before=$(group_ticks)
  sleep "$seconds"
  after=$(group_ticks)
  kill -- -"$logger_pid" 2>/dev/null || true
  kill "$sim_pid" 2>/dev/null || true
  wait "$logger_pid" 2>/dev/null || true
  wait "$sim_pid" 2>/dev/null || true
  logger_pid="" sim_pid=""
  awk -v l="$label" -v t=$((after - before)) -v hz="$ticks" -v s="$seconds" 'BEGIN {
    printf "  %-24s %7.3fs CPU in %ds = %7.4f%% of a core\n", l, t / hz, s, 100 * t / hz / s }'
}

echo "brenmark CPU use (clock tick: 1/$ticks s)"
lose_device=no
run "idle line" --interval 100000000
# Lines 1, 2, 3, ... paced at 11,520 bytes/s for longer than the run.
run "11,520 bytes/s" --flood 100000000 --rate 11520
lose_device=yes
run "device gone" --interval 100000000 --link "$work/device"
lose_device=no
echo "references, same line and rate"
reference "cat > file, idle" 'exec cat "$PORT" > "$OUT"' --interval 100000000
reference "cat > file, 11,520 B/s" 'exec cat "$PORT" > "$OUT"' --flood 100000000 --rate 11520
if command -v ts >/dev/null 2>&1; then
  reference "cat | ts, 11,520 B/s" 'cat "$PORT" | ts "%Y-%m-%d %H:%M:%S" > "$OUT"' \
      --flood 100000000 --rate 11520
else
  echo "  (cat | ts: not measured; apt-get install moreutils)"
fi
