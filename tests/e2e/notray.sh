#!/usr/bin/env bash
# "in_notray": the same install without the tray program and its log-on entry.
# Usage: notray.sh <build-dir>
set -u
source "$(dirname "$0")/../../scripts/e2e-lib.sh"
qv_e2e_init "$1"
qv_e2e_reset

qv_run in_notray
qv_expect_rc 1
qv_expect_no_out '^--- log window'
qv_state
qv_expect_installed
qv_expect_state '^printer: Quintavera \| port=Quintavera: \| driver=Quintavera printer \|'
qv_expect_state '^run value QuintaveraTray: \(none\)$'
qv_expect_state '^tray running: no$'

qv_e2e_finish
