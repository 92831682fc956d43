#!/usr/bin/env bash
# Logger throughput: thermosim floods N lines into brenmark (timestamped log,
# STDOUT off, screen to /dev/null, no keyboard). Prints lines/s and CPU
# seconds, checks that the log holds every line once and in order, and puts
# references measured the same way beside it: a plain reader that does the
# same per-line work, `cat | ts` (moreutils) and tio logging to a file with
# timestamps, each when installed. Two writers: one that keeps the port full,
# and one that writes 4 KB blocks with short gaps. tio empties the port's
# queue when it opens it, so its rate counts the lines it logged.
# Target: brenmark at least 1.5 times cat | ts and tio, lossless.
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
writer=()
start_flood() {
  exec {sim_out}< <(exec "$thermosim" --flood "$lines" "${writer[@]}" --linger 0 --quiet)
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

rate() { awk -v n="${2:-$lines}" -v s="$1" 'BEGIN { printf "%d", n / s }'; }
ratio() { awk -v a="$1" -v b="$2" 'BEGIN { if (b > 0) printf "%.2f", a / b; else print "-" }'; }

# One run of reader $1 on a fresh flood; appends "rate wall cpu" to
# $work/<reader>.runs and prints nothing unless the log is wrong.
run_reader() {
  local reader=$1 got=$lines hold hold_pid
  start_flood
  case $reader in
    brenmark)
      printf 'PORTSTR=%s\nAPNDTIME=YES\nFILESTR=%s\n' "$port_string" "$work/flood.txt" \
          >"$work/flood.ini"
      rm -f "$work/flood.txt"
      measure sh -c '"$0" "$1" </dev/null >/dev/null || exit 0' "$brenmark" "$work/flood.ini"
      check_log "$work/flood.txt" >"$work/check" || { cat "$work/check"; status=1; } ;;
    plain)
      rm -f "$work/reference.txt"
      measure "$reference" "$port" "$work/reference.txt" ;;
    ts)
      # cat ends when thermosim goes away after the flood.
      measure sh -c 'cat "$0" 2>/dev/null | ts "%Y-%m-%d	%H:%M:%S	" >"$1"' "$port" "$work/ts.txt" ;;
    tio*)
      # tio reads keys from a terminal or a pipe and ends at the end of its
      # input, so it gets a pipe that stays open; -n: it ends when the device
      # goes away. It empties the port's queue when it opens it, so its rate
      # counts the lines it logged.
      local stamps=()
      [[ $reader == tio-t ]] && stamps=(-t)
      exec {hold}< <(exec sleep 600)
      hold_pid=$!
      rm -f "$work/tio.txt"
      measure sh -c 'port=$0 log=$1; shift; tio -n "$@" -b 9600 --mute -l --log-file "$log" \
          "$port" >/dev/null 2>&1 || exit 0' "$port" "$work/tio.txt" "${stamps[@]}" <&$hold
      kill "$hold_pid" 2>/dev/null || true
      exec {hold}<&-
      got=$(grep -c . "$work/tio.txt" || true) ;;
  esac
  stop_sim
  echo "$(rate "$wall" "$got") $wall $cpu" >>"$work/$reader.runs"
}

# The median run of a reader: sets $median and prints its row.
report() {
  local reader=$1 label=$2 row
  row=$(sort -n "$work/$reader.runs" | awk '{ r[NR] = $0 } END { print r[int((NR + 1) / 2)] }')
  read -r median wall cpu <<<"$row"
  printf '  %-22s %9s lines/s  %6ss wall  %6ss CPU\n' "$label" "$median" "$wall" "$cpu"
}

rounds=${ROUNDS:-3}
readers=(brenmark plain)
command -v ts >/dev/null && readers+=(ts) || echo "(cat | ts skipped: apt-get install moreutils)"
command -v tio >/dev/null && readers+=(tio-t tio) || echo "(tio skipped: apt-get install tio)"

echo "flood of $lines lines, median of $rounds rounds (readers taking turns)"
status=0
one_writer() {
  echo "writer: $1"
  rm -f "$work"/*.runs
  local round reader
  for ((round = 0; round < rounds; ++round)); do
    for reader in "${readers[@]}"; do run_reader "$reader"; done
  done
  report brenmark brenmark
  local ours=$median best_tio=0 ts_rate=0
  report plain "plain reader"
  if [[ -e $work/ts.runs ]]; then report ts "cat | ts"; ts_rate=$median; fi
  if [[ -e $work/tio.runs ]]; then
    report tio-t "tio -t, to a file"; best_tio=$median
    report tio "tio, to a file"; ((median > best_tio)) && best_tio=$median
  fi
  echo "  every brenmark log: $(cat "$work/check")"
  echo "  brenmark / cat | ts = $(ratio "$ours" "$ts_rate")," \
       "brenmark / faster tio = $(ratio "$ours" "$best_tio")"
}

writer=()
one_writer "thermosim --flood, port kept full"
writer=(--block 4096)
one_writer "thermosim --flood --block 4096, 4 KB blocks with 0.1 ms gaps"
exit $status
