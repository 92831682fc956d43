# Sourced by the benchmarks that run brenmark against thermosim: checks both
# are built, makes the scratch folder $work and, on any exit, ends the
# processes in $logger_pid and $sim_pid and removes it. Gives start_thermosim
# and cpu_ticks.
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

# start_thermosim ARG...: the simulated device with these arguments; sets
# sim_pid and port_string.
start_thermosim() {
  exec {sim_out}< <(exec "$thermosim" "$@" --quiet)
  sim_pid=$!
  IFS= read -r -t 10 -u "$sim_out" port_string || { echo "thermosim did not start" >&2; exit 1; }
}

# CPU time of a process in ticks of 1/$ticks s: the scheduler's count in
# microseconds where there is one, else utime + stime in clock ticks, too
# coarse to tell 0.01% from nothing.
if [[ -r /proc/self/schedstat ]]; then
  ticks=1000000
  cpu_ticks() { awk '{ printf "%d\n", $1 / 1000 }' "/proc/$1/schedstat"; }
else
  ticks=$(getconf CLK_TCK)
  cpu_ticks() { awk '{ print $14 + $15 }' "/proc/$1/stat"; }
fi
