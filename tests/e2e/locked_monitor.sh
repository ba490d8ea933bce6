#!/usr/bin/env bash
# An uninstall while another process holds the monitor DLL (opened, then loaded): it is queued
# for deletion at the restart (101) and "onInit" answers 200. Held open: Wine's restart deletes it.
# Loaded: setup runs again before the restart, takes the deletion out of the queue, and after the
# restart the monitor still has its DLL and prints a job into its jobs folder.
# Usage: locked_monitor.sh <build-dir>
set -u
source "$(dirname "$0")/../../scripts/e2e-lib.sh"
qv_e2e_init "$1"
QV_RUN_TIMEOUT_MS=120000
hold="$QV_TOOLS/qvhold.exe"
dll='C:\windows\system32\orbmon64.dll'

# Starts the holder in the background and waits until it holds the DLL.
start_holder() {
  wine "$hold" hold "$dll" "$1" 100 >"$QV_WORK/hold.txt" 2>&1 &
  holder=$!
  qv_poll 40 grep -qs '^holding' "$QV_WORK/hold.txt" || qv_fail "the holder never held the DLL"
}

stop_holder() {
  wine "$hold" release >/dev/null 2>&1 || qv_fail "no holder was waiting"
  qv_wait_pid "$holder" holder
}

for mode in open load; do
  qv_e2e_reset
  qv_run_expect 1 in_notray
  qv_log "a program holds $dll ($mode)"
  start_holder "$mode"

  qv_run_quiet 101 uninstall
  qv_state
  qv_expect_removed
  qv_expect_state '^pending renames: 1$'
  qv_expect_state '^pending rename: .*\\system32\\orbmon64\.dll -> \(delete\)$'
  qv_expect_state '^file: .*\\system32\\orbmon64\.dll \| exists=yes'
  qv_run_expect 200 onInit

  if [ "$mode" = open ]; then
    qv_log "the holder lets go; Wine restarts"
    stop_holder
    wineboot -r >/dev/null 2>&1 || true
    qv_state
    qv_expect_monitor_dll_gone
    continue
  fi

  qv_log "the holder lets go; setup runs again before any restart"
  stop_holder
  qv_run_expect 200 onInit
  qv_run_quiet 1 in_notray
  qv_state
  qv_expect_state '^pending renames: 0$'
  qv_log "Wine restarts"
  wineboot -r >/dev/null 2>&1 || true
  qv_spooler_start
  qv_state
  qv_expect_state '^monitor: Quintavera:'
  qv_expect_state '^file: .*\\system32\\orbmon64\.dll \| exists=yes \| version=[0-9.]+\.2629$'
  jobs="$WINEPREFIX/drive_c/ProgramData/Quintavera/Jobs"
  rm -rf "$jobs"
  qv_log "a RAW job printed to Quintavera"
  wine "$QV_TOOLS/qvprint.exe" Quintavera "job after the restart" >"$QV_WORK/print.txt" 2>&1
  qv_expect_in "$QV_WORK/print.txt" '^printed job [0-9]+'
  qv_poll 20 grep -rqs 'job after the restart' "$jobs" || qv_fail "no job in $jobs"
done

qv_e2e_finish
