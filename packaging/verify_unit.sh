#!/bin/sh
# Runs systemd-analyze verify on the unit, with ExecStart on the built logger
# (verify wants an executable there), and fails on any message it prints.
# Usage: verify_unit.sh brenmark@.service path/to/brenmark
set -eu
unit=$1
program=$2
if ! command -v systemd-analyze >/dev/null 2>&1; then
  echo "systemd-analyze is not installed: skipped"
  exit 77
fi
dir=$(mktemp -d)
trap 'rm -rf "$dir"' EXIT
sed "s|^ExecStart=/usr/local/bin/brenmark |ExecStart=$program |" "$unit" >"$dir/brenmark@.service"
if ! grep -q "^ExecStart=$program " "$dir/brenmark@.service"; then
  echo "no ExecStart=/usr/local/bin/brenmark line in $unit"
  exit 1
fi
cd "$dir"
if ! messages=$(systemd-analyze verify --man=no "$dir/brenmark@check.service" 2>&1) ||
  [ -n "$messages" ]; then
  printf '%s\n' "$messages"
  exit 1
fi
