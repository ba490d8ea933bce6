#!/usr/bin/env bash
# The setup program run silently, as a deployment tool runs it, through one machine's life: the
# install (tray running, the Programs and Features entry); printer events (Wine sends none) give
# our printer and a person's a "SubKey" the update keeps, settings and all; the quiet uninstall
# leaves the machine as it was; /DEFAULTPRINTER; a DLL left for the restart (3010, then 1603).
# qvrun prints the whole exit code ("qvrun: exit code N"); Linux sees only its low 8 bits.
# Usage: setup.sh <build-dir>
set -u
source "$(dirname "$0")/../../scripts/e2e-lib.sh"
qv_e2e_init "$1"
setup="$(qv_winpath "$QV_BUILD/setup/QuintaveraSetup.exe")"
seed="$QV_TOOLS/qvseed.exe"
dir='C:\Program Files\Quintavera'
unix_dir="$WINEPREFIX/drive_c/Program Files/Quintavera"
entry='HKLM\Software\Microsoft\Windows\CurrentVersion\Uninstall\Quintavera'
guid='\{[0-9A-F]{8}-([0-9A-F]{4}-){3}[0-9A-F]{12}\}'

qv_setup_state() {
  wine "$QV_TOOLS/qvstate.exe" "$dir\\qvatray.exe" "$dir\\drv\\qvinstall.exe" "$dir\\uninstall.exe" \
    >"$QV_STATE" 2>&1 || true
  { wine reg query "$entry"; wine reg query 'HKLM\Software\Orbelin' /s; } 2>&1 |
    tr -d '\r' | grep -v '^$' >>"$QV_STATE"
}

qv_expect_code() { qv_expect_out "^qvrun: exit code $1\$"; }

# qv_setup <expected exit code> <arguments...>
qv_setup() {
  local code="$1"; shift
  qv_log "QuintaveraSetup.exe $*"; qv_run_program "$setup" "$@"; qv_expect_code "$code"
}

# The entry's QuietUninstallString, run as it stands through the runner.
qv_quiet_uninstall() {
  local command
  command=$(wine reg query "$entry" /v QuietUninstallString | tr -d '\r' |
    sed -n 's/^ *QuietUninstallString *REG_SZ *//p')
  [[ "$command" =~ ^\"([^\"]+)\"\ (.+)$ ]] || { qv_fail "no quiet uninstall: '$command'"; return; }
  qv_log "$command"
  qv_run_program --verbatim "${BASH_REMATCH[1]}" "${BASH_REMATCH[2]}"
  qv_expect_code "$1"
  # The uninstaller's own file goes once it has ended, then its folder.
  qv_poll 80 test ! -e "$unix_dir" || qv_fail "$dir is still there"
}

subkey_of() { sed -n "s/^printer: $1 |.* subkey=\\([^ ]*\\) |.*/\\1/p" "$QV_STATE"; }

qv_e2e_reset
qv_setup_state
cp "$QV_STATE" "$QV_WORK/clean.txt"

qv_setup 0 /S
qv_wait_state '^tray window: yes$' || qv_fail "no tray window"
qv_setup_state
qv_expect_installed Quintavera
qv_expect_state "^run value QuintaveraTray: C:\\\\Program Files\\\\Quintavera\\\\qvatray\\.exe$"
qv_expect_state '^tray running: yes$'
qv_expect_state '^default printer: \(none\)$'  # not without /DEFAULTPRINTER
qv_expect_state '^file: C:\\Program Files\\Quintavera\\drv\\qvinstall\.exe \| exists=yes'
qv_expect_state '^ +QuietUninstallString +REG_SZ +"C:\\Program Files\\Quintavera\\uninstall\.exe" /S _\?=C:\\Program Files\\Quintavera$'
qv_expect_state '^ +DisplayVersion +REG_SZ +1\.0\.0\.2629$'
qv_expect_state '^ +Publisher +REG_SZ +Orbelin$'

qv_log "the printer events Windows would send; a person adds a printer and makes it the default"
wine "$seed" event Quintavera || qv_fail "event for Quintavera"
qv_setup_state
first=$(subkey_of Quintavera)
[[ "$first" =~ ^$guid$ ]] && echo "ok: SubKey $first" || qv_fail "SubKey of Quintavera: '$first'"
wine "$seed" event Quintavera || qv_fail "second event for Quintavera"
wine "$seed" person Invoices Accounts "Room 1.02" default || qv_fail "cannot add Invoices"
qv_setup_state
[ "$(subkey_of Quintavera)" = "$first" ] && echo "ok: SubKey kept" || qv_fail "SubKey replaced"
second=$(subkey_of Invoices)
[[ "$second" =~ ^$guid$ && "$second" != "$first" ]] && echo "ok: own SubKey" ||
  qv_fail "SubKey of Invoices: '$second'"

qv_setup 0 /S
qv_wait_state '^tray window: yes$' || qv_fail "no tray window after the update"
qv_setup_state
qv_expect_state '^printers: 2$'
qv_expect_state "^printer: Quintavera \\| .* \\| subkey=$first \\| dsuser-subkey=$first \\| default=no$"
qv_expect_state "^printer: Invoices \\| port=Quintavera: \\| driver=Quintavera printer \\| comment=Accounts \\| location=Room 1\\.02 \\| subkey=$second \\| dsuser-subkey=$second \\| default=yes$"

qv_quiet_uninstall 0
qv_setup_state
if diff "$QV_WORK/clean.txt" "$QV_STATE" >"$QV_WORK/diff.txt"; then echo "ok: machine as before"; else
  qv_fail "the machine differs from before the setup:"; sed 's/^/    > /' "$QV_WORK/diff.txt"
fi

qv_log "no default printer: /DEFAULTPRINTER makes Quintavera the default"
qv_setup 0 /S /DEFAULTPRINTER
qv_setup_state
qv_expect_state '^default printer: Quintavera$'
qv_log "a program holds the monitor DLL: it is left for the restart"
wine "$QV_TOOLS/qvhold.exe" hold 'C:\windows\system32\orbmon64.dll' open 100 >"$QV_WORK/hold.txt" 2>&1 &
holder=$!
qv_poll 40 grep -qs '^holding' "$QV_WORK/hold.txt" || qv_fail "the holder never held the DLL"
qv_quiet_uninstall 3010
qv_setup_state
qv_expect_state '^pending rename: .*\\system32\\orbmon64\.dll -> \(delete\)$'
cp "$QV_STATE" "$QV_WORK/pending.txt"
qv_setup 1603 /S
qv_setup_state
diff "$QV_WORK/pending.txt" "$QV_STATE" >/dev/null && echo "ok: nothing changed" ||
  qv_fail "the setup changed the machine"
[ ! -e "$unix_dir" ] && echo "ok: nothing laid out" || qv_fail "$dir was laid out"
wine "$QV_TOOLS/qvhold.exe" release >/dev/null 2>&1
qv_wait_pid "$holder" holder

qv_e2e_finish
