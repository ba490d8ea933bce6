#!/usr/bin/env bash
# Benchmark of the installer in the e2e Wine machine (not a test): N rounds of install on a clean
# machine, reinstall, uninstall, each round on a freshly reset machine with a warm wineserver,
# then one more round with Shift held (qvrun --shift) whose log windows show the prescribed waits.
# "reinstall-printers" is a reinstall of two product printers with settings: it alone writes,
# flushes and removes the printer record, so against "reinstall" it shows what carrying printers
# over costs, the record included; the record's own registry step is timed apart (qvrecordcost).
# Prints per kind of run the median wall time split into the waits the installer's plans
# prescribe and the rest, the largest peak working set, then the machine reset time, a Wine start
# time, and the sizes of the installer and the components. Then a print server's reinstall, once
# each with 0, 100, 1,000 and 3,000 product printers besides "Quintavera" (qvseed printers: a
# comment, a location and a "SubKey" each): its time, and the size of the record it writes (kept
# by one more reinstall whose driver file is missing, so that it brings no printer back).
# Usage: scripts/bench.sh [build-dir] [rounds]     (defaults: build/mingw, 5; 0: the print
# server's reinstalls alone)
set -u
source "$(dirname "$0")/e2e-lib.sh"
qv_e2e_init "${1:-$QV_ROOT/build/mingw}"
rounds="${2:-5}"
results="$QV_WORK/bench.txt"
waits="$QV_WORK/waits.txt"
: >"$results"
: >"$waits"

now_ms() { echo $(($(date +%s%N) / 1000000)); }

# The waits a run is bound to make, in ms, from its log window ($QV_OUT) and the machine's state
# before the run ($QV_STATE):
#   "#Restart Spooler": the service is polled every 200 ms on its way down and up (counted as one
#     poll each way, the least a restart costs)
#   "AddMonitor - failed. Trying to wait and install again": 50 ms before the next attempt
#   "CreateFile - timeout": the copy gave up after 10 s of 50 ms retries
#   the tray program's close (not logged): no "QuintaveraTray" entry means a fixed 1000 ms sleep;
#     a tray program running without its window yet means at least one 250 ms poll
prescribed_wait_ms() {
  local restarts retries timeouts tray=0
  restarts=$(grep -c '#Restart Spooler' "$QV_OUT")
  retries=$(grep -c 'AddMonitor - failed. Trying to wait and install again' "$QV_OUT")
  timeouts=$(grep -c 'CreateFile - timeout' "$QV_OUT")
  grep -q '^run value QuintaveraTray: (none)$' "$QV_STATE" && tray=1000
  grep -q '^tray running: yes$' "$QV_STATE" && grep -q '^tray window: no$' "$QV_STATE" && tray=250
  echo "$restarts $retries $timeouts $tray $((restarts * 400 + retries * 50 + timeouts * 10000 + tray))"
}

# One timed run: "<kind> <outer ms> <qvrun ms> <peak bytes> <exit code>" into the results.
bench_run() {
  local kind="$1" word="$2" start outer inner peak
  start=$(now_ms)
  qv_run "$word" >/dev/null
  outer=$(($(now_ms) - start))
  inner=$(sed -n 's/^qvrun: wall time \([0-9]*\) ms$/\1/p' "$QV_OUT")
  peak=$(sed -n 's/^qvrun: peak working set \([0-9]*\) bytes$/\1/p' "$QV_OUT")
  echo "$kind $outer ${inner:-0} ${peak:-0} $QV_RC" >>"$results"
}

# One run with Shift held: "<kind> <restarts> <retries> <timeouts> <tray ms> <wait ms>" into the
# waits, from the state before the run and the log window.
shift_run() {
  local kind="$1" word="$2"
  qv_state
  qv_run_program --shift "$QV_PKG_WIN\\drv\\qvinstall.exe" "$word" >/dev/null
  grep -q '^--- log window' "$QV_OUT" || echo "no log window for $kind: its waits are unknown" >&2
  grep -q '^qvrun: shift not held' "$QV_OUT" && echo "Shift was not held during $kind" >&2
  echo "$kind $(prescribed_wait_ms)" >>"$waits"
}

median() { sort -n | awk '{ v[NR] = $1 } END { if (NR) print v[int((NR + 1) / 2)]; else print 0 }'; }

summary() {
  local kind="$1"
  local outer inner peak codes wait detail
  outer=$(awk -v k="$kind" '$1 == k { print $2 }' "$results" | median)
  inner=$(awk -v k="$kind" '$1 == k { print $3 }' "$results" | median)
  peak=$(awk -v k="$kind" '$1 == k && $4 > m { m = $4 } END { print m + 0 }' "$results")
  codes=$(awk -v k="$kind" '$1 == k { print $5 }' "$results" | sort -u | tr '\n' ' ')
  wait=$(awk -v k="$kind" '$1 == k { print $6 }' "$waits" | median)
  detail=$(awk -v k="$kind" '$1 == k { printf "restarts %d, monitor retries %d, copy time-outs %d, tray %d ms", $2, $3, $4, $5; exit }' "$waits")
  printf '%-18s median %5d ms in qvrun = prescribed waits %5d ms + rest %5d ms  (outside qvrun %5d ms)  peak working set %6d KiB  exit codes %s\n' \
    "$kind" "$inner" "$wait" $((inner - wait)) "$outer" $((peak / 1024)) "$codes"
  printf '%-18s   waits: %s\n' "" "$detail"
}

# A clean machine whose log-on entry names a tray program that is not there: the close of the
# tray program reads the entry and skips its 1000 ms sleep.
seed_run_entry() {
  wine reg add 'HKLM\SOFTWARE\Microsoft\Windows\CurrentVersion\Run' /v QuintaveraTray \
    /d 'C:\qvpkg\absent\qvatray.exe' /f >/dev/null 2>&1
}

reset_times=()
for ((round = 1; round <= rounds; round++)); do
  qv_e2e_reset
  reset_times+=("$QV_RESET_MS")
  bench_run install install
  bench_run reinstall install
  bench_run uninstall uninstall
  qv_e2e_reset
  seed_run_entry
  bench_run install-run-entry install
  qv_seed_printers >/dev/null 2>&1  # the reinstall records them before deleting them
  bench_run reinstall-printers install
  echo "round $round of $rounds done" >&2
done

# "<printers> printers: reinstall <ms> ..." for a machine with that many product printers seeded.
print_server_run() {
  local count="$1" wall bytes rc
  qv_e2e_reset
  qv_run install >/dev/null
  wine "$QV_TOOLS/qvseed.exe" printers "$count" >/dev/null 2>&1 || echo "not seeded: $count" >&2
  QV_RUN_TIMEOUT_MS=3600000 qv_run install >/dev/null
  rc=$QV_RC
  wall=$(sed -n 's/^qvrun: wall time \([0-9]*\) ms$/\1/p' "$QV_OUT")
  rm "$WINEPREFIX/drive_c/qvpkg/drv/orbdrv64.dll"
  QV_RUN_TIMEOUT_MS=3600000 qv_run install >/dev/null
  qv_state
  bytes=$(sed -n 's/^printer record: \([0-9]*\) bytes$/\1/p' "$QV_STATE")
  printf '%5d printers: reinstall %7d ms (%5.1f ms a printer), exit code %s; record %8d bytes\n' \
    "$count" "${wall:-0}" "$(awk -v w="${wall:-0}" -v n="$count" 'BEGIN { print w / (n + 1) }')" "$rc" "${bytes:-0}"
}

if [ "$rounds" -eq 0 ]; then
  for count in 0 100 1000 3000; do print_server_run "$count"; done
  qv_e2e_finish >/dev/null
  exit 0
fi

qv_e2e_reset
shift_run install install
shift_run reinstall install
shift_run uninstall uninstall
qv_e2e_reset
seed_run_entry
shift_run install-run-entry install
qv_seed_printers >/dev/null 2>&1
shift_run reinstall-printers install

record_cost=$(wine "$QV_TOOLS/qvrecordcost.exe" 2>&1 | tr -d '\r')

start=$(now_ms)
wine "$QV_TOOLS/qvrun_fixture.exe" >/dev/null 2>&1
wine_start=$(($(now_ms) - start))

echo "installer runs ($rounds rounds; waits from one more round with Shift held):"
summary install
summary reinstall
summary uninstall
summary install-run-entry
summary reinstall-printers
echo "$record_cost"
echo "machine reset (copy of the pristine prefix): median $(printf '%s\n' "${reset_times[@]}" | median) ms"
echo "wine start of a program that ends at once (warm wineserver): $wine_start ms"
echo "sizes:"
for file in drv/qvinstall.exe drv/orbmon64.dll drv/orbdrv64.dll drv/orbui64.dll drv/orbhelp.chm \
  qvatray.exe; do
  [ -f "$QV_PACKAGE/$file" ] && printf '  %-18s %8d bytes\n' "$file" "$(stat -c %s "$QV_PACKAGE/$file")"
done
echo "a print server's reinstall (one run each):"
for count in 0 100 1000 3000; do print_server_run "$count"; done
qv_e2e_finish >/dev/null
