#!/usr/bin/env bash
# The command words on a clean machine (no default printer, no driver, no tray): those that only
# dispatch and the setup package's questions and requests. A first install: everything in place,
# the tray program running, no window; the questions answered anew after "def.set" makes Quintavera
# the default. Then "uninstall": the machine is the clean one again at once, exit code 2 (again 2 when
# run twice).
# In Wine the spooler's monitors live in the calling process (winspool.drv loads localspl.dll
# in-process), so DeleteMonitorW unloads the installer's own copy of the monitor DLL and nothing
# holds it: the DeleteFileW succeeds. On Windows the spooler service may keep it loaded (101,
# queued for the restart); that road is locked_monitor.sh.
# Last, on a fresh clean machine with two help windows of the product open ("HH Parent",
# "Quintavera Help") and a package without "orbhelp.chm", an install: both viewers are closed,
# the copy error is shown in the log window (exit code 100), and the driver is still added,
# without a help file, with its printer; then "removetray" ends the tray program, deletes its
# file and its log-on entry.
# Usage: install.sh <build-dir>
set -u
source "$(dirname "$0")/../../scripts/e2e-lib.sh"
qv_e2e_init "$1"
qv_e2e_reset
tray_line='^file: C:\\qvpkg\\qvatray\.exe '
qv_state
grep -Ev -- "$tray_line" "$QV_STATE" >"$QV_WORK/clean.txt"
qv_run_expect 6
qv_run_expect 4 def.set
qv_run_expect 102 onInit
qv_run_expect 3 onChkDrv
qv_run_quiet 6 removetray

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
qv_run_expect 103 onChkDrv
qv_run_expect 4 def.set
qv_run_expect 3 onInit
qv_state
qv_expect_state '^default printer: Quintavera$'

qv_run_quiet 2 uninstall
qv_state
# The machine is the clean one again, but for the tray program the log-on entry named: deleted.
diff <(grep -Ev -- "$tray_line" "$QV_STATE") "$QV_WORK/clean.txt" && echo "ok: the machine is as it was" ||
  qv_fail "the machine differs from the clean one (< after the uninstall, > clean)"
qv_expect_state '^file: C:\\qvpkg\\qvatray\.exe \| exists=no'
qv_run_expect 2 uninstall

qv_e2e_reset
rm "$WINEPREFIX/drive_c/qvpkg/drv/orbhelp.chm"
helpwin="$QV_TOOLS/qvhelpwin.exe"
help_windows_are() { [ "$(wine "$helpwin" count 2>/dev/null | tr -d '\r')" = "help windows: $1" ]; }
viewers=()
for _ in 1 2; do wine "$helpwin" show 90 >/dev/null 2>&1 & viewers+=($!); done
qv_poll 40 help_windows_are 2 || qv_fail "the help windows did not appear"
QV_RUN_TIMEOUT_MS=60000 qv_run_expect 100 install  # a stubborn help window would keep it looping
qv_expect_error_window
qv_expect_out 'Error\([0-9]+\): .*orbhelp\.chm'
for pid in "${viewers[@]}"; do  # 0: closed; 3: the viewer's own 90 s time-out
  qv_wait_pid "$pid" "help viewer" && { wait "$pid" || qv_fail "help viewer $pid ended with $?"; }
done
help_windows_are 0 || qv_fail "a help window is still open"
qv_wait_state '^tray window: yes$' || qv_fail "no tray window before removetray"
qv_run_quiet 6 removetray
qv_state
qv_expect_installed Quintavera
qv_expect_state '^driver: Quintavera printer \|.*\| help-file=\(none\)$'
qv_expect_no_tray
qv_expect_state '^file: C:\\qvpkg\\qvatray\.exe \| exists=no'

qv_e2e_finish
