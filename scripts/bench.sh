#!/usr/bin/env bash
# Benchmark of the installer in the e2e Wine machine (not a test): N rounds of install on a clean
# machine, reinstall, uninstall, each round on a freshly reset machine with a warm wineserver.
# Prints per kind of run the median wall time (outside and inside qvrun), the largest peak working
# set of the installer, the time of the prescribed waits where the log shows them, then the
# machine reset time, a Wine start time, and the sizes of the installer and the components.
# Usage: scripts/bench.sh [build-dir] [rounds]     (defaults: build/mingw, 5)
set -u
source "$(dirname "$0")/e2e-lib.sh"
qv_e2e_init "${1:-$QV_ROOT/build/mingw}"
rounds="${2:-5}"
results="$QV_WORK/bench.txt"
: >"$results"

now_ms() { echo $(($(date +%s%N) / 1000000)); }

# The prescribed waits a run's log shows, in ms (a rough split; only runs whose log window was
# shown carry a log). Hook: extend with more patterns as the log grows.
prescribed_wait_ms() {
  local monitor_retries restarts
  monitor_retries=$(grep -c 'Trying to wait and install again' "$QV_OUT")
  restarts=$(grep -c '#Restart Spooler' "$QV_OUT")
  echo $((monitor_retries * 50 + restarts * 200))
}

# One run: "<kind> <outer ms> <qvrun ms> <peak bytes> <wait ms> <exit code>" into the results.
bench_run() {
  local kind="$1" word="$2" start outer inner peak
  start=$(now_ms)
  qv_run "$word" >/dev/null
  outer=$(($(now_ms) - start))
  inner=$(sed -n 's/^qvrun: wall time \([0-9]*\) ms$/\1/p' "$QV_OUT")
  peak=$(sed -n 's/^qvrun: peak working set \([0-9]*\) bytes$/\1/p' "$QV_OUT")
  echo "$kind $outer ${inner:-0} ${peak:-0} $(prescribed_wait_ms) $QV_RC" >>"$results"
}

median() { sort -n | awk '{ v[NR] = $1 } END { if (NR) print v[int((NR + 1) / 2)]; else print 0 }'; }

summary() {
  local kind="$1"
  local outer inner peak waits codes
  outer=$(awk -v k="$kind" '$1 == k { print $2 }' "$results" | median)
  inner=$(awk -v k="$kind" '$1 == k { print $3 }' "$results" | median)
  peak=$(awk -v k="$kind" '$1 == k && $4 > m { m = $4 } END { print m + 0 }' "$results")
  waits=$(awk -v k="$kind" '$1 == k { print $5 }' "$results" | median)
  codes=$(awk -v k="$kind" '$1 == k { print $6 }' "$results" | sort -u | tr '\n' ' ')
  printf '%-10s median %6d ms (in qvrun %6d ms, prescribed waits ~%d ms)  peak working set %6d KiB  exit codes %s\n' \
    "$kind" "$outer" "$inner" "$waits" $((peak / 1024)) "$codes"
}

reset_times=()
for ((round = 1; round <= rounds; round++)); do
  qv_e2e_reset
  reset_times+=("$QV_RESET_MS")
  bench_run install install
  bench_run reinstall install
  bench_run uninstall uninstall
  echo "round $round of $rounds done" >&2
done

start=$(now_ms)
wine "$QV_TOOLS/qvrun_fixture.exe" >/dev/null 2>&1
wine_start=$(($(now_ms) - start))

echo "installer runs ($rounds rounds):"
summary install
summary reinstall
summary uninstall
echo "machine reset (copy of the pristine prefix): median $(printf '%s\n' "${reset_times[@]}" | median) ms"
echo "wine start of a program that ends at once (warm wineserver): $wine_start ms"
echo "sizes:"
for file in drv/qvinstall.exe drv/orbmon64.dll drv/orbdrv64.dll drv/orbui64.dll drv/orbhelp.chm \
  qvatray.exe; do
  [ -f "$QV_PACKAGE/$file" ] && printf '  %-18s %8d bytes\n' "$file" "$(stat -c %s "$QV_PACKAGE/$file")"
done
qv_e2e_finish >/dev/null
