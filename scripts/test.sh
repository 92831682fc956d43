#!/usr/bin/env bash
# Installs what is missing, builds everything and runs every test.
# Usage: scripts/test.sh [build-dir]     (default: build)
set -euo pipefail
here="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
build="${1:-$here/build}"

# shellcheck source=scripts/install-missing.sh
source "$here/scripts/install-missing.sh"
need=()
command -v cmake >/dev/null 2>&1 || need+=(cmake)
command -v g++ >/dev/null 2>&1 || need+=(g++)
command -v ninja >/dev/null 2>&1 || need+=(ninja-build)
[[ -f /usr/include/gtest/gtest.h ]] || need+=(libgtest-dev)
command -v gnuplot >/dev/null 2>&1 || need+=(gnuplot-nox)
command -v xmllint >/dev/null 2>&1 || need+=(libxml2-utils)
# brenwatch ships through libcurl; its tests start real databases and query them with curl.
command -v pkg-config >/dev/null 2>&1 || need+=(pkg-config)
pkg-config --exists libcurl 2>/dev/null || need+=(libcurl4-openssl-dev)
command -v curl >/dev/null 2>&1 || need+=(curl)
command -v influxd >/dev/null 2>&1 || need+=(influxdb influxdb-client)
command -v victoria-metrics >/dev/null 2>&1 || need+=(victoria-metrics)
# brenreport: JSON, SHA-256 through libcrypto; its end-to-end test opens the HTML in Chromium.
[[ -f /usr/include/nlohmann/json.hpp ]] || need+=(nlohmann-json3-dev)
[[ -f /usr/include/openssl/evp.h ]] || need+=(libssl-dev)
command -v chromium >/dev/null 2>&1 || need+=(chromium)
# brenwatch's end-to-end test runs brenmark on a fast clock to see a log switch.
command -v faketime >/dev/null 2>&1 || need+=(faketime)
# The man-page lint test falls back to groff, or skips, where mandoc cannot be installed.
if [[ $(id -u) -eq 0 ]] && ! command -v mandoc >/dev/null 2>&1; then need+=(mandoc); fi
install_missing "${need[@]}"

cmake -S "$here" -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo
cmake --build "$build" -j "$(nproc)"
ctest --test-dir "$build" --output-on-failure -j "$(nproc)" --timeout 120
