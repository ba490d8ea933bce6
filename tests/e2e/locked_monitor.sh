#!/usr/bin/env bash
# The monitor DLL's deletion queued for the restart. In "PendingFileRenameOperations2" (where
# Windows queues when the first value is full): "onInit" answers 200, an install takes it out. An
# uninstall while another process has loaded the DLL queues it (101), "onInit" answers 200; setup
# run again before the restart takes the deletion out; after the restart the monitor still has its
# DLL and prints a job. (A DLL only held open, deleted by the restart: setup.sh.) A jobs folder
# made first and open to everyone is closed before a job goes in; one that is a link takes none. A
# service that depends on the spooler, running before the uninstall restarts the spooler, runs
# after it.
source "$(dirname "$0")/common.sh"
QV_RUN_TIMEOUT_MS=120000
qv_queue_monitor_deletion PendingFileRenameOperations2
qv_state
qv_expect_state '^pending rename 2: .*\\system32\\orbmon64\.dll -> \(delete\)$'
qv_run_expect 200 onInit
qv_run_quiet 1 in_notray
qv_state
qv_expect_installed
qv_expect_state '^pending renames 2: 0$'
qv_run_expect 102 onInit

dependent=QvSpoolerDependent
dependent_runs() { wine sc query $dependent 2>/dev/null | grep -q 'RUNNING'; }
wine sc create $dependent binPath= "$(qv_winpath "$QV_TOOLS/qvdependent.exe")" depend= Spooler \
  >/dev/null 2>&1 && wine sc start $dependent >/dev/null 2>&1 || qv_fail "no $dependent started"
qv_poll 20 dependent_runs || qv_fail "$dependent did not start"
qv_hold load
qv_run_quiet 101 uninstall '/log=C:\uninstall.log'
qv_expect_in "$WINEPREFIX/drive_c/uninstall.log" '#Restart Spooler'
qv_poll 20 dependent_runs || qv_fail "$dependent is not running after the spooler's restart"
qv_state
qv_expect_removed
qv_expect_state '^pending renames: 1$'
qv_expect_state '^pending rename: .*\\system32\\orbmon64\.dll -> \(delete\)$'
qv_run_expect 200 onInit
qv_release
qv_run_expect 200 onInit
qv_run_quiet 1 in_notray
qv_state
qv_expect_state '^pending renames: 0$'
qv_restart
qv_state
qv_expect_state '^file: .*\\system32\\orbmon64\.dll \| exists=yes \| version=[0-9.]+\.2629$'
wine "$QV_TOOLS/qvprint.exe" Quintavera "job after the restart" || qv_fail "the job was not printed"
jobs="$WINEPREFIX/drive_c/ProgramData/Quintavera/Jobs"
qv_poll 20 grep -rqs 'job after the restart' "$jobs" || qv_fail "no job in $jobs"

rm -rf "$jobs" && mkdir -m 777 "$jobs"
qv_state
qv_expect_state '^job folder: .*\\Jobs \|.*\(A;[^)]*;;;WD\)'
wine "$QV_TOOLS/qvprint.exe" Quintavera "job into a folder made first" || qv_fail "not printed"
qv_poll 20 grep -rqs 'job into a folder made first' "$jobs" || qv_fail "no job in $jobs"
qv_state
qv_expect_no_state '^job folder: .*\\Jobs \|.*;;;WD\)'
elsewhere="$WINEPREFIX/drive_c/elsewhere"
mkdir "$elsewhere" && rm -rf "$jobs" && ln -s "$elsewhere" "$jobs"
wine "$QV_TOOLS/qvprint.exe" Quintavera "job through a link" && qv_fail "a job went through a link"
[ -z "$(ls -A "$elsewhere")" ] && echo "ok: nothing elsewhere" || qv_fail "a job went elsewhere"
