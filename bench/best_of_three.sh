# Sourced by the benchmarks that time whole programs.
# measure CMD...: wall seconds, CPU seconds (user + system, children included)
# and peak RSS (KB) of a command, best of three runs by wall time. A run that
# ends with a non-zero status counts too (an alarm or a missing helper is the
# program's answer, not the benchmark's failure).
measure() {
  local best="" times wall user sys rss
  times=$(mktemp)
  for _ in 1 2 3; do
    /usr/bin/time -f "%e %U %S %M" -o "$times" "$@" >/dev/null || true
    # On a non-zero status, time writes a line of its own first.
    read -r wall user sys rss < <(tail -1 "$times")
    if [[ -z $best ]] || awk -v a="$wall" -v b="${best%% *}" 'BEGIN { exit !(a < b) }'; then
      best="$wall $(awk -v u="$user" -v s="$sys" 'BEGIN { printf "%.2f", u + s }') $rss"
    fi
  done
  rm -f "$times"
  echo "$best"
}
