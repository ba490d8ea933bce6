#!/usr/bin/env bash
# An uninstall while another process has loaded the monitor DLL: queued for deletion at the
# restart (101), "onInit" answers 200. Setup runs again before the restart and takes the deletion
# out of the queue; after the restart the monitor still has its DLL and prints a job. (A DLL only
# held open, deleted by the restart: setup.sh.)
set -u
source "$(dirname "$0")/../../scripts/e2e-lib.sh"
qv_e2e_init "$1"
QV_RUN_TIMEOUT_MS=120000
qv_e2e_reset
qv_run_expect 1 in_notray
qv_hold load
qv_run_quiet 101 uninstall
qv_state
qv_expect_removed
qv_expect_state '^pending renames: 1$'
qv_expect_state '^pending rename: .*\\system32\\orbmon64\.dll -> \(delete\)$'
qv_expect_state '^file: .*\\system32\\orbmon64\.dll \| exists=yes'
qv_run_expect 200 onInit
qv_release
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
wine "$QV_TOOLS/qvprint.exe" Quintavera "job after the restart" >"$QV_WORK/print.txt" 2>&1
qv_expect_in "$QV_WORK/print.txt" '^printed job [0-9]+'
qv_poll 20 grep -rqs 'job after the restart' "$jobs" || qv_fail "no job in $jobs"
qv_e2e_finish
