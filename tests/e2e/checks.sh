#!/usr/bin/env bash
# The setup package's command words: those that only dispatch (their exit codes on a clean
# machine), then its questions and requests before and after an install: "onInit", "onChkDrv",
# "def.set", "removetray".
# Usage: checks.sh <build-dir>
set -u
source "$(dirname "$0")/../../scripts/e2e-lib.sh"
qv_e2e_init "$1"
qv_e2e_reset

qv_log "clean machine: no default printer, no driver, no tray"
qv_run_expect 6
qv_run_expect 4 def.set
qv_run_expect 102 onInit
qv_run_expect 3 onChkDrv
qv_run_quiet 6 removetray

qv_run_expect 1 install
qv_run_expect 103 onChkDrv
qv_run_expect 4 def.set
qv_state
qv_expect_state '^default printer: Quintavera$'
qv_run_expect 3 onInit

qv_wait_state '^tray window: yes$' || true
qv_run_quiet 6 removetray
qv_state
qv_expect_no_tray
qv_expect_state '^file: C:\\qvpkg\\qvatray\.exe \| exists=no'

qv_e2e_finish
