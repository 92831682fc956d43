#!/usr/bin/env bash
# Runs the logger against the simulated thermometer.
#
#   scripts/demo.sh                 readings every 2 s; press '?' for the keys,
#                                   Escape to leave
#   scripts/demo.sh --eot-after N   the device ends the run after N readings
#                                   (for runs without a keyboard)
#   scripts/demo.sh --interval MS   time between readings
#   scripts/demo.sh --alarm T       brenwatch follows the log beside the logger
#                                   and raises an alarm above T degrees (the
#                                   readings start near 72.5; each '>' adds
#                                   0.25), cleared half a degree below T
#
# Without a terminal on standard input (a pipe, /dev/null) the logger cannot
# see Escape: it runs until the device sends EOT, or until Ctrl+C.
set -euo pipefail
here="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
build="${BUILD_DIR:-$here/build}"

eot_after=""
interval=2000
alarm=""
while (($#)); do
  case "$1" in
    --eot-after) eot_after="$2"; shift 2 ;;
    --interval) interval="$2"; shift 2 ;;
    --alarm) alarm="$2"; shift 2 ;;
    -h|--help) sed -n '2,15p' "$0"; exit 0 ;;
    *) echo "demo.sh: unknown argument: $1" >&2; exit 2 ;;
  esac
done

if [[ ! -f "$build/CMakeCache.txt" ]]; then
  echo "Configuring a build in $build ..."
  cmake -S "$here" -B "$build" -G Ninja >/dev/null
fi
# Cheap when nothing changed; keeps the demo in step with the sources.
cmake --build "$build" --target brenmark thermosim brenplot brenwatch >/dev/null

work="$(mktemp -d "${TMPDIR:-/tmp}/brenmark-demo.XXXXXX")"
sim_pid=""
watch_pid=""
cleanup() {
  if [[ -n "$watch_pid" ]] && kill -0 "$watch_pid" 2>/dev/null; then
    kill "$watch_pid" 2>/dev/null || true
    wait "$watch_pid" 2>/dev/null || true
  fi
  if [[ -n "$sim_pid" ]] && kill -0 "$sim_pid" 2>/dev/null; then
    kill "$sim_pid" 2>/dev/null || true
    wait "$sim_pid" 2>/dev/null || true
  fi
}
trap cleanup EXIT
trap 'exit 130' INT
trap 'exit 143' TERM HUP

sim_args=(--interval "$interval" --quiet)
[[ -n "$eot_after" ]] && sim_args+=(--eot-after "$eot_after")
# thermosim's first line is the port string to use; its other output is not
# needed here.
exec {sim_out}< <(exec "$build/tools/thermosim" "${sim_args[@]}")
sim_pid=$!
if ! IFS= read -r -t 10 -u "$sim_out" port; then
  echo "demo.sh: thermosim did not start" >&2
  exit 1
fi

log="$work/Therm0000.txt"
cat >"$work/Brenmark.ini" <<INI
; Written by scripts/demo.sh for one demo run.
PORTSTR=$port
APNDTIME=YES
DELIMITER=TAB
STDOUT=YES
FILESTR=$log
INI

echo "Simulated thermometer on: $port"
echo "Log file:                 $log"
if [[ -t 0 ]]; then
  echo "Press '?' to list the keys, Escape to leave."
else
  echo "No keyboard: the run ends when the device sends EOT (or on Ctrl+C)."
fi
if [[ -n "$alarm" ]]; then
  # Event lines on this terminal too; the command shows what a mail would say.
  "$build/watcher/brenwatch" --plain --high "$alarm" --margin 0.5 \
    --alarm-log "$work/alarms.txt" \
    --exec 'printf "*** brenwatch: %s %s alarm, reading %s, limit %s, at %s\r\n" \
            "$BRENWATCH_EVENT" "$BRENWATCH_KIND" "$BRENWATCH_VALUE" "$BRENWATCH_LIMIT" "$BRENWATCH_TIME"' \
    "$work/Brenmark.ini" &
  watch_pid=$!
  echo "brenwatch: alarm above $alarm, event lines also in $work/alarms.txt"
  echo "Press '>' a few times to push the readings over the limit, '<' to bring them back."
fi
echo

status=0
# Ctrl+C is the logger's to report; the script only outlives it to tidy up.
trap ':' INT
(cd "$work" && exec "$build/logger/brenmark" Brenmark.ini) || status=$?
trap 'exit 130' INT
echo
echo "brenmark ended with exit code $status. Log file: $log"
echo "Draw it in the terminal, or as a PNG chart, with:"
echo "  $build/plotter/brenplot $log"
echo "  $build/plotter/brenplot -o chart.png $log"
exit 0
