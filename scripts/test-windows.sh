#!/usr/bin/env bash
# Cross-builds the Windows programs with mingw-w64 and tests them under Wine:
# the unit tests that are not POSIX-specific, then the Windows end-to-end set.
# Installs what is missing (as root). Prints how long each stage took.
# Usage: scripts/test-windows.sh [windows-build-dir] [posix-build-dir]
#   The POSIX build provides thermosim and the reference quillcut; without
#   one, both are built in <windows-build-dir>/host.
set -euo pipefail
here="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
build="$(realpath -m "${1:-$here/build-windows}")"
host="${2:-}"
jobs="$(nproc)"

# shellcheck source=scripts/stage-times.sh
source "$here/scripts/stage-times.sh"

# shellcheck source=scripts/install-missing.sh
source "$here/scripts/install-missing.sh"
need=()
command -v cmake >/dev/null 2>&1 || need+=(cmake)
command -v g++ >/dev/null 2>&1 || need+=(g++)
command -v ninja >/dev/null 2>&1 || need+=(ninja-build)
command -v script >/dev/null 2>&1 || need+=(bsdutils)
command -v x86_64-w64-mingw32-g++-posix >/dev/null 2>&1 || need+=(g++-mingw-w64-x86-64-posix)
command -v wine >/dev/null 2>&1 || need+=(wine wine64)
[[ -f /usr/src/googletest/CMakeLists.txt ]] || need+=(googletest)
# Without a POSIX build the host tools come from configuring the whole
# project here, and brenwatch's part of it looks for libcurl.
if [[ -z $host ]]; then
  command -v pkg-config >/dev/null 2>&1 || need+=(pkg-config)
  pkg-config --exists libcurl 2>/dev/null || need+=(libcurl4-openssl-dev)
fi
install_missing --no-install-recommends "${need[@]}"
stage install

mkdir -p "$build"
export WINEPREFIX="$build/wineprefix" WINEDEBUG=-all
# No prompts for the .NET and HTML runtimes nobody here needs.
export WINEDLLOVERRIDES="mscoree,mshtml="
# The prefix is made while the compiler runs.
boot_pid=""
if [[ ! -f $WINEPREFIX/system.reg ]]; then
  wineboot -i >"$build/wineboot.log" 2>&1 </dev/null &
  boot_pid=$!
fi

# Release without debug information to write and link (the longest stage
# here), at -O2 as the POSIX build: g++ 12's -O3 warns falsely (-Wrestrict)
# inside std::string.
cmake -S "$here" -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=Release \
  -DCMAKE_CXX_FLAGS_RELEASE="-O2 -DNDEBUG" -DCMAKE_TOOLCHAIN_FILE="$here/cmake/mingw-w64.cmake" >/dev/null
cmake --build "$build" -j "$jobs"
stage "cross-build"

if [[ -z $host ]]; then
  host="$build/host"
  cmake -S "$here" -B "$host" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DBUILD_TESTING=OFF \
    >/dev/null
  cmake --build "$host" -j "$jobs" --target thermosim quillcut brenreport
  stage "POSIX helpers"
fi

if [[ -n $boot_pid ]]; then
  wait "$boot_pid" || { cat "$build/wineboot.log" >&2; exit 1; }
  stage "Wine prefix (rest of)"
fi

ctest --test-dir "$build" --output-on-failure --timeout 300
stage "Windows unit tests"

bash "$here/scripts/windows-end-to-end.sh" "$build" "$host/stripper/quillcut" \
  "$host/tools/thermosim" "$host/reporter/brenreport"
stage "Windows end-to-end"
