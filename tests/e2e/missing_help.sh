#!/usr/bin/env bash
# A package without "orbhelp.chm": the copy error is logged and shown in the log window (exit
# code 100), and the driver is still added, without a help file, with its printer; "in_notray"
# leaves the tray program out.
# Usage: missing_help.sh <build-dir>
set -u
source "$(dirname "$0")/../../scripts/e2e-lib.sh"
qv_e2e_init "$1"
qv_e2e_reset
rm "$WINEPREFIX/drive_c/qvpkg/drv/orbhelp.chm"

qv_run_expect 100 in_notray
qv_expect_error_window
qv_expect_out 'Error\([0-9]+\): .*orbhelp\.chm'
qv_state
qv_expect_installed Quintavera
qv_expect_state '^driver: Quintavera printer \|.*\| help-file=\(none\)$'
qv_expect_no_tray

qv_e2e_finish
