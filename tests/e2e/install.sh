#!/usr/bin/env bash
# Command words on a clean machine; an install logging ("/log=") from the build line to "##0020",
# "uninstall" leaving the machine clean (Wine's in-process spooler holds no monitor DLL: the held
# road is locked_monitor.sh); an install with two help windows open and no "orbhelp.chm": viewers
# closed, copy error (100), no help file; "removetray" ends the tray, deletes its file and entry.
# The logged install runs while another program holds the old name "Global\QuintaveraInstaller":
# the installers' own mutex is elsewhere, so nothing waits.
source "$(dirname "$0")/common.sh"
tray_line='^file: C:\\qvpkg\\qvatray\.exe '
qv_state
grep -Ev -- "$tray_line" "$QV_STATE" >"$QV_WORK/clean.txt"
for answer in 6 '4 def.set' '102 onInit' '3 onChkDrv'; do qv_run_expect $answer; done
qv_run_quiet 6 removetray

qv_hold mutex 'Global\QuintaveraInstaller'
QV_RUN_TIMEOUT_MS=60000 qv_run_quiet 1 install '/log=C:\install.log'
qv_release
log="$WINEPREFIX/drive_c/install.log"
qv_expect_not_in "$log" "Waited|namespace can't be had"
[ "$(head -n 1 "$log")" = $'Quintavera 2629\r' ] || qv_fail "install.log does not begin with the build"
qv_check "install.log ends with ##0020 and its CR LF" cmp -s <(tail -c 8 "$log") <(printf '##0020\r\n')
qv_expect_in "$log" $'^    #Add Printer Driver x64\r$'
qv_wait_state '^tray window: yes$' || qv_fail "no tray window"
qv_expect_installed Quintavera
qv_expect_state '^printers: 1$'
qv_expect_state '^run value QuintaveraTray: "C:\\qvpkg\\qvatray\.exe"$'
for dll in orbdrv64 orbui64; do qv_expect_state "^file: .*\\\\x64\\\\$dll\\.dll \\| exists=no"; done
for answer in '103 onChkDrv' '4 def.set' '3 onInit'; do qv_run_expect $answer; done
qv_state
qv_expect_state '^default printer: Quintavera$'

qv_run_quiet 2 uninstall
qv_state
qv_check "the machine as it was" diff <(grep -Ev -- "$tray_line" "$QV_STATE") "$QV_WORK/clean.txt"
qv_expect_state '^file: C:\\qvpkg\\qvatray\.exe \| exists=no'
qv_run_expect 2 uninstall

cp "$QV_PACKAGE/qvatray.exe" "$WINEPREFIX/drive_c/qvpkg/"  # on the machine left clean, as checked
rm "$WINEPREFIX/drive_c/qvpkg/drv/orbhelp.chm"
helpwin="$QV_TOOLS/qvhelpwin.exe"
help_windows_are() { [ "$(wine "$helpwin" count 2>/dev/null | tr -d '\r')" = "help windows: $1" ]; }
viewers=()
for _ in 1 2; do wine "$helpwin" show 90 >/dev/null 2>&1 & viewers+=($!); done
qv_poll 40 help_windows_are 2 || qv_fail "the help windows did not appear"
QV_RUN_TIMEOUT_MS=60000 qv_run_expect 100 install  # a stubborn help window would keep it looping
qv_expect_error_window
qv_expect_out 'Error\([0-9]+\): .*orbhelp\.chm'
for pid in "${viewers[@]}"; do  # 0: closed by the installer; 3: the viewer's own 90 s time-out
  qv_wait_pid "$pid" "help viewer" && { wait "$pid" || qv_fail "help viewer $pid ended with $?"; }; done
qv_wait_state '^tray window: yes$' || qv_fail "no tray window before removetray"
qv_run_quiet 6 removetray
qv_state
qv_expect_installed Quintavera
qv_expect_state '^driver: Quintavera printer \|.*\| help-file=\(none\)$'
qv_expect_no_tray
qv_expect_state '^file: C:\\qvpkg\\qvatray\.exe \| exists=no'
