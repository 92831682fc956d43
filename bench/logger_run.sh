# Sourced by the benchmarks that run brenmark against thermosim: checks both
# are built, makes the scratch folder $work and, on any exit, ends the
# processes in $logger_pid and $sim_pid and removes it.
# Needs: $build; takes the scratch folder's name as the first argument.
brenmark=$build/logger/brenmark
thermosim=$build/tools/thermosim
for tool in "$brenmark" "$thermosim"; do
  [[ -x $tool ]] || { echo "missing $tool: build first (cmake --build $build)" >&2; exit 1; }
done
work=$(mktemp -d "${TMPDIR:-/tmp}/$1.XXXXXX")
sim_pid=""
logger_pid=""
cleanup() {
  for pid in $logger_pid $sim_pid; do
    kill "$pid" 2>/dev/null || true
    wait "$pid" 2>/dev/null || true
  done
  rm -rf "$work"
}
trap cleanup EXIT
