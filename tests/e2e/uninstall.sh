#!/usr/bin/env bash
# "uninstall" after an install: every product object is gone at once, exit code 2. In Wine the
# spooler's monitors live in the calling process (winspool.drv loads localspl.dll in-process), so
# DeleteMonitorW unloads the installer's own copy of the monitor DLL and nothing holds it: the
# DeleteFileW succeeds. On Windows the spooler service may keep it loaded (101, queued for the
# restart); that road is locked_monitor.sh.
# Usage: uninstall.sh <build-dir>
set -u
source "$(dirname "$0")/../../scripts/e2e-lib.sh"
qv_e2e_init "$1"
qv_e2e_reset

qv_run install
qv_expect_rc 1
qv_run uninstall
qv_expect_rc 2
qv_expect_no_out '^--- log window'
qv_state
qv_expect_removed
qv_expect_state '^printers: 0$'
qv_expect_state '^pending renames: 0$'
qv_expect_state '^file: .*\\system32\\orbmon64\.dll \| exists=no'
qv_expect_state '^file: .*\\x64\\3\\orbdrv64\.dll \| exists=no'
# The tray program named by the log-on entry is deleted with it.
qv_expect_state '^file: C:\\qvpkg\\qvatray\.exe \| exists=no'

qv_run uninstall
qv_expect_rc 2

qv_e2e_finish
