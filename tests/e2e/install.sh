#!/usr/bin/env bash
# A first install on a clean machine: everything in place, the tray program running, no window.
# Then "uninstall": the machine is the clean one again at once, exit code 2 (again 2 when run
# twice).
# In Wine the spooler's monitors live in the calling process (winspool.drv loads localspl.dll
# in-process), so DeleteMonitorW unloads the installer's own copy of the monitor DLL and nothing
# holds it: the DeleteFileW succeeds. On Windows the spooler service may keep it loaded (101,
# queued for the restart); that road is locked_monitor.sh.
# Last, on a fresh clean machine, "in_notray": the same install without the tray program and
# its log-on entry.
# Usage: install.sh <build-dir>
set -u
source "$(dirname "$0")/../../scripts/e2e-lib.sh"
qv_e2e_init "$1"
qv_e2e_reset
tray_line='^file: C:\\qvpkg\\qvatray\.exe '
qv_state
grep -Ev -- "$tray_line" "$QV_STATE" >"$QV_WORK/clean.txt"

qv_run_quiet 1 install
qv_wait_state '^tray window: yes$' || qv_fail "no tray window"
qv_expect_installed Quintavera
qv_expect_state '^printers: 1$'
qv_expect_state '^run value QuintaveraTray: C:\\qvpkg\\qvatray\.exe$'
qv_expect_state '^tray mutex: yes$'
qv_expect_state '^tray running: yes$'
qv_expect_state '^pending renames: 0$'
# The staged copies in the driver directory are gone again.
qv_expect_state '^file: .*\\x64\\orbdrv64\.dll \| exists=no'
qv_expect_state '^file: .*\\x64\\orbui64\.dll \| exists=no'

qv_run_quiet 2 uninstall
qv_state
# The machine is the clean one again, but for the tray program the log-on entry named: deleted.
diff <(grep -Ev -- "$tray_line" "$QV_STATE") "$QV_WORK/clean.txt" && echo "ok: the machine is as it was" ||
  qv_fail "the machine differs from the clean one (< after the uninstall, > clean)"
qv_expect_state '^file: C:\\qvpkg\\qvatray\.exe \| exists=no'
qv_run_expect 2 uninstall

qv_e2e_reset
qv_run_quiet 1 in_notray
qv_state
qv_expect_installed Quintavera
qv_expect_no_tray

qv_e2e_finish
