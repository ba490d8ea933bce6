#!/usr/bin/env bash
# The Windows Installer package through msiexec, as deployment tools run it: a work folder planted
# beforehand left untouched; the package of build 2629 (NOTRAY=1 DEFAULTPRINTER=1), a person's
# printer, build 2630 replacing it in one entry with the printers kept, 2629 over 2630 refused, the
# same build over itself changing nothing, the setup program refused (1638); a restart handed on
# (3010); every deferred step made to fail in turn in a first install, an upgrade and a removal,
# and "install" failing with the spooler disabled, each leaving the machine as it was before
# msiexec. (qvrun prints msiexec's whole exit code.)
source "$(dirname "$0")/common.sh"
current="$QV_BUILD/setup/Quintavera-1.0.0.2629-x64.msi"
next="$QV_BUILD/tests/e2e/Quintavera-1.0.2630-x64.msi"
product_code() { msiinfo export "$1" Property | tr -d '\r' | sed -n 's/^ProductCode\t//p'; }
code=$(product_code "$current")
next_code=$(product_code "$next")
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
  qv_pf_state "$uninstall\\$code" "$uninstall\\$next_code"
}

qv_expect_log() { tr -d '\r' <"$msi_log" >"$QV_WORK/msi.log"; qv_expect_in "$QV_WORK/msi.log" "$1"; }

# A copy of a package that fails (cmd /c exit 3, deferred) right after the step of sequence number
# n-1 when msiexec runs with QV_TEST_FAULT=n in its environment (so also in the older package's
# removal that an upgrade runs): a fault of test runs only, in no shipped package.
faults=(1506 3491 4001 4011 6599)
qv_faulty_copy() {  # <package> <copy>
  cp "$1" "$2"
  local n queries=()
  for n in "${faults[@]}"; do
    queries+=(-q "INSERT INTO \`CustomAction\` (\`Action\`, \`Type\`, \`Source\`, \`Target\`) VALUES ('QvFault$n', 3106, 'TARGETDIR', '\"[System64Folder]cmd.exe\" /c exit 3')")
    queries+=(-q "INSERT INTO \`InstallExecuteSequence\` (\`Action\`, \`Condition\`, \`Sequence\`) VALUES ('QvFault$n', '%QV_TEST_FAULT=\"$n\"', $n)")
  done
  msibuild "$2" "${queries[@]}" || qv_fail "cannot make $2"
}
faulty="$QV_WORK/faulty-2629.msi"; qv_faulty_copy "$current" "$faulty"

# Each fault in turn: msiexec ends with the fault's code (Wine passes on a failed program's 1627
# where Windows says 1603) and the machine is as it was before.
qv_each_fault() {  # <what> <msiexec arguments...>: the faults given in $points
  local n what="$1"; shift
  qv_pf_state "$uninstall\\$code" "$uninstall\\$next_code"
  cp "$QV_STATE" "$QV_WORK/before.txt"
  for n in $points; do
    QV_TEST_FAULT=$n qv_msiexec 1627 "$@"
    qv_expect_unchanged "$QV_WORK/before.txt" "$what failing after step $((n - 1)) leaves the machine as it was"
  done
}

qv_pf_state "$uninstall\\$code" "$uninstall\\$next_code"
cp "$QV_STATE" "$QV_WORK/clean.txt"

qv_log "a work folder made beforehand in the temporary folder is neither used nor touched"
temp=$(wine cmd /c 'echo %TEMP%' 2>/dev/null | tr -d '\r')
planted="$(winepath -u "$temp" 2>/dev/null)/Quintavera package"
mkdir -p "$planted"
for file in qvinstall.exe 'qvinstall onInit.log' 'default printer is another'; do
  echo planted >"$planted/$file"
done
( cd "$planted" && md5sum * ) >"$QV_WORK/planted.md5"

qv_log "a first install failing at each step leaves nothing"
points="1506 4001 4011 6599" qv_each_fault "the first install" /i "$(qv_winpath "$faulty")"
qv_check "the planted folder as it was" bash -c "cd '$planted' && md5sum -c --quiet '$QV_WORK/planted.md5'"
qv_check "no work folder left" bash -c "! ls -d '$planted '* 2>/dev/null"

qv_msiexec 0 /i "$(qv_winpath "$faulty")" NOTRAY=1 DEFAULTPRINTER=1
qv_expect_log '^Quintavera: work folder .*\\Quintavera package [0-9a-f]{16}\\$'
qv_expect_state '^default printer: Quintavera$'
qv_expect_no_tray
wine "$QV_TOOLS/qvseed.exe" event Quintavera || qv_fail "event for Quintavera"
wine "$QV_TOOLS/qvseed.exe" person Invoices Accounts "Room 1.02" default || qv_fail "cannot add Invoices"
# The printers as every install leaves them ("SubKey" also under "DsUser"), with the tray program.
qv_run_program "$pf\\drv\\qvinstall.exe" install

qv_log "a removal failing after \"uninstall\" leaves Quintavera as it was, with its printers"
# Wine's rollback of a removal neither brings back the files RemoveFiles deleted nor registers the
# product again (Windows does both): the removal fails before its files go, the machine is compared
# without Windows Installer's entry, and the package is installed again.
qv_pf_state; cp "$QV_STATE" "$QV_WORK/before.txt"
QV_TEST_FAULT=3491 qv_msiexec 1627 /x "$code"
qv_pf_state
qv_expect_unchanged "$QV_WORK/before.txt" "the failed removal leaves Quintavera as it was"
qv_msiexec 0 /i "$(qv_winpath "$faulty")"

qv_log "the older package's removal in an upgrade failing leaves it as it was, with its tray program"
# Wine removes the older package at once, as an installation of its own, and goes on when that
# fails (Windows removes it in the package's script): the removal an upgrade makes is run alone,
# and compared as above.
qv_pf_state; cp "$QV_STATE" "$QV_WORK/before.txt"
QV_TEST_FAULT=3491 qv_msiexec 1627 /x "$code" UPGRADINGPRODUCTCODE="$next_code"
qv_expect_log '^Quintavera: removetray ended with code 6$'
qv_pf_state
qv_expect_unchanged "$QV_WORK/before.txt" "the failed removal leaves build 2629 as it was"
qv_msiexec 0 /i "$(qv_winpath "$faulty")"

qv_log "build 2630 replaces build 2629"
qv_msiexec 0 /i "$(qv_winpath "$next")"
qv_wait_state '^tray window: yes$' || qv_fail "no tray window"
qv_pf_state "$uninstall\\$code" "$uninstall\\$next_code"
qv_expect_installed Quintavera
qv_expect_state "^printer: Invoices \\| port=Quintavera: \\| driver=Quintavera printer \\| comment=Accounts \\| location=Room 1\\.02 \\| .* \\| default=yes$"
qv_expect_state "^run value QuintaveraTray: \"C:\\\\Program Files\\\\Quintavera\\\\qvatray\\.exe\"$"
qv_expect_state '^printers: 2$'
qv_expect_state "^HKEY_LOCAL_MACHINE.*\\\\Uninstall\\\\$next_code\$"
qv_expect_no_state "^HKEY_LOCAL_MACHINE.*\\\\Uninstall\\\\$code\$"
qv_expect_log '^Quintavera: C:\\Program Files\\Quintavera\\drv\\qvinstall\.exe install$'
qv_expect_log '^#ReInstall$'  # a line of the installer's own log
qv_expect_log '^Quintavera: onChkDrv ended with code 103$'
qv_expect_signed "$unix_pf"
cp "$QV_STATE" "$QV_WORK/installed.txt"

qv_log "one product, one owner; no downgrade; the same build over itself changes nothing"
qv_msiexec 1603 /i "$(qv_winpath "$current")"
qv_setup_run 1638 /S
qv_msiexec 0 /i "$(qv_winpath "$next")"
qv_pf_state "$uninstall\\$code" "$uninstall\\$next_code"
qv_expect_unchanged "$QV_WORK/installed.txt" "refused and repeated runs change nothing"

qv_log "a program holds the monitor DLL: the removal asks for the restart"
qv_hold open
qv_msiexec 3010 /x "$next_code"
qv_release
qv_restart
[ ! -e "$unix_pf" ] && echo "ok: files gone" || qv_fail "$pf is still there"
qv_pf_state "$uninstall\\$code" "$uninstall\\$next_code"
qv_expect_unchanged "$QV_WORK/clean.txt" "the machine as before the package"

qv_log "the setup program's Quintavera is in Programs and Features"
wine reg add "$QV_ENTRY" /v UninstallString /d "\"$pf\\uninstall.exe\"" /f >/dev/null 2>&1
qv_msiexec 1603 /i "$(qv_winpath "$current")"
[ ! -e "$unix_pf" ] && echo "ok: nothing laid out" || qv_fail "$pf was laid out"
wine reg delete "$QV_ENTRY" /f >/dev/null 2>&1

qv_log "Windows protected print mode's policy is on: the package changes nothing"
wine reg add "$QV_WPP_POLICY" /v WindowsProtectedPrintGroupPolicyState /t REG_DWORD /d 1 /f >/dev/null 2>&1
qv_msiexec 1603 /i "$(qv_winpath "$current")"
wine reg delete "$QV_WPP_POLICY" /f >/dev/null 2>&1
tr -d '\r' <"$msi_log" >"$QV_WORK/msi.log"
qv_expect_not_in "$QV_WORK/msi.log" ' onInit$'  # refused before the first action
[ ! -e "$unix_pf" ] && echo "ok: nothing laid out" || qv_fail "$pf was laid out"

qv_log "a product file waits for the restart: \"onInit\" stops the package before any change"
qv_queue_monitor_deletion PendingFileRenameOperations
qv_msiexec 1603 /i "$(qv_winpath "$current")"
qv_expect_log '^Quintavera: onInit ended with code 200$'
[ ! -e "$unix_pf" ] && echo "ok: nothing laid out" || qv_fail "$pf was laid out"
wine reg delete 'HKLM\System\CurrentControlSet\Control\Session Manager' \
  /v PendingFileRenameOperations /f >/dev/null 2>&1

qv_log "the spooler disabled: \"install\" fails and the first install is rolled back whole"
qv_pf_state "$uninstall\\$code" "$uninstall\\$next_code"; cp "$QV_STATE" "$QV_WORK/before.txt"
qv_spooler_start_type 4
QV_RUN_TIMEOUT_MS=120000 qv_msiexec 1603 /i "$(qv_winpath "$current")"
qv_expect_log '^Quintavera: install ended with code 100$'
qv_expect_unchanged "$QV_WORK/before.txt" "the failed install leaves the machine as it was"
