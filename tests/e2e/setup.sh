#!/usr/bin/env bash
# The setup program run silently through one machine's life: install, printer events (Wine sends
# none) giving "SubKey"s the update keeps, quiet uninstall, /DEFAULTPRINTER, a DLL held open left
# for the restart (3010, then 1603; the restart deletes it); refused under protected print mode. qvrun prints the whole exit code.
source "$(dirname "$0")/common.sh"
subkey_form='[A-Z2-7]{26}'  # 128 random bits in base 32: UTF-16 with its NUL fits in 64 bytes

qv_setup() {  # <expected exit code> <arguments...>; then the state, once the tray is up after a 0
  qv_setup_run "$@"
  [ "$1" != 0 ] || qv_wait_state '^tray window: yes$' || qv_fail "no tray window"
  qv_pf_state "$QV_ENTRY"
}

subkey_of() { sed -n "s/^printer: $1 |.* subkey=\\([^ ]*\\) |.*/\\1/p" "$QV_STATE"; }

qv_pf_state "$QV_ENTRY"
cp "$QV_STATE" "$QV_WORK/clean.txt"

qv_setup 0 /S
qv_expect_state '^default printer: \(none\)$'  # not without /DEFAULTPRINTER
qv_expect_state '^ +QuietUninstallString +REG_SZ +"C:\\Program Files\\Quintavera\\uninstall\.exe" /S _\?=C:\\Program Files\\Quintavera$'
qv_expect_state '^ +DisplayVersion +REG_SZ +1\.0\.0\.2629$'
qv_expect_state '^ +Publisher +REG_SZ +Orbelin$'
qv_expect_state '^ +InstallDate +REG_SZ +20[0-9]{6}$'

qv_log "the printer events Windows would send; a person adds a printer and makes it the default"
wine "$QV_TOOLS/qvseed.exe" event Quintavera || qv_fail "event for Quintavera"
qv_pf_state "$QV_ENTRY"
first=$(subkey_of Quintavera)
[[ "$first" =~ ^$subkey_form$ ]] && echo "ok: SubKey $first" || qv_fail "SubKey of Quintavera: '$first'"
wine "$QV_TOOLS/qvseed.exe" event Quintavera || qv_fail "second event for Quintavera"
wine "$QV_TOOLS/qvseed.exe" person Invoices Accounts "Room 1.02" default || qv_fail "cannot add Invoices"
qv_pf_state "$QV_ENTRY"
[ "$(subkey_of Quintavera)" = "$first" ] && echo "ok: SubKey kept" || qv_fail "SubKey replaced"
second=$(subkey_of Invoices)
qv_check "SubKey of Invoices, its own: '$second'" eval '[[ $second =~ ^$subkey_form$ && $second != "$first" ]]'

qv_setup 0 /S
qv_expect_state '^printers: 2$'
qv_expect_state "^printer: Quintavera \\| .* \\| subkey=$first \\| dsuser-subkey=$first \\| default=no$"
qv_expect_state "^printer: Invoices \\| port=Quintavera: \\| driver=Quintavera printer \\| comment=Accounts \\| location=Room 1\\.02 \\| subkey=$second \\| dsuser-subkey=$second \\| default=yes$"

qv_quiet_uninstall_run 0
qv_check "$pf gone once the uninstaller has ended" qv_poll 80 test ! -e "$unix_pf"
qv_pf_state "$QV_ENTRY"
qv_expect_unchanged "$QV_WORK/clean.txt" "the machine as before the setup"

qv_log "Windows protected print mode's policy is on: the setup changes nothing"
wine reg add "$QV_WPP_POLICY" /v WindowsProtectedPrintGroupPolicyState /t REG_DWORD /d 1 /f >/dev/null 2>&1
qv_setup 1603 /S
wine reg delete "$QV_WPP_POLICY" /f >/dev/null 2>&1
[ ! -e "$unix_pf" ] && echo "ok: nothing laid out" || qv_fail "$pf was laid out"
qv_expect_unchanged "$QV_WORK/clean.txt" "the refused setup changes nothing"

qv_log "no default printer: /DEFAULTPRINTER makes Quintavera the default"
qv_setup 0 /S /DEFAULTPRINTER
qv_expect_state '^default printer: Quintavera$'
qv_log "a program holds the monitor DLL: it is left for the restart"
qv_hold open
qv_quiet_uninstall_run 3010
qv_check "$pf gone once the uninstaller has ended" qv_poll 80 test ! -e "$unix_pf"
qv_pf_state "$QV_ENTRY"
qv_expect_state '^pending rename: .*\\system32\\orbmon64\.dll -> \(delete\)$'
cp "$QV_STATE" "$QV_WORK/pending.txt"
qv_setup 1603 /S
qv_expect_unchanged "$QV_WORK/pending.txt" "the refused setup changes nothing"
[ ! -e "$unix_pf" ] && echo "ok: nothing laid out" || qv_fail "$pf was laid out"
qv_release
qv_restart
qv_pf_state "$QV_ENTRY"
qv_expect_monitor_dll_gone
