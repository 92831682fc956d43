#!/usr/bin/env bash
# Builds the libFuzzer targets under fuzz/ with clang and the sanitizers and
# runs each for the given time, two at a time. Findings land in
# <build>/findings, logs in <build>/logs; new inputs grow <build>/corpus and
# the committed seeds in fuzz/corpus stay as they are.
# Usage: scripts/fuzz.sh SECONDS [target...]   (build dir: $FUZZ_BUILD or build-fuzz)
set -euo pipefail
here="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
seconds="${1:?usage: scripts/fuzz.sh SECONDS [target...]}"
shift
build="${FUZZ_BUILD:-$here/build-fuzz}"
jobs="${FUZZ_JOBS:-2}"

# shellcheck source=scripts/install-missing.sh
source "$here/scripts/install-missing.sh"
need=()
command -v clang++ >/dev/null 2>&1 || need+=(clang)
command -v cmake >/dev/null 2>&1 || need+=(cmake)
command -v ninja >/dev/null 2>&1 || need+=(ninja-build)
install_missing "${need[@]}"

# The fuzzer's runtime ships apart from the compiler on Debian.
links_fuzzer() {
  echo 'extern "C" int LLVMFuzzerTestOneInput(const unsigned char*, unsigned long) { return 0; }' |
    clang++ -x c++ -fsanitize=fuzzer,address,undefined - -o /dev/null 2>/dev/null
}
if ! links_fuzzer; then
  major="$(clang++ -dumpversion | cut -d. -f1)"
  if [[ $(id -u) -eq 0 ]]; then
    DEBIAN_FRONTEND=noninteractive apt-get install -y -q "libclang-rt-$major-dev"
  else
    echo "clang++ cannot link libFuzzer: sudo apt-get install -y libclang-rt-$major-dev" >&2
    exit 1
  fi
fi

CC=clang CXX=clang++ cmake -S "$here" -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo \
  -DFUZZ=ON -DBUILD_TESTING=OFF >/dev/null
if (($#)); then
  targets=("$@")
else
  mapfile -t targets < <(cd "$here/fuzz" && ls ./*_fuzz.cpp | sed 's|^\./||; s|_fuzz\.cpp$||')
fi
cmake --build "$build" -j "$(nproc)" --target "${targets[@]/%/_fuzz}"

mkdir -p "$build/logs" "$build/findings"
run_one() {
  local t="$1"
  mkdir -p "$build/corpus/$t"
  # The first corpus directory takes new inputs; the committed seeds are read only.
  "$build/fuzz/${t}_fuzz" -max_total_time="$seconds" -timeout=10 -rss_limit_mb=2048 \
    -print_final_stats=1 -artifact_prefix="$build/findings/$t-" \
    "$build/corpus/$t" "$here/fuzz/corpus/$t" >"$build/logs/$t.log" 2>&1
}

failed=()
running=0
declare -A pid_of
for t in "${targets[@]}"; do
  if ((running >= jobs)); then
    wait -n || true
    running=$((running - 1))
  fi
  run_one "$t" &
  pid_of[$t]=$!
  running=$((running + 1))
done
for t in "${targets[@]}"; do
  if ! wait "${pid_of[$t]}"; then failed+=("$t"); fi
  runs=$(grep -o 'stat::number_of_executed_units: *[0-9]*' "$build/logs/$t.log" | grep -o '[0-9]*$' || true)
  printf '%-14s %s executions in %ss\n' "$t" "${runs:-?}" "$seconds"
done
if ((${#failed[@]})); then
  echo "Findings in: ${failed[*]} (see $build/logs and $build/findings)" >&2
  exit 1
fi
