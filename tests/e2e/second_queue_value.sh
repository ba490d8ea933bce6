#!/usr/bin/env bash
# A deletion of the monitor DLL queued in the reboot queue's second value,
# "PendingFileRenameOperations2" (where Windows queues when the first value is full): "onInit"
# answers 200, and an install takes the deletion out of that value, so the restart keeps the DLL.
set -u
source "$(dirname "$0")/../../scripts/e2e-lib.sh"
qv_e2e_init "$1"
qv_e2e_reset
# The value as Windows writes it: source, empty target, the list's final NUL (REG_MULTI_SZ; in a
# REGEDIT4 file its text is given in ANSI and stored as UTF-16).
data=$(printf '%s\0\0\0' '\??\C:\windows\system32\orbmon64.dll' | od -An -tx1 -v | tr -s ' \n' ',' |
  sed 's/^,//; s/,$//')
printf '%s\r\n' 'REGEDIT4' '' \
  '[HKEY_LOCAL_MACHINE\SYSTEM\CurrentControlSet\Control\Session Manager]' \
  "\"PendingFileRenameOperations2\"=hex(7):$data" >"$QV_WORK/queue.reg"
wine regedit /S "$(qv_winpath "$QV_WORK/queue.reg")" >/dev/null 2>&1
qv_state
qv_expect_state '^pending renames: 0$'
qv_expect_state '^pending renames 2: 1$'
qv_expect_state '^pending rename 2: .*\\system32\\orbmon64\.dll -> \(delete\)$'
qv_run_expect 200 onInit
qv_run_quiet 1 in_notray
qv_state
qv_expect_installed
qv_expect_state '^pending renames 2: 0$'
qv_run_expect 102 onInit
qv_e2e_finish
