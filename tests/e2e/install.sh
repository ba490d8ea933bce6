#!/usr/bin/env bash
# A first install on a clean machine: everything in place, the tray program running, no window.
# Usage: install.sh <build-dir>
set -u
source "$(dirname "$0")/../../scripts/e2e-lib.sh"
qv_e2e_init "$1"
qv_e2e_reset

qv_run install
qv_expect_rc 1
qv_expect_no_out '^--- log window'
qv_wait_state '^tray window: yes$' || true
qv_expect_installed
qv_expect_state '^printers: 1$'
qv_expect_state '^printer: Quintavera \| port=Quintavera: \| driver=Quintavera printer \|'
qv_expect_state '^run value QuintaveraTray: C:\\qvpkg\\qvatray\.exe$'
qv_expect_state '^tray mutex: yes$'
qv_expect_state '^tray window: yes$'
qv_expect_state '^tray running: yes$'
qv_expect_state '^pending renames: 0$'
# The staged copies in the driver directory are gone again.
qv_expect_state '^file: .*\\x64\\orbdrv64\.dll \| exists=no'
qv_expect_state '^file: .*\\x64\\orbui64\.dll \| exists=no'

qv_e2e_finish
