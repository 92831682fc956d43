#!/usr/bin/env bash
# One-line mutants of the given sources (default: the files changed since
# main), each applied alone, built, tested by its folder's unit tests and put
# back; prints every mutant the tests let through, then "mutants: K of N
# caught". A developer's tool: CI does not run it. See README.md, "Mutants".
# Usage: scripts/mutants.sh [-n N] [--since REV] [--build DIR] [--all]
#                           [--seed S] [--timeout SECONDS] [--list] [FILE|FOLDER...]
#        scripts/mutants.sh --restore    (put back what an interrupted run left)
set -u
here="$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)"

# mutants.py puts the file back itself when stopped; this wrapper makes sure
# of it when mutants.py was killed outright (SIGKILL, out of memory).
restore() {
  python3 "$here/mutants.py" --restore
}
python3 "$here/mutants.py" "$@" &
pid=$!
stop() {
  trap - INT TERM HUP
  kill -TERM "$pid" 2>/dev/null
  wait "$pid"
  restore
  exit "$1"
}
trap 'stop 130' INT
trap 'stop 143' TERM
trap 'stop 129' HUP
wait "$pid"
status=$?
if ((status > 128)); then
  restore
fi
exit "$status"
