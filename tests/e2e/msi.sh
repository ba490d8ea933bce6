#!/usr/bin/env bash
# The Windows Installer package through msiexec, as deployment tools run it: an older package
# (NOTRAY=1 DEFAULTPRINTER=1), a person's printer, the current package replacing it (/l*v holds the
# installer's log; printers keep their settings), the older one refused, the setup program refused
# (1638), removal by product code leaving the machine as it was, the package refused over the setup
# program's entry and while a product file waits for the restart, and with the spooler disabled
# 1603 without any window, its files rolled back. (qvrun prints msiexec's whole exit code.)
source "$(dirname "$0")/common.sh"
current="$QV_BUILD/setup/Quintavera-1.0.0.2629-x64.msi"
older="$QV_BUILD/tests/e2e/Quintavera-0.9.0.2629-x64.msi"
code=$(msiinfo export "$current" Property | tr -d '\r' | sed -n 's/^ProductCode\t//p')
older_code=$(msiinfo export "$older" Property | tr -d '\r' | sed -n 's/^ProductCode\t//p')
# Wine's RemoveExistingProducts leaves UPGRADINGPRODUCTCODE out; the layer puts it in.
export QV_COMPAT_UPGRADING_PRODUCT_CODE="$code"
uninstall='HKLM\Software\Microsoft\Windows\CurrentVersion\Uninstall'
msi_log="$WINEPREFIX/drive_c/msi.log"

qv_msiexec() {  # <expected exit code> <msiexec arguments...>; then the state
  local rc="$1"; shift
  qv_log "msiexec $*"; rm -f "$msi_log"
  qv_run_program 'C:\windows\system32\msiexec.exe' "$@" /qn /l*v 'C:\msi.log'
  qv_expect_out "^qvrun: exit code $rc\$"
  qv_expect_no_out '^--- log window'
  qv_pf_state "$uninstall\\$older_code" "$uninstall\\$code"
}

qv_expect_log() { tr -d '\r' <"$msi_log" >"$QV_WORK/msi.log"; qv_expect_in "$QV_WORK/msi.log" "$1"; }

qv_pf_state "$uninstall\\$older_code" "$uninstall\\$code"
cp "$QV_STATE" "$QV_WORK/clean.txt"

qv_msiexec 0 /i "$(qv_winpath "$older")" NOTRAY=1 DEFAULTPRINTER=1
qv_expect_state '^default printer: Quintavera$'
qv_expect_no_tray
wine "$QV_TOOLS/qvseed.exe" event Quintavera || qv_fail "event for Quintavera"
wine "$QV_TOOLS/qvseed.exe" person Invoices Accounts "Room 1.02" default || qv_fail "cannot add Invoices"

qv_log "the current package replaces the older one"
qv_msiexec 0 /i "$(qv_winpath "$current")"
qv_wait_state '^tray window: yes$' || qv_fail "no tray window"
qv_pf_state "$uninstall\\$older_code" "$uninstall\\$code"
qv_expect_installed Quintavera
qv_expect_state "^printer: Invoices \\| port=Quintavera: \\| driver=Quintavera printer \\| comment=Accounts \\| location=Room 1\\.02 \\| .* \\| default=yes$"
qv_expect_state "^run value QuintaveraTray: \"C:\\\\Program Files\\\\Quintavera\\\\qvatray\\.exe\"$"
qv_expect_state '^printers: 2$'
qv_expect_state "^HKEY_LOCAL_MACHINE.*\\\\Uninstall\\\\$code\$"
qv_expect_no_state "^HKEY_LOCAL_MACHINE.*\\\\Uninstall\\\\$older_code\$"
qv_expect_log '^Quintavera: C:\\Program Files\\Quintavera\\drv\\qvinstall\.exe install$'
qv_expect_log '^#ReInstall$'  # a line of the installer's own log
qv_expect_log '^Quintavera: onChkDrv ended with code 103$'
cp "$QV_STATE" "$QV_WORK/installed.txt"

qv_log "one product, one owner; no downgrade"
qv_msiexec 1603 /i "$(qv_winpath "$older")"
qv_setup_run 1638 /S
qv_pf_state "$uninstall\\$older_code" "$uninstall\\$code"
qv_expect_unchanged "$QV_WORK/installed.txt" "refused runs change nothing"

qv_msiexec 0 /x "$code"
[ ! -e "$unix_pf" ] && echo "ok: files gone" || qv_fail "$pf is still there"
qv_expect_unchanged "$QV_WORK/clean.txt" "the machine as before the package"

qv_log "the setup program's Quintavera is in Programs and Features"
wine reg add "$QV_ENTRY" /v UninstallString /d "\"$pf\\uninstall.exe\"" /f >/dev/null 2>&1
qv_msiexec 1603 /i "$(qv_winpath "$current")"
[ ! -e "$unix_pf" ] && echo "ok: nothing laid out" || qv_fail "$pf was laid out"
wine reg delete "$QV_ENTRY" /f >/dev/null 2>&1

qv_log "a product file waits for the restart: \"onInit\" stops the package before any change"
qv_queue_monitor_deletion PendingFileRenameOperations
qv_msiexec 1603 /i "$(qv_winpath "$current")"
qv_expect_log '^Quintavera: onInit ended with code 200$'
[ ! -e "$unix_pf" ] && echo "ok: nothing laid out" || qv_fail "$pf was laid out"
wine reg delete 'HKLM\System\CurrentControlSet\Control\Session Manager' \
  /v PendingFileRenameOperations /f >/dev/null 2>&1

qv_log "the spooler disabled: the install fails and is rolled back"
qv_spooler_start_type 4
QV_RUN_TIMEOUT_MS=120000 qv_msiexec 1603 /i "$(qv_winpath "$current")"
qv_expect_log '^Quintavera: install ended with code 100$'
[ ! -e "$unix_pf/drv/qvinstall.exe" ] && echo "ok: files rolled back" || qv_fail "files left in $pf"
qv_expect_no_state "^HKEY_LOCAL_MACHINE.*\\\\Uninstall\\\\$code\$"
