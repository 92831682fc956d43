#!/usr/bin/env bash
# brenwatch shipping the year log of brenplot's benchmark (10 M records) as a
# backlog to a local influxd, beside curl posting the same points in 5,000-line
# batches to the same server in the same run: one curl per batch, as a shell
# loop would post them, and one curl posting every batch over one kept
# connection (`--next`). Targets: at least 0.8x curl's points per second;
# brenwatch under 20 MB peak memory.
#
#   bench/brenwatch_ship.sh [BUILD_DIR] [RECORDS]     (default: build 10000000)
set -euo pipefail

build=${1:-build}
records=${2:-10000000}
brenwatch=$build/watcher/brenwatch
generator=$build/bench/plot_log_generator
batches=$build/bench/line_protocol_batches
for tool in "$brenwatch" "$generator" "$batches"; do
  [[ -x $tool ]] || { echo "missing $tool: build first (cmake --build $build)" >&2; exit 1; }
done
for program in influxd curl; do
  command -v $program >/dev/null || { echo "$program missing: apt-get install influxdb curl" >&2; exit 1; }
done

work=$(mktemp -d "${TMPDIR:-/tmp}/brenwatch-ship.XXXXXX")
influx_pid=""
cleanup() {
  if [[ -n $influx_pid ]]; then
    kill -9 "$influx_pid" 2>/dev/null || true
    wait "$influx_pid" 2>/dev/null || true
  fi
  rm -rf "$work"
}
trap cleanup EXIT

# shellcheck source=scripts/private-influxd.sh
source "$(dirname "${BASH_SOURCE[0]}")/../scripts/private-influxd.sh"
start_private_influxd "$work/influx"
base=$influx_base
query() { curl -s -XPOST "$base/query" --data-urlencode "q=$1" --data-urlencode "db=$2"; }
query "CREATE DATABASE shipped" shipped >/dev/null
query "CREATE DATABASE posted" posted >/dev/null
query "CREATE DATABASE kept" kept >/dev/null

echo "load average: $(cut -d' ' -f1-3 /proc/loadavg) on $(nproc) cores"
log=$work/year.txt
"$generator" "$records" "$log"
mkdir "$work/batches"
points=$(TZ=UTC "$batches" "$log" "$work/batches" lab3 year)
cat "$log" >/dev/null

# brenwatch: the whole log as one backlog.
/usr/bin/time -f "%e %U %S %M" -o "$work/time" \
  env TZ=UTC "$brenwatch" --once --influx "$base/write?db=shipped" --tag host=lab3 \
  --state "$work/ship.state" "$log"
read -r ship_wall ship_user ship_sys ship_rss <"$work/time"

# curl: one process per 5,000-point batch, as a shell script would post them.
start=$(date +%s.%N)
for batch in "$work"/batches/*.lp; do
  curl -s -f -o /dev/null -XPOST --data-binary "@$batch" "$base/write?db=posted&precision=ms"
done
curl_wall=$(awk -v s="$start" -v e="$(date +%s.%N)" 'BEGIN { printf "%.2f", e - s }')

# curl: every batch in one process, over one connection.
separator=""
for batch in "$work"/batches/*.lp; do
  printf '%surl = "%s"\ndata-binary = "@%s"\noutput = "/dev/null"\n' \
    "$separator" "$base/write?db=kept&precision=ms" "$batch"
  separator=$'next\n'
done >"$work/curl.config"
start=$(date +%s.%N)
curl -s -f -K "$work/curl.config"
kept_wall=$(awk -v s="$start" -v e="$(date +%s.%N)" 'BEGIN { printf "%.2f", e - s }')

count() { query "SELECT count(value) FROM temperature" "$1" | grep -o ',[0-9]*\]' | tr -d ',]'; }
awk -v n="$points" -v sw="$ship_wall" -v su="$ship_user" -v ss="$ship_sys" -v rss="$ship_rss" \
    -v cw="$curl_wall" -v kw="$kept_wall" -v stored="$(count shipped)" -v posted="$(count posted)" \
    -v kept="$(count kept)" 'BEGIN {
  ship = n / sw; curl = n / cw; one = n / kw
  printf "%d points (stored: %s by brenwatch, %s and %s by curl)\n", n, stored, posted, kept
  printf "brenwatch --once: %.2f s, %.0f points/s, cpu %.2f s, peak %d KB RSS\n", sw, ship, su + ss, rss
  printf "curl --data-binary, 5,000-line batches, one curl each: %.2f s, %.0f points/s\n", cw, curl
  printf "curl --data-binary, 5,000-line batches, one curl for all: %.2f s, %.0f points/s (%.2fx)\n", kw, one,
    ship / one
  printf "ratio %.2fx (target >= 0.8x): %s; memory target < 20 MB: %s\n", ship / curl,
    (ship / curl >= 0.8 ? "met" : "MISSED"), (rss < 20480 ? "met" : "MISSED")
}'
