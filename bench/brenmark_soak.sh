#!/usr/bin/env bash
# Soak: brenmark logs thermosim's lines 1, 2, 3... at 11,520 bytes/s (the
# byte rate of 115200 baud) for SECONDS (default 600), with its clock sped up
# SPEED times by libfaketime (default 360: a clock hour every 10 s) so that
# SWITCHHRS=1 switches the log file every two clock hours. Checks that every
# line arrived once, in order, in the right file; prints the peak RSS at
# 1 minute and at the end, and the open descriptor count after each switch.
# References measured in the same run: the peak RSS and the descriptor count
# one second after the start. Flat is the target.
#
#   bench/brenmark_soak.sh [BUILD_DIR] [SECONDS] [SPEED]   (default: build 600 360)
set -euo pipefail

build=${1:-build}
seconds=${2:-600}
speed=${3:-360}
rate=11520
source "$(dirname "${BASH_SOURCE[0]}")/logger_run.sh" brenmark-soak
faketime_lib=""
for lib in /usr/lib/*/faketime/libfaketime.so.1 /usr/lib/faketime/libfaketime.so.1; do
  [[ -e $lib ]] && faketime_lib=$lib && break
done
[[ -n $faketime_lib ]] || { echo "libfaketime missing: apt-get install libfaketime" >&2; exit 1; }

# As many lines as the rate carries in the time; EOT after the last one.
lines=$(awk -v total=$((rate * seconds)) 'BEGIN {
  n = 0; bytes = 0
  while (bytes < total) { n++; bytes += length(n "") + 2 }
  print n }')

start_thermosim --flood "$lines" --rate "$rate"
printf 'PORTSTR=%s\nAPNDTIME=YES\nSWITCHHRS=1\nFILESTR=%s/soak0000.txt\n' \
  "$port_string" "$work" >"$work/soak.ini"

# Ten seconds before an hour, so the first switch comes early.
start="$(date +%Y-%m-%d) 09:59:50"
LD_PRELOAD=$faketime_lib FAKETIME="@$start x$speed" FAKETIME_DONT_FAKE_MONOTONIC=1 \
  "$brenmark" "$work/soak.ini" </dev/null >/dev/null 2>"$work/stderr.txt" &
logger_pid=$!

peak_kb() { awk '/^VmHWM:/ { print $2 }' "/proc/$logger_pid/status" 2>/dev/null || echo 0; }
descriptors() { find "/proc/$logger_pid/fd" -mindepth 1 -maxdepth 1 2>/dev/null | wc -l; }
log_files() { find "$work" -maxdepth 1 -name 'soak*.txt' | wc -l; }

sleep 1
ref_kb=$(peak_kb)
ref_fds=$(descriptors)
files=$(log_files)
minute_kb=""
last_kb=$ref_kb
switch_fds=()
began=$SECONDS
while kill -0 "$logger_pid" 2>/dev/null; do
  sleep 0.2
  now_files=$(log_files)
  if ((now_files != files)); then
    files=$now_files
    count=$(descriptors)
    ((count > 0)) && switch_fds+=("$count")
  fi
  kb=$(peak_kb)
  ((kb > 0)) && last_kb=$kb
  if [[ -z $minute_kb ]] && ((SECONDS - began >= 59)); then minute_kb=$last_kb; fi
done
status=0
wait "$logger_pid" || status=$?
logger_pid=""
wait "$sim_pid" 2>/dev/null || true
sim_pid=""

# Records "date TAB hh:mm:ss TAB n" across the files in name order: n runs
# 1..lines, each once. The stamp and the switch read the clock moments apart,
# so the first record of a new file is in a new hour (or, read just before
# the hour, the record after it is); within a file the hour changes once,
# at most once in the first and the last. The last file ends with the exit
# line.
check=$(LC_ALL=C awk -v lines="$lines" '
  function end_file() {
    if (changes > 1 || (nfiles > 1 && !last && changes != 1))
      bad = bad " " file " has " changes " hour changes;"
  }
  FNR == 1 { if (NR > 1) end_file(); file = FILENAME; nfiles++; in_file = 0; changes = 0 }
  {
    sub(/\r$/, "")
    if ($0 ~ /^Exit Code: /) { exit_line = $0; exit_file = FILENAME; next }
    if (exit_line != "") bad = bad " record after the exit line;"
    split($0, f, "\t")
    if (f[3] != expected + 1) { bad = bad " line " expected + 1 " missing, got " f[3] " in " FILENAME ";"; expected = f[3]; next }
    expected++
    hour = substr(f[2], 1, 2)
    in_file++
    if (in_file == 1) {
      early = nfiles > 1 && hour == last_hour
    } else if (in_file == 2 && early) {
      if (hour == last_hour) bad = bad " " file " starts without an hour change;"
    } else if (hour != last_hour) {
      changes++
    }
    last_hour = hour
  }
  END {
    last = 1; end_file()
    if (expected != lines) bad = bad " " expected " of " lines " lines;"
    if (exit_line !~ /^Exit Code: 51 / || exit_file != file) bad = bad " exit line missing or misplaced;"
    printf "%d files, %d lines,%s\n", nfiles, expected, bad == "" ? " each once, in order, in the right file" : bad
  }' $(find "$work" -maxdepth 1 -name 'soak*.txt' | sort))

echo "brenmark soak: ${seconds}s at $rate bytes/s, clock x$speed, SWITCHHRS=1 (exit status $status)"
echo "  log: $check"
echo "  peak RSS: ${minute_kb:-n/a} kB at 1 minute, $last_kb kB at the end    (reference: $ref_kb kB after 1 s)"
if ((${#switch_fds[@]} > 0)); then
  min=$(printf '%s\n' "${switch_fds[@]}" | sort -n | head -1)
  max=$(printf '%s\n' "${switch_fds[@]}" | sort -n | tail -1)
  echo "  open descriptors after each of ${#switch_fds[@]} switches: ${switch_fds[*]}"
  echo "    min $min, max $max    (reference: $ref_fds after 1 s)"
else
  echo "  no switch seen    (reference: $ref_fds descriptors after 1 s)"
fi
[[ $status -eq 51 && $check == *"in the right file" ]]
