#!/usr/bin/env bash
# A reinstall carries two product printers over (names, comment, location, "SubKey" plain and under
# "DsUser", the default mark), clears their "deleted" marks and adds no "Quintavera"; killed early,
# midway and late (points shifted at random), each kill then an install: both back, no record.
set -u
source "$(dirname "$0")/../../scripts/e2e-lib.sh"
qv_e2e_init "$1"
qv_e2e_reset
user_key='HKCU\Software\Orbelin\Quintavera\Quintaveras'
kills=5  # about this many kills over the run, at least 3 ms apart

qv_run_expect 1 install
qv_seed_printers

expect_printers_back() {
  qv_state
  qv_expect_seeded_printers
  qv_expect_state '^printer record: none$'
}

qv_run_quiet 1 install
expect_printers_back
qv_expect_installed
for sub in office invoices; do  # qvseed marked both
  ! wine reg query "$user_key\\$sub" /v deleted >/dev/null 2>&1 || qv_fail "\"deleted\" of $sub left"
done

span=$(sed -n 's/^qvrun: run time \([0-9]*\) ms$/\1/p' "$QV_OUT")
step=$(((span + kills - 1) / kills))
[ "$step" -ge 3 ] || step=3
for ((at = 1 + RANDOM % step; at <= span + step; at += step)); do
  qv_log "reinstall killed after $at ms of its $span, then an install"
  QV_RUN_TIMEOUT_MS=$at qv_run install >/dev/null
  qv_expect_rc_in 255 1
  qv_run install >/dev/null
  qv_expect_rc 1
  expect_printers_back
  [ "$QV_FAILURES" -eq 0 ] || break
done

qv_e2e_finish
