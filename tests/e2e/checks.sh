#!/usr/bin/env bash
# The setup package's questions and requests before and after an install: "onInit",
# "onChkDrv", "def.set", "removetray".
# Usage: checks.sh <build-dir>
set -u
source "$(dirname "$0")/../../scripts/e2e-lib.sh"
qv_e2e_init "$1"
qv_e2e_reset

qv_log "clean machine: no default printer, no driver"
qv_run onInit;   qv_expect_rc 102
qv_run onChkDrv; qv_expect_rc 3
qv_run def.set;  qv_expect_rc 4

qv_run install;  qv_expect_rc 1
qv_run onChkDrv; qv_expect_rc 103
qv_run def.set;  qv_expect_rc 4
qv_state
qv_expect_state '^default printer: Quintavera$'
qv_run onInit;   qv_expect_rc 3

qv_wait_state '^tray window: yes$' || true
qv_run removetray
qv_expect_rc 6
qv_state
qv_expect_state '^tray running: no$'
qv_expect_state '^run value QuintaveraTray: \(none\)$'
qv_expect_state '^file: C:\\qvpkg\\qvatray\.exe \| exists=no'
qv_expect_no_out '^--- log window'

qv_e2e_finish
