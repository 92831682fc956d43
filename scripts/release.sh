#!/usr/bin/env bash
# Builds the release of the commit checked out, from a clean export of it in
# build folders of its own, and writes to OUT-DIR:
#   brenmark_<version>_amd64.deb         (cpack -G DEB from cmake --install)
#   brenmark-<version>-windows-x64.zip   (the mingw-w64 build's install)
#   SHA256SUMS
# Every time stamp is the commit's time and no build path is kept, so the
# same commit gives the same bytes; --check builds twice, in two different
# folders, and compares.
# Installs what is missing (as root).
# Usage: scripts/release.sh [--check] [OUT-DIR]     (default: dist/)
set -euo pipefail
here="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
check=0
if [[ ${1:-} == --check ]]; then
  check=1
  shift
fi
out="$(realpath -m "${1:-$here/dist}")"
jobs="$(nproc)"

# shellcheck source=scripts/install-missing.sh
source "$here/scripts/install-missing.sh"
need=()
command -v git >/dev/null 2>&1 || need+=(git)
command -v cmake >/dev/null 2>&1 || need+=(cmake)
command -v g++ >/dev/null 2>&1 || need+=(g++)
command -v ninja >/dev/null 2>&1 || need+=(ninja-build)
command -v dpkg-shlibdeps >/dev/null 2>&1 || need+=(dpkg-dev)
command -v file >/dev/null 2>&1 || need+=(file)
command -v zip >/dev/null 2>&1 || need+=(zip)
command -v x86_64-w64-mingw32-g++-posix >/dev/null 2>&1 || need+=(g++-mingw-w64-x86-64-posix)
install_missing --no-install-recommends "${need[@]}"

version="$(git -C "$here" show HEAD:CMakeLists.txt |
  sed -n 's/^project([^)]*VERSION \([0-9][0-9.]*\).*/\1/p')"
[[ -n $version ]] || { echo "no project(... VERSION x.y.z) in CMakeLists.txt" >&2; exit 1; }
deb="brenmark_${version}_amd64.deb"
zip="brenmark-${version}-windows-x64.zip"
export SOURCE_DATE_EPOCH="${SOURCE_DATE_EPOCH:-$(git -C "$here" log -1 --format=%ct HEAD)}"
export TZ=UTC LC_ALL=C
umask 022
if [[ -n $(git -C "$here" status --porcelain --untracked-files=no) ]]; then
  echo "release.sh: uncommitted changes are not in the release; it is built from HEAD" >&2
fi

# build WORK-DIR DEST-DIR: the three files of the release, built in WORK-DIR.
build() {
  local work=$1 dest=$2 started=$SECONDS
  rm -rf "$work"
  mkdir -p "$work/src" "$dest"
  git -C "$here" archive --format=tar HEAD | tar -x -C "$work/src"
  # The version a user reads of a release: the changelog's newest entry, the man pages.
  local newest page
  newest="$(grep -m1 -o '^## \[[0-9][0-9.]*\]' "$work/src/CHANGELOG.md" || true)"
  [[ $newest == "## [$version]" ]] || {
    echo "CHANGELOG.md's newest entry is not $version: ${newest:-none}" >&2
    return 1
  }
  for page in "$work"/src/man/*.1; do
    grep -q "^\.TH .* \"[a-z]* $version\"" "$page" || {
      echo "man/${page##*/}: its .TH line does not name version $version" >&2
      return 1
    }
  done
  local map="-ffile-prefix-map=$work=."

  # Debian's flags (hardening), without debug information: the package is stripped.
  local cxxflags ldflags
  cxxflags="$(cd "$work" && DEB_BUILD_MAINT_OPTIONS=hardening=+all DEB_CXXFLAGS_MAINT_STRIP=-g \
    dpkg-buildflags --get CXXFLAGS) $(DEB_BUILD_MAINT_OPTIONS=hardening=+all dpkg-buildflags --get CPPFLAGS)"
  ldflags="$(DEB_BUILD_MAINT_OPTIONS=hardening=+all dpkg-buildflags --get LDFLAGS)"
  cmake -S "$work/src" -B "$work/linux" -G Ninja -DCMAKE_BUILD_TYPE=Release \
    -DCMAKE_CXX_FLAGS_RELEASE="-DNDEBUG" -DCMAKE_CXX_FLAGS="$cxxflags $map" \
    -DCMAKE_EXE_LINKER_FLAGS="$ldflags" -DBUILD_TESTING=OFF -DBUILD_BENCHMARKS=OFF \
    -DCMAKE_INSTALL_PREFIX=/usr -DBRENMARK_SYSTEMD_UNIT_DIR=/lib/systemd/system >/dev/null
  cmake --build "$work/linux" -j "$jobs"
  (cd "$work/linux" && cpack -G DEB -B "$work/deb" >"$work/cpack.log") || {
    cat "$work/cpack.log" >&2
    return 1
  }
  cp "$work/deb/$deb" "$dest/"
  echo "== $deb built in $((SECONDS - started)) s"

  # At -O2: g++ 12's -O3 warns falsely (-Wrestrict) inside std::string.
  cmake -S "$work/src" -B "$work/windows" -G Ninja -DCMAKE_BUILD_TYPE=Release \
    -DCMAKE_CXX_FLAGS_RELEASE="-O2 -DNDEBUG" -DCMAKE_CXX_FLAGS="$map" \
    -DCMAKE_TOOLCHAIN_FILE="$work/src/cmake/mingw-w64.cmake" -DBUILD_TESTING=OFF >/dev/null
  cmake --build "$work/windows" -j "$jobs"
  cmake --install "$work/windows" --prefix "$work/windows-install" --strip >/dev/null
  # The zip is the programs' folder: whatever is installed elsewhere would be lost.
  local other
  other="$(find "$work/windows-install" -mindepth 1 -maxdepth 1 ! -name bin)"
  [[ -z $other ]] || { echo "installed outside bin/, not in the zip: $other" >&2; return 1; }
  local top="brenmark-${version}-windows-x64"
  mkdir -p "$work/zip"
  cp -r "$work/windows-install/bin" "$work/zip/$top"
  chmod -R u=rwX,go=rX "$work/zip/$top"
  find "$work/zip/$top" -exec touch -h -d "@$SOURCE_DATE_EPOCH" {} +
  rm -f "$dest/$zip"
  (cd "$work/zip" && find "$top" -type f | sort | zip -q -X -D -9 "$dest/$zip" -@)
  echo "== $zip built"

  (cd "$dest" && sha256sum "$deb" "$zip" >SHA256SUMS)
  echo "== release built in $dest in $((SECONDS - started)) s"
}

build "$here/build-release" "$out"
cat "$out/SHA256SUMS"
((check)) || exit 0

# The second build in another folder, so a build path kept anywhere shows.
second="$here/build-release-check"
build "$second" "$second/dist"
if cmp -s "$out/SHA256SUMS" "$second/dist/SHA256SUMS"; then
  echo "== reproducible: both builds gave the same SHA256SUMS"
  rm -rf "$second"
  exit 0
fi
echo "== NOT reproducible: the two builds differ" >&2
diff "$out/SHA256SUMS" "$second/dist/SHA256SUMS" >&2 || true
echo "compare them with: diffoscope $out/$deb $second/dist/$deb (apt-get install diffoscope)" >&2
exit 1
