#!/usr/bin/env bash
# Builds the release once (scripts/release.sh) and checks what a user gets:
# lintian finds no error in the package; its files are only in their places;
# unpacked, its brenmark logs thermosim's readings and ends with 51, its
# programs print the release's version, its units start programs it holds and
# its man pages open; the zip's programs need no DLL of the compiler and show
# their help texts under Wine; the checksums match. Installs what is missing (as root).
# Usage: scripts/check-release.sh [OUT-DIR]     (default: dist/)
set -euo pipefail
here="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
out="$(realpath -m "${1:-$here/dist}")"

# shellcheck source=scripts/stage-times.sh
source "$here/scripts/stage-times.sh"

# shellcheck source=scripts/install-missing.sh
source "$here/scripts/install-missing.sh"
need=()
command -v lintian >/dev/null 2>&1 || need+=(lintian)
command -v man >/dev/null 2>&1 || need+=(man-db)
command -v unzip >/dev/null 2>&1 || need+=(unzip)
command -v wine >/dev/null 2>&1 || need+=(wine wine64)
command -v x86_64-w64-mingw32-objdump >/dev/null 2>&1 || need+=(binutils-mingw-w64-x86-64)
install_missing --no-install-recommends "${need[@]}"

tmp="$(mktemp -d "${TMPDIR:-/tmp}/check-release.XXXXXX")"
export WINEPREFIX="$tmp/wineprefix" WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml="
sim_pid=""
boot_pid=""
cleanup() {
  for pid in $sim_pid $boot_pid; do
    kill "$pid" 2>/dev/null || true
    wait "$pid" 2>/dev/null || true
  done
  [[ ! -d $WINEPREFIX ]] || wineserver -k 2>/dev/null || true
  rm -rf "$tmp"
}
trap cleanup EXIT
# Wine's prefix is made while the release builds.
wineboot -i >"$tmp/wineboot.log" 2>&1 </dev/null &
boot_pid=$!

bash "$here/scripts/release.sh" "$out"
stage "release build"

status=0
fail() {
  echo "FAILED: $*" >&2
  status=1
}
version="$(git -C "$here" show HEAD:CMakeLists.txt | sed -n 's/^project([^)]*VERSION \([0-9][0-9.]*\).*/\1/p')"
deb="$out/brenmark_${version}_amd64.deb"
zip="$out/brenmark-${version}-windows-x64.zip"

(cd "$out" && sha256sum -c SHA256SUMS) || fail "sha256sum -c SHA256SUMS"

# Warnings are listed for the release notes; an error fails.
lintian --fail-on error "$deb" || fail "lintian reports an error"
while read -r path; do
  case "$path" in
    ./ | ./usr/ | ./usr/bin/* | ./usr/share/ | ./usr/share/man/ | ./usr/share/man/man1/* | \
      ./usr/share/doc/ | ./usr/share/doc/brenmark/* | ./lib/ | ./lib/systemd/ | ./lib/systemd/system/* | \
      ./usr/lib/ | ./usr/lib/sysusers.d/ | ./usr/lib/sysusers.d/brenmark.conf) ;;
    *) fail "the package holds a file outside its places: $path" ;;
  esac
done < <(dpkg-deb --fsys-tarfile "$deb" | tar -t)
stage "lintian and the package's files"

root="$tmp/root"
dpkg-deb -x "$deb" "$root"
bin="$root/usr/bin"
for program in brenplot brenreport thermosim; do
  [[ $("$bin/$program" --version) == "$program $version" ]] || fail "$program --version is not $version"
done
# Each unit starts a program the package holds, or the always-installed
# shell, and every program of ours its command line names is held too.
for unit in "$root"/lib/systemd/system/*; do
  for program in $(sed -n 's|^Exec[A-Za-z]*=[-@:+!]*\(/[^ ]*\).*|\1|p' "$unit"); do
    [[ $program == /bin/sh || -x $root$program ]] ||
      fail "$(basename "$unit") starts $program, which the package does not hold"
  done
  for program in $(grep '^Exec' "$unit" | grep -o '/usr/[a-z/]*bin/[A-Za-z0-9_.-]*' | sort -u); do
    [[ -x $root$program ]] || fail "$(basename "$unit") runs $program, which the package does not hold"
  done
done

# Every unit runs as the user and group the package's sysusers.d file makes,
# never as root or a dynamic user; the postinst makes them.
sysroot="$tmp/sysroot"
mkdir -p "$sysroot/etc"
if command -v systemd-sysusers >/dev/null 2>&1; then
  systemd-sysusers --root="$sysroot" "$root/usr/lib/sysusers.d/brenmark.conf" >/dev/null 2>&1 ||
    fail "systemd-sysusers cannot make the package's user"
  grep -q '^brenmark:' "$sysroot/etc/passwd" && grep -q '^brenmark:' "$sysroot/etc/group" ||
    fail "the package's sysusers.d file makes no user and group brenmark"
fi
for unit in "$root"/lib/systemd/system/*.service; do
  grep -qx 'User=brenmark' "$unit" && grep -qx 'Group=brenmark' "$unit" &&
    ! grep -q '^DynamicUser=yes' "$unit" || fail "$(basename "$unit") does not run as the package's user"
done
dpkg-deb -e "$deb" "$tmp/control"
grep -q 'systemd-sysusers brenmark.conf' "$tmp/control/postinst" ||
  fail "the package's postinst does not make its user"
# brenwatch loads libcurl only when it ships: the scan of linked libraries
# cannot name it.
grep -Eq '^Depends:.*libcurl4( |,|$)' "$tmp/control/control" ||
  fail "the package does not depend on libcurl, which brenwatch loads to ship"
stage "the units' user"

"$bin/thermosim" --interval 50 --eot-after 3 --quiet >"$tmp/sim.out" &
sim_pid=$!
for _ in $(seq 100); do
  [[ -s $tmp/sim.out ]] && break
  sleep 0.1
done
mkdir "$tmp/run"
printf 'PORTSTR=%s\r\nFILESTR=therm.txt\r\n' "$(head -n1 "$tmp/sim.out")" >"$tmp/run/lab.ini"
code=0
(cd "$tmp/run" && timeout 60 "$bin/brenmark" lab.ini </dev/null >"$tmp/run.out") || code=$?
readings=$(grep -c '^-\?[0-9][0-9.]*'$'\r''$' "$tmp/run/therm.txt" 2>/dev/null) || true
if [[ $code -ne 51 || $readings -ne 3 ]]; then
  fail "the installed brenmark ended with $code and logged $readings of 3 readings"
  cat "$tmp/run.out" >&2
fi
wait "$sim_pid" || true
sim_pid=""

for page in "$root"/usr/share/man/man1/*; do
  text=$(MANWIDTH=80 man -l "$page" 2>&1) && [[ $text == *NAME* ]] ||
    fail "man -l $page: $text"
done
stage "the unpacked package"

unzip -q "$zip" -d "$tmp/zip"
folder="$tmp/zip/brenmark-${version}-windows-x64"
for text in Brenmark.ini README.txt; do
  [[ -f $folder/$text ]] && ! grep -q $'[^\r]$\|^$' "$folder/$text" || fail "$text has a line without CR LF"
done
# A Windows port, not the Linux device of the sample: that fails every open.
grep -q $'^PORTSTR=COM1:[^\r]*\r$' "$folder/Brenmark.ini" || fail "the zip's Brenmark.ini names no COM port"
for exe in "$folder"/*.exe; do
  # Wine may find the compiler's DLLs elsewhere; a user's Windows does not.
  if x86_64-w64-mingw32-objdump -p "$exe" | grep -i "DLL Name: *lib"; then
    fail "$(basename "$exe") needs a DLL of the compiler"
  fi
done
wait "$boot_pid" || { cat "$tmp/wineboot.log" >&2; fail "wineboot"; }
boot_pid=""
code=0
text=$(cd "$folder" && wine brenmark.exe help </dev/null 2>&1) || code=$?
[[ $code -eq 52 && $text == *"Program Name: Brenmark.exe"* ]] ||
  fail "brenmark.exe help ended with $code: $text"
code=0
text=$(cd "$folder" && wine quillcut.exe /? </dev/null 2>&1) || code=$?
[[ $code -eq 0 && $text == *"Syntax: Quillcut.exe"* ]] || fail "quillcut.exe /? ended with $code: $text"
code=0
text=$(cd "$folder" && wine brenreport.exe --version </dev/null 2>&1) || code=$?
[[ $code -eq 0 && $text == *"brenreport $version"* ]] || fail "brenreport.exe --version ended with $code: $text"
stage "the unpacked zip under Wine"

exit $status
