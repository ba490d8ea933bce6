#!/usr/bin/env bash
# A reinstall carries two product printers over: names, comment, location, "SubKey" (plain and
# under "DsUser"), the default mark; their per-user "deleted" marks are cleared and no printer
# "Quintavera" is added.
# Usage: reinstall.sh <build-dir>
set -u
source "$(dirname "$0")/../../scripts/e2e-lib.sh"
qv_e2e_init "$1"
qv_e2e_reset
seed="$QV_TOOLS/qvseed.exe"
user_key='HKCU\Software\Orbelin\Quintavera\Quintaveras'

qv_run_expect 1 install
qv_log "two product printers of the user's, one of them the default"
wine "$seed" printer "Quintavera Office" "Second floor" "Room 2.14" office plain default ||
  qv_fail "cannot seed Quintavera Office"
wine "$seed" printer "Quintavera Invoices" "Accounts" "Room 1.02" invoices dsuser ||
  qv_fail "cannot seed Quintavera Invoices"
qv_state
qv_expect_state '^printer: Quintavera Office \|.*\| default=yes$'
wine reg query "$user_key\\office" /v deleted >/dev/null 2>&1 || qv_fail "no \"deleted\" mark seeded"

qv_run_quiet 1 install
qv_state
qv_expect_installed
qv_expect_state '^printer: Quintavera Office \| port=Quintavera: \| driver=Quintavera printer \| comment=Second floor \| location=Room 2\.14 \| subkey=office \| dsuser-subkey=office \| default=yes$'
qv_expect_state '^printer: Quintavera Invoices \| port=Quintavera: \| driver=Quintavera printer \| comment=Accounts \| location=Room 1\.02 \| subkey=invoices \| dsuser-subkey=invoices \| default=no$'
qv_expect_state '^default printer: Quintavera Office$'
# "Quintavera" carried no "SubKey": it is not re-created, and no new one is added.
qv_expect_state '^printers: 2$'
for sub in office invoices; do
  if wine reg query "$user_key\\$sub" /v deleted >/dev/null 2>&1; then
    qv_fail "the \"deleted\" mark of $sub is still there"
  else
    echo "ok: \"deleted\" mark of $sub cleared"
  fi
done

qv_e2e_finish
