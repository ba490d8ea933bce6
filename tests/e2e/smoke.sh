#!/usr/bin/env bash
# Command words that only dispatch: their exit codes on a clean machine.
# Usage: smoke.sh <build-dir>
set -u
source "$(dirname "$0")/../../scripts/e2e-lib.sh"
qv_e2e_init "$1"
qv_e2e_reset
echo "machine reset in ${QV_RESET_MS} ms"

qv_run;                 qv_expect_rc 6
qv_run DEF.SET;         qv_expect_rc 6
qv_run def.set;         qv_expect_rc 4
qv_run def.set2;        qv_expect_rc 6
qv_run no-such-word;    qv_expect_rc 6
qv_run removetray;      qv_expect_rc 6
qv_expect_no_out '^--- log window'

qv_e2e_finish
