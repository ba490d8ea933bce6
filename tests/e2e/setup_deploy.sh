#!/usr/bin/env bash
# The setup program as a deployment tool runs it (silent), over what earlier runs left: a failing
# install, alone ("/log=") or under the setup, never waits and leaves its log; an update finds the
# earlier folder outside Program Files and keeps the choice of no tray program; a file another
# program holds is replaced at the restart; an older setup changes nothing; /D= moves the install;
# the uninstaller works without drv\qvinstall.exe; a setup right after a quiet uninstall keeps its
# uninstall.exe; a /D= folder made first is taken over (owner Administrators); run as SYSTEM runs
# it, neither touches the shared %TEMP% nor waits for a name another program took first. The
# programs laid out (uninstall.exe, drv\qvinstall.exe...) are signed.
source "$(dirname "$0")/common.sh"
apps='C:\Apps\Quintavera'
unix_apps="$WINEPREFIX/drive_c/Apps/Quintavera"
log="$QV_WORK/setup.log"

qv_deploy_state() {  # the state report with the entry, and the setup's logs (LF line ends)
  qv_pf_state "$QV_ENTRY"
  { tr -d '\r' <"$log" || true; } >"$log.txt" 2>/dev/null
  { tr -d '\r' <"$temp/QuintaveraSetup.log" || true; } >"$QV_WORK/temp.txt" 2>/dev/null
}
qv_setup() { qv_setup_run "$@"; qv_deploy_state; }  # <expected exit code> <arguments...>

temp=$(winepath -u "$(wine cmd /c echo %TEMP% | tr -d '\r')")
qv_log "the spooler disabled: the install logs an error; nothing waits, the logs hold it"
qv_spooler_start_type 4
qv_run_quiet 100 install '/log=C:\disabled.log'  # alone, within the spooler's bound
qv_expect_in "$WINEPREFIX/drive_c/disabled.log" '^ *Error\(4\): Can.t start the spooler'
run_ms=$(sed -n 's/^qvrun: run time \([0-9]*\) ms$/\1/p' "$QV_OUT")
qv_check "the quiet install ends within 20 s (${run_ms:-?} ms)" test "${run_ms:-99999}" -lt 20000
qv_setup 1603 /S "/LOG=$(qv_winpath "$log")"
qv_expect_no_out '^--- log window'
qv_expect_in "$log.txt" '^qvinstall install: exit code 100$'
qv_expect_in "$log.txt" '^  \| *Error\(4\)'
qv_expect_in "$log.txt" '^Failed \(1603\): '
qv_expect_in "$log.txt" '^Machine: x64 \(AMD64\)'
qv_spooler_start_type 3
qv_spooler_start

mkdir -p "$unix_apps/drv"  # made first by a person: the setup takes it over
qv_setup 0 /S /NOTRAY "/LOG=$(qv_winpath "$log")" "/D=$apps"
qv_expect_in "$log.txt" '^Owner of C:\\Apps\\Quintavera\\drv: Administrators \(it was S-1-5-'
qv_expect_in "$log.txt" "^Rights of C:\\\\Apps\\\\Quintavera: Administrators and SYSTEM full control"
qv_expect_state '^ +InstallLocation +REG_SZ +C:\\Apps\\Quintavera$'
qv_expect_state '^ +NoTrayProgram +REG_DWORD +0x1$'

qv_log "an update: a file of its own changed, a large one of a person's, qvatray.exe held open"
echo old >"$unix_apps/drv/orbui64.dll"
head -c 2000000 /dev/zero >"$unix_apps/scans.dat"
qv_hold open "$apps\\qvatray.exe"
qv_setup 3010 /S
qv_check "orbui64.dll replaced" cmp -s "$unix_apps/drv/orbui64.dll" "$QV_PACKAGE/drv/orbui64.dll"
qv_expect_state '^pending rename: .*\\Apps\\Quintavera\\qvatray\.exe\.qvnew -> .*\\Apps\\Quintavera\\qvatray\.exe$'
qv_expect_in "$QV_WORK/temp.txt" '^Held by another program, replaced at the restart: C:\\Apps\\Quintavera\\qvatray\.exe$'
[ ! -e "$unix_pf" ] && echo "ok: nothing in Program Files" || qv_fail "$pf was laid out"
kb=$(sed -n 's/^ *EstimatedSize *REG_DWORD *0x//p' "$QV_STATE")
qv_check "EstimatedSize 0x$kb KB, no scans.dat" let "16#${kb:-0} > 100 && 16#${kb:-0} < 1000"
qv_expect_no_tray
qv_release
qv_restart
qv_check "qvatray.exe replaced at the restart" cmp -s "$unix_apps/qvatray.exe" "$QV_PACKAGE/qvatray.exe"

qv_log "an older setup over a newer install changes nothing"
wine reg add "$QV_ENTRY" /v DisplayVersion /d 1.0.1.0 /f >/dev/null 2>&1
qv_deploy_state
cp "$QV_STATE" "$QV_WORK/before.txt"
qv_setup 1638 /S
qv_expect_unchanged "$QV_WORK/before.txt" "the older setup changes nothing"
wine reg add "$QV_ENTRY" /v DisplayVersion /d 1.0.0.2629 /f >/dev/null 2>&1

qv_log "/D= moves the install, /TRAY brings the tray program back: QuintaveraSetup.exe /S /TRAY /D=$pf"
qv_run_program --verbatim "$(qv_winpath "$QV_BUILD/setup/QuintaveraSetup.exe")" "/S /TRAY /D=$pf"
qv_expect_out '^qvrun: exit code 0$'
qv_wait_state '^tray window: yes$' || qv_fail "no tray window"
qv_deploy_state
qv_check "only scans.dat left in $apps" test "$(ls -A "$unix_apps")" = scans.dat
qv_expect_state '^ +InstallLocation +REG_SZ +C:\\Program Files\\Quintavera$'
qv_expect_no_state 'NoTrayProgram'
qv_expect_signed "$unix_pf"

qv_log "drv\\qvinstall.exe deleted: the uninstaller's own copy removes everything; at once a setup"
rm "$unix_pf/drv/qvinstall.exe"
qv_quiet_uninstall_run 0
qv_setup_run 0 /S
# Until its batch ends (an earlier one deleted its own file 3 s after it ended, whoever had it):
qv_poll 60 eval '! compgen -G "$temp/*.cmd"' >/dev/null || qv_fail "the uninstaller's batch stays"
qv_check "uninstall.exe still there" test -e "$unix_pf/uninstall.exe"
qv_deploy_state
tr -d '\r' <"$temp/QuintaveraUninstall.log" >"$QV_WORK/un.txt"
qv_expect_in "$QV_WORK/un.txt" "own copy runs"
qv_expect_in "$QV_WORK/un.txt" '^qvinstall uninstall: exit code 2$'  # everything removed
qv_expect_not_in "$QV_WORK/temp.txt" '^Installed: '  # the entry was gone too
qv_expect_installed Quintavera

qv_log "as SYSTEM runs it: %TEMP% is the shared C:\\windows\\temp, where a user planted names the"
qv_log "setup would use; a program of another account holds the setup's old machine-wide name"
shared="$WINEPREFIX/drive_c/windows/temp"
mkdir -p "$shared/nsa1.tmp"
echo planted | tee "$shared"/Quintavera{Setup,Uninstall}.log "$shared/nsa1.tmp/System.dll" >/dev/null
# (NSIS itself proves %TEMP% writable with a file it deletes at once, before any of the script)
listing() { (cd "$shared" && find . -mindepth 1 -exec stat -c '%n %s %Y' {} + | sort); }
listing >"$QV_WORK/shared.txt"
for var in TEMP TMP; do wine reg add 'HKCU\Environment' /v $var /d 'C:\windows\temp' /f >/dev/null 2>&1; done
qv_hold mutex 'Global\Quintavera setup {5B2E8C14-7A3D-4F61-9E20-C8D15A7B3F96}'
qv_setup_run 0 /S
qv_quiet_uninstall_run 0
qv_check "$pf gone once the uninstaller has ended" qv_poll 80 test ! -e "$unix_pf"
qv_release
qv_check "nothing in C:\\windows\\temp made, used or changed" diff "$QV_WORK/shared.txt" <(listing)
own="$(winepath -u "$(wine cmd /c echo %LOCALAPPDATA% | tr -d '\r')")/Temp"
tr -d '\r' <"$own/QuintaveraSetup.log" >"$QV_WORK/own.txt"
qv_expect_in "$QV_WORK/own.txt" 'Global\\Quintavera setup .* is held by a program of another account: it blocks nothing'
qv_expect_in "$QV_WORK/own.txt" '^Work files in C:\\users\\[^\\]+\\AppData\\Local\\Temp\\ns[^\\]+\.tmp \(owner Administrators'
qv_expect_in "$QV_WORK/own.txt" '^  \| Quintavera 2629'  # the installer's run from there
tr -d '\r' <"$own/QuintaveraUninstall.log" >"$QV_WORK/own-un.txt"
qv_expect_in "$QV_WORK/own-un.txt" '\\AppData\\Local\\Temp\\[^\\]+\.cmd\)$'
