#!/usr/bin/env bash
# The Windows programs under Wine, end to end: what the Win32 layer adds on
# top of the logic the POSIX tests already cover. Quillcut is compared byte
# for byte with the POSIX build on the same inputs; brenmark.exe logs from a
# simulated device on a pseudo-terminal mapped to COM1.
# brenreport.exe's JSON is compared with the POSIX brenreport's on the same logs.
# Usage: scripts/windows-end-to-end.sh WINDOWS_BUILD POSIX_QUILLCUT THERMOSIM [POSIX_BRENREPORT]
# WINEPREFIX must name a prefix made with `wineboot -i`.
set -uo pipefail
# A key written after brenmark has ended fails its check, not the whole script.
trap '' PIPE
win_build="$(realpath "$1")"
posix_quillcut="$(realpath "$2")"
thermosim="$(realpath "$3")"
posix_brenreport="${4:+$(realpath "$4")}"
scripts="$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)"
export WINEDEBUG=-all
brenmark_exe="$win_build/logger/brenmark.exe"
quillcut_exe="$win_build/stripper/quillcut.exe"
brenwatch_exe="$win_build/watcher/brenwatch.exe"
brenreport_exe="$win_build/reporter/brenreport.exe"

work="$(mktemp -d)"
sim_pid=""
influx_pid=""
cleanup() {
  [[ -n $sim_pid ]] && kill "$sim_pid" 2>/dev/null
  [[ -n $influx_pid ]] && kill -9 "$influx_pid" 2>/dev/null && wait "$influx_pid" 2>/dev/null
  wineserver -k >/dev/null 2>&1
  rm -rf "$work"
}
trap cleanup EXIT

failures=0
pass() { echo "ok   - $1"; }
fail() {
  echo "FAIL - $1" >&2
  failures=$((failures + 1))
  return 1
}
# After a failed check: what the program wrote, for the CI log.
show() { sed 's/^/    | /' "$1" >&2; }
check() { # name, condition...
  local name="$1"
  shift
  if "$@"; then pass "$name"; else fail "$name"; fi
}
same_file() { cmp -s "$1" "$2"; }

# --- quillcut.exe against the POSIX build --------------------------------
input=$'; header\r\nkeep 1  \r\n\r\nline; comment\r\n;; x\r\n   \r\nkeep 2\nlast'
# Runs both builds in their own copies of a directory; compares what they
# print and every file they leave.
quillcut_case() { # name, setup-function, args...
  local name="$1" setup="$2"
  shift 2
  local w="$work/q-win" p="$work/q-posix"
  rm -rf "$w" "$p" && mkdir -p "$w" "$p"
  (cd "$w" && $setup) && (cd "$p" && $setup)
  (cd "$w" && wine "$quillcut_exe" "$@" >"$work/win.out" 2>&1)
  local win_status=$?
  wineserver -w
  (cd "$p" && "$posix_quillcut" "$@" >"$work/posix.out" 2>&1)
  local posix_status=$?
  local ok=true
  same_file "$work/win.out" "$work/posix.out" || ok=false
  [[ $win_status == "$posix_status" ]] || ok=false
  for f in "$p"/*; do
    [[ -e $f ]] && ! same_file "$f" "$w/$(basename "$f")" && ok=false
  done
  if $ok; then pass "quillcut: $name"; else
    fail "quillcut: $name"
    diff <(od -c "$work/posix.out") <(od -c "$work/win.out") | head -20 >&2
  fi
}
no_files() { :; }
one_input() { printf '%s' "$input" >in.txt; }
marked_input() { printf '%s\r\n;;--PROCESSED--;;\r\nnew\r\n' "$input" >in.txt; }
quillcut_case "usage text" no_files
quillcut_case "help" no_files /?
quillcut_case "default rules" one_input in.txt out.txt
quillcut_case "stripped-lines file, blank lines kept" one_input in.txt out.txt semi.txt /R
quillcut_case "split at semicolon" one_input in.txt out.txt /S
quillcut_case "every semicolon line, statistics" one_input in.txt out.txt semi.txt /X /V
quillcut_case "marker" marked_input in.txt out.txt /M /V
quillcut_case "append" one_input in.txt out.txt /A /V
quillcut_case "missing input" no_files in.txt out.txt
quillcut_case "program that does not exist" one_input in.txt out.txt /E:noprog.exe

# A program that exists: quillcut.exe itself, in a folder with a blank (run
# by its short name), given the output file.
mkdir -p "$work/exec/my tools" && cd "$work/exec" && printf 'a\r\n;b\r\n' >in.txt
cp "$quillcut_exe" "my tools/run.exe"
wine "$quillcut_exe" in.txt "out put.txt" '/E:my tools\run.exe' >out.txt 2>&1
status=$?
wineserver -w
check "quillcut: /E: starts the program with the output file" \
  test "$status" = 0 -a "$(cat "out put.txt")" = $'a\r' -a -f "out put.txt"
# Given "out put.txt" as its one word, the started quillcut has no output.
check "quillcut: the program got the output file as one argument" \
  grep -q "No output file specified" out.txt

# The started program runs to its end before quillcut ends, with its exit
# code (brenmark.exe given an INI file without PORTSTR: 57).
cp "$brenmark_exe" "$work/exec/"
rm -f "out put.txt"
wine "$quillcut_exe" in.txt "out put.txt" '/E:brenmark.exe' >out.txt 2>&1
status=$?
check "quillcut: /E: waits for the program and ends with its exit code" \
  test "$status" = 57 -a "$(grep -c 'PortStr not found' out.txt)" = 1 || show out.txt

# The start-up expands wildcards in the words of the command line.
mkdir -p "$work/glob" && cd "$work/glob" && printf 'a\r\n' >input-1.txt
wine "$quillcut_exe" "input-?.txt" out.txt >/dev/null 2>&1
check "quillcut: a wildcard word is expanded" test "$(cat out.txt 2>/dev/null)" = $'a\r'

# Text mode: byte 26 ends the input. Dot-files are hidden to Wine.
mkdir -p "$work/text" && cd "$work/text"
printf 'a\r\nb\r\n\032c\r\n' >in.txt
wine "$quillcut_exe" in.txt out.txt >/dev/null 2>&1
check "quillcut: byte 26 ends the input" test "$(od -An -c out.txt | tr -s ' ')" = " a \r \n b \r \n"
printf 'a\r\n' >.hidden.txt
wine "$quillcut_exe" .hidden.txt out2.txt >hidden.out 2>&1
check "quillcut: a hidden input is not found" grep -q "Input file not found" hidden.out

# Processor faults end with the report of 12 or 11.
for fault in access:12 stack:12 divide:11; do
  wine "$win_build/fault_probe.exe" "${fault%%:*}" >"$work/fault.out" 2>&1
  status=$?
  check "a processor fault (${fault%%:*}) ends with ${fault##*:} and its report" \
    test "$status" = "${fault##*:}" -a \
    "$(grep -c "runtime error ${fault##*:} .* in FaultProbe::PROBE()" "$work/fault.out")" = 1
done

# --- brenmark.exe on COM1 -------------------------------------------------
com1="$work/com1"
wine reg add 'HKLM\Software\Wine\Ports' /v COM1 /t REG_SZ /d "$com1" /f >/dev/null 2>&1
wineserver -k >/dev/null 2>&1
wineserver -w

start_device() { # thermosim options...
  rm -f "$com1"
  "$thermosim" --link "$com1" --quiet "$@" >/dev/null 2>&1 &
  sim_pid=$!
  for _ in $(seq 100); do [[ -e $com1 ]] && return 0; sleep 0.05; done
  return 1
}
stop_device() {
  kill "$sim_pid" 2>/dev/null
  wait "$sim_pid" 2>/dev/null
  sim_pid=""
}
# A directory with brenmark.exe and the INI text given (printf format).
logger_dir() {
  local d="$work/$1"
  mkdir -p "$d" && cp "$brenmark_exe" "$d/" && cd "$d" || return 1
  [[ -n ${2:-} ]] && printf "$2" >Brenmark.ini
  return 0
}
run_logger() { # status goes to $status, console to console.txt
  timeout 60 wine brenmark.exe "$@" </dev/null >console.txt 2>&1
  status=$?
}
port="COM1:9600,N,8,1,CS0,DS0,CD0"

logger_dir records "PORTSTR=$port\r\nFILESTR=log.txt\r\nDELIMITER=COMMA\r\nAPNDTIME=YES\r\n"
start_device --interval 50 --eot-after 3
run_logger
stop_device
check "brenmark: the device's EOT ends with 51" test "$status" = 51 || show console.txt
stamped=$(grep -cE $'^[0-9]{4}-[0-9]{2}-[0-9]{2}, [0-9]{2}:[0-9]{2}:[0-9]{2}, [0-9.-]+\r$' log.txt)
check "brenmark: records stamped and delimited" test "$stamped" = 3

logger_dir help ""
run_logger /?
check "brenmark: help ends with 52" test "$status" = 52
logger_dir no-ini ""
run_logger
check "brenmark: a missing INI file ends with 53" test "$status" = 53
logger_dir no-port "PORTSTR=COM12:9600,N,8,1,CS0,DS0,CD0\r\n"
run_logger
check "brenmark: a missing COM port ends with 58, error 2" \
  test "$status" = 58 -a "$(grep -c 'Error code was: 2' console.txt)" = 1
logger_dir irq "PORTSTR=COM1:9600,N,8,1,CS0,DS0,CD0,IR4\r\n"
run_logger
check "brenmark: an interrupt number in the port string is error 1" \
  test "$status" = 58 -a "$(grep -c 'Error code was: 1' console.txt)" = 1
logger_dir no-drive "PORTSTR=COM12:9600,N,8,1,CS0,DS0,CD0\r\nFILESTR=Q:\\\\logs\\\\log.txt\r\n"
run_logger
check "brenmark: a log on a missing drive ends with 59" test "$status" = 59
logger_dir ctrl-z "PORTSTR=$port\r\n\032PORTSTR=COM12:9600,N,8,1,CS0,DS0,CD0\r\n"
start_device --interval 50 --eot-after 1
run_logger
stop_device
check "brenmark: byte 26 ends the INI file" test "$status" = 51

# Keys typed on a console: Wine turns the bytes of a pseudo-terminal into
# console input events; `script` gives it one as controlling terminal.
start_console() {
  rm -f keys && mkfifo keys
  script -qfec "wine brenmark.exe" /dev/null <keys >console.txt 2>&1 &
  script_pid=$!
  exec 3>keys  # the keys: bytes written to descriptor 3
  sleep 3
}
# Waits for the run; its exit status lands in $status.
end_console() {
  wait "$script_pid"
  status=$?
  exec 3>&-
}
logger_dir keys "PORTSTR=$port\r\nSTDOUT=YES\r\n"
start_device --interval 200
start_console
printf 'M' >&3
sleep 1
printf '?' >&3
sleep 1
printf '\033[A' >&3
sleep 1
printf '\033' >&3
end_console
stop_device
check "brenmark: the exit key ends with 50" test "$status" = 50
check "brenmark: a command key reaches the device" grep -q "Setting minimal mode" console.txt
check "brenmark: ? shows the help again, the arrow does nothing" \
  test "$(grep -ac "Press '?' or '/'" console.txt)" -ge 1 -a "$(grep -ac "Keys '1'" console.txt)" = 2

# Ctrl+C on the controlling terminal reaches the console control handler.
logger_dir ctrl-c "PORTSTR=$port\r\nFILESTR=log.txt\r\n"
start_device --interval 100
start_console
printf '\003' >&3
end_console
stop_device
check "brenmark: Ctrl+C ends with 9 and its report" \
  test "$status" = 9 -a "$(grep -ac 'runtime error 9' console.txt)" = 1 -a -s log.txt

# --- brenwatch.exe ----------------------------------------------------------
# --once over a run's numbered files, oldest first, and a command through
# cmd.exe with the event in its environment. The commands run side by side,
# so each event writes a file of its own.
mkdir -p "$work/watch" && cd "$work/watch"
printf '2026-12-09\t06:00:00\t7.5\r\n2026-12-09\t06:01:00\t8.5\r\n' >Therm0003.txt
printf '2026-12-09\t06:02:00\t8.6\r\n;comment\r\n2026-12-09\t06:03:00\t7.0\r\n' >Therm0004.txt
touch -d '2026-12-09 06:01:30' Therm0003.txt
printf 'FILESTR=Therm0000.txt\r\nSWITCHHRS=1\r\nAPNDTIME=YES\r\n' >watch.ini
timeout 60 wine "$brenwatch_exe" --once --high 8 --delay 60 \
  --exec 'echo %BRENWATCH_EVENT% %BRENWATCH_KIND% %BRENWATCH_VALUE% %BRENWATCH_LOG%>%BRENWATCH_EVENT%.txt' \
  watch.ini >once.txt 2>&1
status=$?
check "brenwatch: --once over the numbered files raises (4) at the delay, clears" \
  test "$status" = 4 -a "$(tr -d '\r' <once.txt)" = \
  $'2026-12-09T06:02:00,raise,high,8.6,8\n2026-12-09T06:03:00,clear,high,7.0,8' ||
  show once.txt
check "brenwatch: the command saw the event in its environment" \
  test "$(tr -d '\r' <raise.txt 2>/dev/null)" = 'raise high 8.6 Therm0004.txt' \
  -a "$(tr -d '\r' <clear.txt 2>/dev/null)" = 'clear high 7.0 Therm0004.txt'

# A followed log: readings appended while brenwatch.exe runs. It reads from
# the start, so a slow Wine start-up cannot let it begin past the appended ones.
printf '7\r\n' >follow.txt
wine "$brenwatch_exe" --plain --from-start --high 8 --margin 0.5 follow.txt >follow.out 2>&1 &
watch_pid=$!
sleep 3
printf '9\r\n7.6\r\n7.4\r\n' >>follow.txt
for _ in $(seq 300); do grep -q clear follow.out && break; sleep 0.1; done
kill "$watch_pid" 2>/dev/null
wait "$watch_pid" 2>/dev/null
check "brenwatch: a followed log raises and clears" \
  test "$(tr -d '\r' <follow.out | cut -d, -f2-)" = $'raise,high,9,8\nclear,high,7.4,8' ||
  show follow.out

# A value with & in it stays text when the command writes !VAR! (cmd.exe
# runs with /v:on). Wine's cmd also keeps %VAR% whole, which Windows does not.
mkdir -p "$work/watch/R&D" && cd "$work/watch"
printf '2026-12-09\t06:00:00\t8.5\r\n' >"R&D/f.log"
timeout 60 wine "$brenwatch_exe" --once --high 8 --exec 'echo [!BRENWATCH_LOG!]>bang.txt' \
  'R&D\f.log' >bang.out 2>&1
check "brenwatch: !BRENWATCH_LOG! in a command is the log's name, & and all" \
  test "$(tr -d '\r' <bang.txt 2>/dev/null)" = '[R&D\f.log]' || show bang.out

# A folder named with letters beyond ASCII: the programs run with UTF-8 as
# their code page (manifest), so the names reach the system whole.
mkdir -p "$work/watch/Grüße"
printf '2026-12-09\t06:00:00\t8.5\r\n' >"Grüße/f.log"
timeout 60 wine "$brenwatch_exe" --once --high 8 --alarm-log 'Grüße\alarms.txt' 'Grüße\f.log' \
  >umlaut.out 2>&1
status=$?
check "brenwatch: a log and an alarm log in a folder named Grüße" \
  test "$status" = 4 -a "$(cut -d, -f2 "Grüße/alarms.txt" 2>/dev/null)" = raise || show umlaut.out

# The alarm log is shared for deleting and renaming: rotated while brenwatch
# runs, the next event starts a new one by its name. A command's children
# end with brenwatch, also when it is ended by taskkill /F.
cp "$brenwatch_exe" child.exe
printf '7\r\n' >rotate.txt
: >quiet.txt
wine "$brenwatch_exe" --plain --from-start --high 8 --alarm-log alarms.txt \
  --exec 'child.exe --plain --high 99 quiet.txt' rotate.txt >rotate.out 2>&1 &
watch_pid=$!
sleep 3
printf '9\r\n' >>rotate.txt
for _ in $(seq 100); do grep -q raise alarms.txt 2>/dev/null && break; sleep 0.1; done
wine cmd /c move alarms.txt alarms.1.txt >/dev/null 2>&1
printf '7\r\n' >>rotate.txt
for _ in $(seq 100); do grep -q clear alarms.txt 2>/dev/null && break; sleep 0.1; done
check "brenwatch: a rotated alarm log is started anew by its name" \
  test "$(cut -d, -f2 alarms.1.txt 2>/dev/null)" = raise -a "$(cut -d, -f2 alarms.txt 2>/dev/null)" = clear ||
  show rotate.out
wine cmd /c del alarms.txt >/dev/null 2>&1
children_before=$(pgrep -fc 'child.exe --plain')
wine taskkill /F /IM brenwatch.exe >/dev/null 2>&1
wait "$watch_pid" 2>/dev/null
for _ in $(seq 50); do pgrep -f 'child.exe --plain' >/dev/null || break; sleep 0.1; done
check "brenwatch: a command's child ends with brenwatch after taskkill /F" \
  test "$children_before" -ge 1 -a "$(pgrep -fc 'child.exe --plain')" = 0
check "brenwatch: the alarm log could be deleted while it was open" test ! -e alarms.txt

# A server on 127.0.0.1 that takes requests and answers badly: `silent`
# never answers, `drip` answers a byte every half second. Its port goes to
# ./port; each connection adds an x to ./accepted. Run in the background.
slow_server() {
  exec timeout "$2" python3 -c '
import os, socket, sys, threading, time
mode, seconds = sys.argv[1], int(sys.argv[2])
s = socket.socket()
s.bind(("127.0.0.1", 0))
s.listen(8)
open("port.tmp", "w").write(str(s.getsockname()[1]))
os.rename("port.tmp", "port")
def serve(c):
    try:
        open("accepted", "a").write("x")
        if mode == "silent":
            time.sleep(seconds)
        c.recv(65536)
        c.sendall(b"HTTP/1.1 200 OK\r\nContent-Length: 1000000\r\n\r\n")
        while True:
            time.sleep(0.5)
            c.sendall(b" ")
    except OSError:
        pass
s.settimeout(seconds - 10)
try:
    while True:
        threading.Thread(target=serve, args=(s.accept()[0],), daemon=True).start()
except OSError:
    pass
' "$1" "$2"
}

# Ctrl+C while a request waits for a server that accepted it and never
# answers: the stop gives the request up instead of waiting out WinHTTP's
# 60 s receive time-out.
mkdir -p "$work/silent" && cd "$work/silent"
slow_server silent 120 &
silent_pid=$!
for _ in $(seq 100); do [[ -s port ]] && break; sleep 0.1; done
printf '2026-12-09\t06:00:00\t7.5\r\n' >ship.txt
rm -f keys && mkfifo keys
script -qfec "wine '$brenwatch_exe' --plain --from-start --influx http://127.0.0.1:$(cat port)/write?db=x ship.txt" \
  /dev/null <keys >silent.out 2>&1 &
script_pid=$!
exec 3>keys
for _ in $(seq 300); do [[ -e accepted ]] && break; sleep 0.1; done
sleep 1
stop_asked=$SECONDS
printf '\003' >&3
wait "$script_pid"
exec 3>&-
check "brenwatch: a stop gives up a request the server never answers (within 10 s)" \
  test -e accepted -a $((SECONDS - stop_asked)) -le 10 || show silent.out
kill "$silent_pid" 2>/dev/null
wait "$silent_pid" 2>/dev/null

# A server that answers a byte every half second: WinHTTP's time-outs count
# per receive, so only brenwatch's own 60 s limit per request ends --once
# (with 3). It runs beside the checks below and is looked at last.
mkdir -p "$work/drip" && cd "$work/drip"
slow_server drip 150 &
drip_server_pid=$!
for _ in $(seq 100); do [[ -s port ]] && break; sleep 0.1; done
printf '2026-12-09\t06:00:00\t7.5\r\n' >drip.txt
(started=$(date +%s)
  timeout 120 wine "$brenwatch_exe" --once --influx "http://127.0.0.1:$(cat port)/write?db=x" \
    drip.txt >drip.out 2>&1
  echo "$? $(($(date +%s) - started))" >drip.status) &
drip_pid=$!

# Shipping through WinHTTP to a private influxd on 127.0.0.1.
if command -v influxd >/dev/null && command -v curl >/dev/null; then
  # shellcheck source=scripts/private-influxd.sh
  source "$scripts/private-influxd.sh"
  start_private_influxd "$work/influx"
  curl -s -XPOST "$influx_base/query" --data-urlencode "q=CREATE DATABASE lab" >/dev/null
  cd "$work/watch"
  ship() {
    TZ=UTC timeout 60 wine "$brenwatch_exe" --once --influx "$influx_base/write?db=lab" \
      --tag host=pc7 watch.ini >ship.out 2>&1
  }
  ship
  status=$?
  points=$(curl -s "$influx_base/query" --data-urlencode db=lab --data-urlencode epoch=ms \
    --data-urlencode 'q=SELECT value FROM temperature WHERE host = '\''pc7'\'' AND sensor = '\''watch'\''')
  expected='[[1796796000000,7.5],[1796796060000,8.5],[1796796120000,8.6],[1796796180000,7]]'
  check "brenwatch: --once ships every reading through WinHTTP (0)" \
    test "$status" = 0 -a "${points#*\"values\":}" = "$expected}]}]}"
  ship
  status=$?
  check "brenwatch: a rerun goes on from the state file: nothing more to ship (0)" \
    test "$status" = 0 -a ! -s ship.out -a -s watch.brenwatch-state
  # The numbered switch, a new run on a lower number after the saved file was
  # moved away, and a log deleted and created again: each reading once.
  stored() {
    curl -s "$influx_base/query" --data-urlencode db=lab --data-urlencode epoch=ms \
      --data-urlencode 'q=SELECT value FROM temperature WHERE host = '\''pc7'\'''
  }
  shipped='[[1796796000000,7.5],[1796796060000,8.5],[1796796120000,8.6],[1796796180000,7]'
  # Ships; then the database holds what it held and the points `$2`, no more.
  ship_expect() {
    ship
    local status=$? points
    shipped+=$2
    points=$(stored)
    check "$1" test "$status" = 0 -a "${points#*\"values\":}" = "$shipped]}]}]}" || show ship.out
  }
  printf '2026-12-09\t06:04:00\t9.5\r\n' >>Therm0004.txt
  sleep 1
  printf '2026-12-09\t06:05:00\t10.5\r\n' >Therm0005.txt
  ship_expect "brenwatch: the next numbered file after a switch is shipped (0)" \
    ',[1796796240000,9.5],[1796796300000,10.5]'
  mv Therm0005.txt moved.txt
  sleep 1
  printf '2026-12-09\t06:06:00\t5.5\r\n' >Therm0000.txt
  ship_expect "brenwatch: a new run on a lower number, the saved file gone, is shipped (0)" \
    ',[1796796360000,5.5]'
  rm Therm0000.txt
  printf '2026-12-09\t06:07:00\t6.5\r\n2026-12-09\t06:08:00\t6.25\r\n' >Therm0000.txt
  ship_expect "brenwatch: a log deleted and created again is shipped from its start (0)" \
    ',[1796796420000,6.5],[1796796480000,6.25]'
  # The state saved under a name with letters beyond ASCII, and read again.
  mkdir -p "Grüße"
  for run in first again; do
    TZ=UTC timeout 60 wine "$brenwatch_exe" --once --influx "$influx_base/write?db=lab" \
      --tag host=pc8 --state 'Grüße\zustand.state' watch.ini >"ship-$run.out" 2>&1
    status=$?
  done
  check "brenwatch: a state file in a folder named Grüße is saved and read again (0)" \
    test "$status" = 0 -a ! -s ship-again.out -a -s "Grüße/zustand.state" || show ship-first.out
fi

# --- brenreport.exe ---------------------------------------------------------
# The same logs (the numbered run above) give the same JSON as on Linux,
# apart from when it was made; --verify sees a change. In UTC: Wine's mktime
# does not tell the two occurrences of the autumn hour apart.
if [[ -n $posix_brenreport ]]; then
  cd "$work/watch" || exit 1
  report_args=(--high 8 --low 7.2 --stale 90s --unit F -o)
  TZ=UTC "$posix_brenreport" "${report_args[@]}" posix.json watch.ini >report.out 2>&1
  TZ=UTC timeout 60 wine "$brenreport_exe" "${report_args[@]}" windows.json -o windows.csv \
    watch.ini >>report.out 2>&1
  status=$?
  check "brenreport: the JSON under Wine is Linux's (0)" \
    test "$status" = 0 -a -s posix.json -a "$(sed 's/"made":"[^"]*"//' windows.json)" = \
    "$(sed 's/"made":"[^"]*"//' posix.json)" || show report.out
  printf '2026-12-09\t06:00:00\t7.6\r\n' >Therm0003.txt
  timeout 60 wine "$brenreport_exe" --verify windows.json >verify.out 2>&1
  status=$?
  check "brenreport: --verify sees the changed log (4)" \
    test "$status" = 4 -a "$(tr -d '\r' <verify.out | grep -c '^changed  Therm0003.txt$')" = 1 ||
    show verify.out
fi

cd "$work/drip" || exit 1
wait "$drip_pid"
check "brenwatch: --once gives up on a dripping server after 60 s (3, within 90 s)" \
  test "$(cut -d' ' -f1 drip.status)" = 3 -a "$(cut -d' ' -f2 drip.status)" -le 90 ||
  show drip.out
kill "$drip_server_pid" 2>/dev/null
wait "$drip_server_pid" 2>/dev/null

cd /
if ((failures > 0)); then
  echo "$failures Windows end-to-end check(s) failed" >&2
  exit 1
fi
echo "All Windows end-to-end checks passed"
