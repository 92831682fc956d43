#!/bin/sh
# Fails on any message of the man-page linter, style included.
# Usage: lint.sh page.1...
if command -v mandoc >/dev/null 2>&1; then
  lint() { mandoc -Tlint "$1" 2>&1; }
elif command -v groff >/dev/null 2>&1; then
  lint() { groff -ww -z -man -t "$1" 2>&1; }
else
  echo "neither mandoc nor groff is installed: skipped"
  exit 77
fi
status=0
for page in "$@"; do
  messages=$(lint "$page")
  if [ -n "$messages" ]; then
    printf '%s\n' "$messages"
    status=1
  fi
done
exit $status
