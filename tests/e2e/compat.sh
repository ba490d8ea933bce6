#!/usr/bin/env bash
# The test-only compatibility layer: with it, Wine's AddPrinterW and DeletePrinterDriverExW
# behave as Windows documents for a program that binds them like the installer does.
# Usage: compat.sh <build-dir>
set -u
source "$(dirname "$0")/../../scripts/e2e-lib.sh"
qv_e2e_init "$1"
qv_e2e_reset
probe="$(qv_winpath "$QV_TOOLS/qvcompat_probe.exe")"

qv_log "without the layer (Wine as it is; shown, not asserted)"
QV_COMPAT=0 qv_run_program "$probe"

qv_log "with the layer"
qv_run_program "$probe"
qv_expect_rc 0
qv_expect_out '^probe: compat layer active$'
qv_expect_out '^probe: AddPrinterW without data type: handle=yes'
qv_expect_out '^probe: DeletePrinterDriverExW all files: result=1 error=0 file-left=no$'
qv_expect_out '^probe: driver gone: yes$'

qv_e2e_finish
