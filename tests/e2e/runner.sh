#!/usr/bin/env bash
# The runner itself: a log window is printed whole and closed, a program that never ends is
# killed at the bound, and Shift held for the installer (--shift) shows a clean run's log window.
# The installer's own error window is captured in missing_help.sh.
# Usage: runner.sh <build-dir>
set -u
source "$(dirname "$0")/../../scripts/e2e-lib.sh"
qv_e2e_init "$1"
qv_e2e_reset
fixture="$(qv_winpath "$QV_TOOLS/qvrun_fixture.exe")"

qv_log "a long log window with text beyond the ASCII range"
QV_COMPAT=0 qv_run_program "$fixture" dialog >/dev/null
qv_expect_rc 100   # the fixture's code for a close through IDOK
qv_expect_error_window
qv_expect_out '^Quintavera 2629$'
qv_expect_out '^      Copy line 1999 Grüße ✓$'
qv_expect_out '^last line$'
[ "$(grep -c '^      Copy line' "$QV_OUT")" = 2000 ] && echo "ok: 2000 log lines" ||
  qv_fail "log lines cut: $(grep -c '^      Copy line' "$QV_OUT")"

qv_log "a program that never ends"
start=$(date +%s)
QV_COMPAT=0 QV_RUN_TIMEOUT_MS=2000 qv_run_program "$fixture" hang
qv_expect_rc 255
qv_expect_out '^qvrun: killed after 2000 ms$'
[ $(($(date +%s) - start)) -lt 30 ] && echo "ok: ended at the bound" || qv_fail "took too long"

qv_log "Shift held by the runner: a run without errors shows its log window"
qv_run_program --shift "$QV_PKG_WIN\\drv\\qvinstall.exe" in_notray
qv_expect_rc 1
qv_expect_out '^--- log window: Quintavera build 2629- Install log\.$'
qv_expect_out '^##0010$'
qv_expect_no_out '^qvrun: shift not held'

qv_e2e_finish
