#!/usr/bin/env bash
# CPU use of brenmark.exe under Wine on an idle COM1 (a thermosim pseudo-
# terminal that sends nothing), over SECONDS (default 20), beside the POSIX
# brenmark on the same idle line as the reference. The Windows figure counts
# the program's process and Wine's server, which carries every system call.
#
#   bench/brenmark_wine_idle.sh [POSIX_BUILD] [WINDOWS_BUILD] [SECONDS]
#   (default: build build-windows 20; WINEPREFIX as scripts/test-windows.sh made it)
set -euo pipefail

build=${1:-build}
win_build=${2:-build-windows}
seconds=${3:-20}
thermosim=$(realpath "$build/tools/thermosim")
brenmark=$(realpath "$build/logger/brenmark")
brenmark_exe=$(realpath "$win_build/logger/brenmark.exe")
export WINEPREFIX=${WINEPREFIX:-$(realpath "$win_build")/wineprefix} WINEDEBUG=-all

work=$(mktemp -d "${TMPDIR:-/tmp}/brenmark-wine-idle.XXXXXX")
pids=()
cleanup() {
  for pid in "${pids[@]}"; do kill "$pid" 2>/dev/null || true; done
  wineserver -k >/dev/null 2>&1 || true
  rm -rf "$work"
}
trap cleanup EXIT
ticks=$(getconf CLK_TCK)
cpu_ticks() { awk '{ print $14 + $15 }' "/proc/$1/stat" 2>/dev/null || echo 0; }
report() {
  awk -v l="$1" -v t="$2" -v hz="$ticks" -v s="$seconds" 'BEGIN {
    printf "  %-34s %6.2fs CPU in %ds = %6.3f%% of a core\n", l, t / hz, s, 100 * t / hz / s }'
}

"$thermosim" --link "$work/com1" --interval 100000000 --quiet >/dev/null 2>&1 &
pids+=($!)
for _ in $(seq 100); do [[ -e $work/com1 ]] && break; sleep 0.05; done

# Reference: the POSIX build on the same line.
printf 'PORTSTR=%s:9600,N,8,1,CS0,DS0,CD0\n' "$work/com1" >"$work/posix.ini"
"$brenmark" "$work/posix.ini" </dev/null >/dev/null 2>&1 &
logger=$!
pids+=("$logger")
sleep 1
before=$(cpu_ticks "$logger")
sleep "$seconds"
report "brenmark (POSIX, reference)" $(($(cpu_ticks "$logger") - before))
kill "$logger"

wine reg add 'HKLM\Software\Wine\Ports' /v COM1 /t REG_SZ /d "$work/com1" /f >/dev/null 2>&1
wineserver -k >/dev/null 2>&1 || true
wineserver -w
mkdir -p "$work/win" && cp "$brenmark_exe" "$work/win/"
printf 'PORTSTR=COM1:9600,N,8,1,CS0,DS0,CD0\r\n' >"$work/win/Brenmark.ini"
(cd "$work/win" && exec wine brenmark.exe </dev/null >/dev/null 2>&1) &
logger=$!
pids+=("$logger")
sleep 3  # Wine's own start-up
server=$(pgrep -n -x wineserver || pgrep -n wineserver)
exe=$(pgrep -n -f 'brenmark.exe')
before=$(($(cpu_ticks "$exe") + $(cpu_ticks "$server")))
sleep "$seconds"
after=$(($(cpu_ticks "$exe") + $(cpu_ticks "$server")))
report "brenmark.exe + wineserver (Wine)" $((after - before))
