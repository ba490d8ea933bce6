#!/usr/bin/env bash
# DLL planting: a winspool.drv beside the installer never stands in for the system's, not even
# once a DLL loaded first has brought it into the process. Each run makes Wine prefer the DLL in
# the application's directory (as Windows searches it) and runs without the compatibility layer,
# so an install ends with 100. Wine 8's user32 imports version.dll and loads a planted copy before
# WinMain can restrict the search (Windows' user32 does not): that run is shown, not asserted.
# Usage: planting.sh <build-dir>
set -u
source "$(dirname "$0")/../../scripts/e2e-lib.sh"
qv_e2e_init "$1"
qv_e2e_reset
planted="$QV_TOOLS/planted"
cp "$planted/version.dll" "$planted/winspool.drv" "$WINEPREFIX/drive_c/qvpkg/drv/" ||
  qv_fail "cannot plant the DLLs"
base_overrides="$WINEDLLOVERRIDES"

# Runs the installer with the planted DLL preferred; its mark is cleared first.
qv_run_planted() {
  local dll="$1" mark="$2" word="$3"
  rm -f "$WINEPREFIX/drive_c/$mark"
  WINEDLLOVERRIDES="$base_overrides;$dll=n,b" QV_COMPAT=0 qv_run "$word"
}

qv_expect_no_mark() {
  if [ -e "$WINEPREFIX/drive_c/$1" ]; then qv_fail "C:\\$1: the planted DLL was loaded"
  else echo "ok: no C:\\$1"; fi
}

qv_log "planted winspool.drv preferred"
qv_run_planted winspool.drv planted-winspool.txt install
qv_expect_no_mark planted-winspool.txt
qv_expect_rc 100
qv_expect_out '^ *EnumMonitors$'
qv_run_planted winspool.drv planted-winspool.txt uninstall
qv_expect_no_mark planted-winspool.txt
qv_expect_rc_in 2 101 100
qv_expect_no_out 'Procedure not found'

# A DLL importing winspool.drv, loaded by the runner before the installer starts, brings the
# planted copy in first: the installer still binds the system's, and reaches Wine's spooler.
qv_log "a DLL importing winspool.drv loaded first, planted winspool.drv preferred"
rm -f "$WINEPREFIX/drive_c/planted-winspool.txt"
WINEDLLOVERRIDES="$base_overrides;winspool.drv=n,b" QV_COMPAT=0 qv_run_program \
  --compat "$(qv_winpath "$planted/spooler_user.dll")" "$QV_PKG_WIN\\drv\\qvinstall.exe" install
[ -e "$WINEPREFIX/drive_c/planted-winspool.txt" ] ||
  qv_fail "the planted winspool.drv never reached the process: the run proves nothing"
qv_expect_rc 100
qv_expect_no_out 'Procedure not found'
qv_expect_out '^ *AddMonitor - OK :\)$'

qv_log "planted version.dll preferred (shown, not asserted: Wine's user32 loads it first)"
qv_run_planted version planted-version.txt install
[ -e "$WINEPREFIX/drive_c/planted-version.txt" ] && qv_log "C:\\planted-version.txt is there"

qv_e2e_finish
