#!/usr/bin/env bash
# The Windows Installer package through msiexec, as deployment tools run it: an older package, a
# person's printer, the current package replacing it (/l*v holds the installer's log; printers
# keep their settings), the older one refused, the setup program refused (1638), removal by
# product code leaving the machine as it was, the package refused over the setup program's
# entry and while a product file waits for the restart, and with the spooler disabled 1603
# without any window, its files rolled back. The older package goes in with NOTRAY=1 and
# DEFAULTPRINTER=1. qvrun
# prints msiexec's whole exit code; the layer reaches the installer through msiexec's custom
# action host.
set -u
source "$(dirname "$0")/../../scripts/e2e-lib.sh"
qv_e2e_init "$1"
current="$QV_BUILD/setup/Quintavera-1.0.0.2629-x64.msi"
older="$QV_BUILD/tests/e2e/Quintavera-0.9.0.2629-x64.msi"
product_code() { msiinfo export "$1" Property | tr -d '\r' | sed -n 's/^ProductCode\t//p'; }
code=$(product_code "$current")
older_code=$(product_code "$older")
# Wine's RemoveExistingProducts leaves UPGRADINGPRODUCTCODE out; the layer puts it in.
export QV_COMPAT_UPGRADING_PRODUCT_CODE="$code"
dir='C:\Program Files\Quintavera'
unix_dir="$WINEPREFIX/drive_c/Program Files/Quintavera"
uninstall='HKLM\Software\Microsoft\Windows\CurrentVersion\Uninstall'
msi_log="$WINEPREFIX/drive_c/msi.log"

qv_msi_state() {
  wine "$QV_TOOLS/qvstate.exe" "$dir\\qvatray.exe" "$dir\\drv\\qvinstall.exe" >"$QV_STATE" 2>&1
  { wine reg query "$uninstall\\$older_code"; wine reg query "$uninstall\\$code"
    wine reg query 'HKLM\Software\Orbelin' /s; } 2>&1 | tr -d '\r' | grep -v '^$' >>"$QV_STATE"
}

qv_msiexec() {  # <expected exit code> <msiexec arguments...>; then the state
  local rc="$1"; shift
  qv_log "msiexec $*"; rm -f "$msi_log"
  qv_run_program 'C:\windows\system32\msiexec.exe' "$@" /qn /l*v 'C:\msi.log'
  qv_expect_out "^qvrun: exit code $rc\$"
  qv_expect_no_out '^--- log window'
  qv_msi_state
}

qv_expect_log() { tr -d '\r' <"$msi_log" >"$QV_WORK/msi.log"; qv_expect_in "$QV_WORK/msi.log" "$1"; }

qv_e2e_reset
qv_msi_state
cp "$QV_STATE" "$QV_WORK/clean.txt"

qv_msiexec 0 /i "$(qv_winpath "$older")" NOTRAY=1 DEFAULTPRINTER=1
qv_expect_state "^HKEY_LOCAL_MACHINE.*\\\\Uninstall\\\\$older_code\$"
qv_expect_state '^default printer: Quintavera$'
qv_expect_no_tray
wine "$QV_TOOLS/qvseed.exe" event Quintavera || qv_fail "event for Quintavera"
wine "$QV_TOOLS/qvseed.exe" person Invoices Accounts "Room 1.02" default || qv_fail "cannot add Invoices"

qv_log "the current package replaces the older one"
qv_msiexec 0 /i "$(qv_winpath "$current")"
qv_wait_state '^tray window: yes$' || qv_fail "no tray window"
qv_msi_state
qv_expect_installed Quintavera
qv_expect_state "^printer: Invoices \\| port=Quintavera: \\| driver=Quintavera printer \\| comment=Accounts \\| location=Room 1\\.02 \\| .* \\| default=yes$"
qv_expect_state "^run value QuintaveraTray: C:\\\\Program Files\\\\Quintavera\\\\qvatray\\.exe$"
qv_expect_state '^file: C:\\Program Files\\Quintavera\\drv\\qvinstall\.exe \| exists=yes'
qv_expect_state '^printers: 2$'
qv_expect_state "^HKEY_LOCAL_MACHINE.*\\\\Uninstall\\\\$code\$"
qv_expect_no_state "^HKEY_LOCAL_MACHINE.*\\\\Uninstall\\\\$older_code\$"
qv_expect_log '^Quintavera: C:\\Program Files\\Quintavera\\drv\\qvinstall\.exe install$'
qv_expect_log '^#ReInstall$'  # lines of the installer's own log
qv_expect_log '^##0020$'
qv_expect_log '^Quintavera: onChkDrv ended with code 103$'
cp "$QV_STATE" "$QV_WORK/installed.txt"

qv_log "one product, one owner; no downgrade"
qv_msiexec 1603 /i "$(qv_winpath "$older")"
qv_run_program "$(qv_winpath "$QV_BUILD/setup/QuintaveraSetup.exe")" /S
qv_expect_out '^qvrun: exit code 1638$'
qv_msi_state
diff "$QV_WORK/installed.txt" "$QV_STATE" >/dev/null && echo "ok: nothing changed" ||
  qv_fail "a refused run changed the machine"

qv_msiexec 0 /x "$code"
[ ! -e "$unix_dir" ] && echo "ok: files gone" || qv_fail "$dir is still there"
if diff "$QV_WORK/clean.txt" "$QV_STATE" >"$QV_WORK/diff.txt"; then echo "ok: machine as before"; else
  qv_fail "the machine differs from before the package:"; sed 's/^/    > /' "$QV_WORK/diff.txt"
fi

qv_log "the setup program's Quintavera is in Programs and Features"
wine reg add "$uninstall\\Quintavera" /v UninstallString /d "\"$dir\\uninstall.exe\"" /f >/dev/null 2>&1
qv_msiexec 1603 /i "$(qv_winpath "$current")"
[ ! -e "$unix_dir" ] && echo "ok: nothing laid out" || qv_fail "$dir was laid out"
wine reg delete "$uninstall\\Quintavera" /f >/dev/null 2>&1

qv_log "a product file waits for the restart: \"onInit\" stops the package before any change"
hex=$(printf '\\??\\C:\\windows\\system32\\orbmon64.dll\0\0\0' | od -An -tx1 -v | tr -s ' \n' ',')
printf 'REGEDIT4\r\n\r\n[%s]\r\n"PendingFileRenameOperations"=hex(7):%s\r\n' \
  'HKEY_LOCAL_MACHINE\System\CurrentControlSet\Control\Session Manager' \
  "$(echo "$hex" | sed 's/^,//; s/,$//')" >"$WINEPREFIX/drive_c/pending.reg"
wine reg import 'C:\pending.reg' >/dev/null 2>&1 || qv_fail "no deletion queued"
qv_msiexec 1603 /i "$(qv_winpath "$current")"
qv_expect_log '^Quintavera: onInit ended with code 200$'
[ ! -e "$unix_dir" ] && echo "ok: nothing laid out" || qv_fail "$dir was laid out"
wine reg delete 'HKLM\System\CurrentControlSet\Control\Session Manager' \
  /v PendingFileRenameOperations /f >/dev/null 2>&1

qv_log "the spooler disabled: the install fails and is rolled back"
qv_spooler_start_type 4
QV_RUN_TIMEOUT_MS=120000 qv_msiexec 1603 /i "$(qv_winpath "$current")"
qv_expect_log '^Quintavera: install ended with code 100$'
[ ! -e "$unix_dir/drv/qvinstall.exe" ] && echo "ok: files rolled back" || qv_fail "files left in $dir"
qv_expect_no_state "^HKEY_LOCAL_MACHINE.*\\\\Uninstall\\\\$code\$"

qv_e2e_finish
