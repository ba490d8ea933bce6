#!/usr/bin/env bash
# "uninstall" after an install: every product object is gone (or queued for the reboot: 101).
# Usage: uninstall.sh <build-dir>
set -u
source "$(dirname "$0")/../../scripts/e2e-lib.sh"
qv_e2e_init "$1"
qv_e2e_reset

qv_run install
qv_expect_rc 1
qv_run uninstall
qv_expect_rc_in 2 101
qv_expect_no_out '^--- log window'
qv_state
qv_expect_removed
qv_expect_state '^printers: 0$'
if [ "$QV_RC" = 2 ]; then
  qv_expect_state '^pending renames: 0$'
  qv_expect_state '^file: .*\\system32\\orbmon64\.dll \| exists=no'
  qv_expect_state '^file: .*\\x64\\3\\orbdrv64\.dll \| exists=no'
else
  qv_expect_state '^pending rename: .*orb'
fi
# The tray program named by the log-on entry is deleted with it.
qv_expect_state '^file: C:\\qvpkg\\qvatray\.exe \| exists=no'

qv_run uninstall
qv_expect_rc 2

qv_e2e_finish
