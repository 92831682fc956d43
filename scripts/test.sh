#!/usr/bin/env bash
# Installs what is missing, builds everything and runs every test.
# Usage: scripts/test.sh [build-dir]     (default: build)
set -euo pipefail
here="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
build="${1:-$here/build}"

need=()
command -v cmake >/dev/null 2>&1 || need+=(cmake)
command -v g++ >/dev/null 2>&1 || need+=(g++)
command -v ninja >/dev/null 2>&1 || need+=(ninja-build)
[[ -f /usr/include/gtest/gtest.h ]] || need+=(libgtest-dev)
command -v gnuplot >/dev/null 2>&1 || need+=(gnuplot-nox)
# The man-page lint test falls back to groff, or skips, where mandoc cannot be installed.
if [[ $(id -u) -eq 0 ]] && ! command -v mandoc >/dev/null 2>&1; then need+=(mandoc); fi
if ((${#need[@]})); then
  if [[ $(id -u) -eq 0 ]]; then
    export DEBIAN_FRONTEND=noninteractive
    apt-get update -q
    apt-get install -y -q "${need[@]}"
  else
    echo "Missing: ${need[*]}. Install them with:" >&2
    echo "  sudo apt-get install -y ${need[*]}" >&2
    exit 1
  fi
fi

cmake -S "$here" -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo
cmake --build "$build" -j "$(nproc)"
ctest --test-dir "$build" --output-on-failure -j "$(nproc)" --timeout 120
