#!/usr/bin/env bash
# A winspool.drv beside the installer (preferred by Wine as Windows searches the application's
# directory, no compatibility layer: an install ends with 100) never stands in for the system's,
# even once a DLL loaded first brought it in. (A planted version.dll is not tried: Wine 8's user32
# loads it before WinMain can restrict the search, which Windows' user32 does not.)
source "$(dirname "$0")/common.sh"
planted="$QV_TOOLS/planted"
cp "$planted/winspool.drv" "$WINEPREFIX/drive_c/qvpkg/drv/" || qv_fail "cannot plant winspool.drv"
mark="$WINEPREFIX/drive_c/planted-winspool.txt"  # left by the planted winspool.drv once loaded
winspool_preferred() { rm -f "$mark"; WINEDLLOVERRIDES="$WINEDLLOVERRIDES;winspool.drv=n,b" QV_COMPAT=0 "$@"; }

for word in install uninstall; do
  winspool_preferred qv_run $word
  [ ! -e "$mark" ] && echo "ok: not loaded" || qv_fail "the planted winspool.drv was loaded"
  qv_expect_no_out 'Procedure not found'
  [ $word = uninstall ] || { qv_expect_rc 100; qv_expect_out '^ *EnumMonitors$'; }
done
qv_expect_rc_in 2 101 100
qv_log "a DLL importing winspool.drv loaded first"
winspool_preferred qv_run_program --compat "$(qv_winpath "$planted/spooler_user.dll")" \
  "$QV_PKG_WIN\\drv\\qvinstall.exe" install
[ -e "$mark" ] || qv_fail "the planted winspool.drv never reached the process: the run proves nothing"
qv_expect_rc 100
qv_expect_no_out 'Procedure not found'
qv_expect_out '^ *AddMonitor - OK :\)$'
