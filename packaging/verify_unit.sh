#!/bin/sh
# Runs systemd-analyze verify on a unit, with its /usr/local/bin program set
# to the built one (verify wants an executable there), and fails on any
# message it prints.
# Usage: verify_unit.sh brenmark@.service path/to/brenmark
set -eu
unit=$1
program=$2
name=$(basename "$program")
if ! command -v systemd-analyze >/dev/null 2>&1; then
  echo "systemd-analyze is not installed: skipped"
  exit 77
fi
dir=$(mktemp -d)
trap 'rm -rf "$dir"' EXIT
sed "s|/usr/local/bin/$name |$program |" "$unit" >"$dir/$name@.service"
if ! grep -q "^ExecStart=.*$program " "$dir/$name@.service"; then
  echo "no ExecStart naming /usr/local/bin/$name in $unit"
  exit 1
fi
cd "$dir"
if ! messages=$(systemd-analyze verify --man=no "$dir/$name@check.service" 2>&1) ||
  [ -n "$messages" ]; then
  printf '%s\n' "$messages"
  exit 1
fi
