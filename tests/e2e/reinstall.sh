#!/usr/bin/env bash
# Two product printers carried over. A reinstall keeps them (names, comment, location, "SubKey"
# plain and under "DsUser", the default mark), clears their "deleted" marks and adds no
# "Quintavera"; killed early, midway and late (points shifted at random), each kill then an install:
# both back, no record. An update with the driver file missing from the package gives 100 and keeps
# the record; with the file back an install brings both back and leaves no record. A record of
# another version gives 100 and leaves the record and every printer as they were.
source "$(dirname "$0")/common.sh"
user_key='HKCU\Software\Orbelin\Quintavera\Quintaveras'
kills=5  # about this many kills over the run, at least 3 ms apart
driver="$WINEPREFIX/drive_c/qvpkg/drv/orbdrv64.dll"

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

qv_log "an update with drv\\orbdrv64.dll missing"
rm -f "$driver"
qv_run_expect 100 install
qv_expect_out 'Error\(10\)'
qv_expect_out "Error\\(15\\): Can\`t add printer 'Quintavera Office'"
qv_state
qv_expect_state '^printer record: [0-9]+ bytes$'

qv_log "the package mended"
cp "$QV_PACKAGE/drv/orbdrv64.dll" "$driver"
qv_run_quiet 1 install
expect_printers_back

qv_log "a record of version 2, as a newer setup interrupted would leave it"
wine reg add 'HKLM\Software\Orbelin\Quintavera\Installer' /v Printers /t REG_BINARY \
  /d 51565052020001000000000000000000 /f >/dev/null 2>&1 || qv_fail "no record planted"
qv_state
grep -E '^(printers?|printer record|default printer):' "$QV_STATE" >"$QV_WORK/before.txt"
qv_run_expect 100 install
qv_expect_out 'Error\(22\): The printer record is of version 2: nothing was changed, run the newer Quintavera setup'
qv_state
qv_expect_state '^printer record: 16 bytes$'
grep -E '^(printers?|printer record|default printer):' "$QV_STATE" | diff "$QV_WORK/before.txt" - &&
  echo "ok: printers and record as they were" || qv_fail "the printers or the record changed"
