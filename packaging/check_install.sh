#!/bin/sh
# Installs the build into a fresh prefix and checks where everything went:
# only programs in bin/, the man pages, the sample INI file and the unit in
# their places; then the installed logger, found through PATH, must read the
# brenmark.ini beside itself.
# Usage: check_install.sh build-dir
set -eu
build=$1
dir=$(mktemp -d)
trap 'rm -rf "$dir"' EXIT
prefix="$dir/prefix"
cmake --install "$build" --prefix "$prefix" >"$dir/install.log" || {
  cat "$dir/install.log"
  exit 1
}
fail() {
  echo "$*"
  status=1
}
status=0
for f in "$prefix"/bin/*; do
  [ -f "$f" ] && [ -x "$f" ] || fail "not a program in bin/: $f"
done
for f in bin/brenmark bin/quillcut bin/thermosim bin/brenplot bin/brenwatch bin/brenreport \
  share/man/man1/brenplot.1 share/man/man1/brenmark.1 share/man/man1/quillcut.1 \
  share/man/man1/thermosim.1 share/man/man1/brenwatch.1 share/man/man1/brenreport.1 \
  share/doc/brenmark/examples/Brenmark.ini lib/systemd/system/brenmark@.service \
  lib/systemd/system/brenwatch@.service lib/sysusers.d/brenmark.conf; do
  [ -f "$prefix/$f" ] || fail "missing: $f"
done
grep -qx "ExecStart=$prefix/bin/brenmark /etc/brenmark/%i.ini" \
  "$prefix/lib/systemd/system/brenmark@.service" || fail "ExecStart does not name $prefix/bin/brenmark"
grep -q "exec $prefix/bin/brenwatch --plain " "$prefix/lib/systemd/system/brenwatch@.service" ||
  fail "ExecStart does not name $prefix/bin/brenwatch"
for unit in brenmark@.service brenwatch@.service; do
  grep -qx 'User=brenmark' "$prefix/lib/systemd/system/$unit" ||
    fail "$unit does not run as the user of lib/sysusers.d/brenmark.conf"
done

printf 'STDOUT=YES\r\n' >"$prefix/bin/brenmark.ini"
mkdir "$dir/work"
code=0
out=$(cd "$dir/work" && PATH="$prefix/bin:$PATH" brenmark </dev/null) || code=$?
[ "$code" -eq 57 ] || fail "installed brenmark ended with $code, not 57"
case "$out" in
  *"PortStr not found in $prefix/bin/brenmark.ini"*) ;;
  *) fail "installed brenmark did not read $prefix/bin/brenmark.ini: $out" ;;
esac
exit $status
