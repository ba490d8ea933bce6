#!/usr/bin/env bash
# Two product printers carried over. A reinstall keeps them (names, comment, location, "SubKey"
# plain and under "DsUser", the default mark), clears their "deleted" marks, adds no "Quintavera";
# killed at five points (shifted at random), each kill then an install: both back, no record. An
# update with the driver file missing from the package gives 100 and keeps the record; with the
# file back an install brings both back, no record; so do two installs started at the same moment
# (taking turns, both end with 1). A record of a later version: 100, the machine as it was.
source "$(dirname "$0")/common.sh"
user_key='HKCU\Software\Orbelin\Quintavera\Quintaveras'

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
step=$(((span + 4) / 5))  # about five kills over the run, at least 3 ms apart
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

qv_log "an update with drv\\orbdrv64.dll missing"
rm "$WINEPREFIX/drive_c/qvpkg/drv/orbdrv64.dll"
qv_run_expect 100 install
qv_expect_out "Error\\(15\\): Can\`t add printer 'Quintavera Office'"
qv_state
qv_expect_state '^printer record: [0-9]+ bytes$'

qv_log "the package mended"
cp "$QV_PACKAGE/drv/orbdrv64.dll" "$WINEPREFIX/drive_c/qvpkg/drv/"
qv_run_quiet 1 install
expect_printers_back

qv_log "two installs started at the same moment take turns"
for run in 1 2; do (QV_OUT="$QV_WORK/together$run.txt" qv_run install "/log=C:\\together$run.log") & done
wait
for run in 1 2; do qv_expect_in "$QV_WORK/together$run.txt" '^qvrun: exit code 1$'; done
grep -ah 'Waited [0-9]* ms for another' "$WINEPREFIX"/drive_c/together*.log || qv_log "(no overlap this time)"
qv_wait_state '^printers: 2$' || qv_fail "no report of two printers after the two installs"
expect_printers_back

qv_log "a record of version 3, as a newer setup interrupted would leave it"
wine reg add 'HKLM\Software\Orbelin\Quintavera\Installer' /v Printers /t REG_BINARY \
  /d 51565052030001000000000000000000 /f >/dev/null 2>&1 || qv_fail "no record planted"
qv_state
cp "$QV_STATE" "$QV_WORK/before.txt"
qv_run_expect 100 install
qv_expect_out 'Error\(22\): The printer record is of version 3: nothing was changed, run the newer Quintavera setup'
qv_state
qv_expect_unchanged "$QV_WORK/before.txt" "the machine, its printers and the record as they were"
