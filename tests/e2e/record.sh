#!/usr/bin/env bash
# The printer record over runs that fail: an update with the driver file missing from the package
# gives 100 and keeps the record; with the file back an install brings both product printers back
# with their settings and leaves no record. A record of another version gives 100 and leaves the
# record and every printer as they were.
set -u
source "$(dirname "$0")/../../scripts/e2e-lib.sh"
qv_e2e_init "$1"
qv_e2e_reset
driver="$WINEPREFIX/drive_c/qvpkg/drv/orbdrv64.dll"

qv_run_expect 1 install
qv_seed_printers

printer_lines() { grep -E '^(printers?|printer record|default printer):' "$QV_STATE"; }

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
qv_state
qv_expect_seeded_printers
qv_expect_state '^printer record: none$'

qv_log "a record of version 2, as a newer setup interrupted would leave it"
wine reg add 'HKLM\Software\Orbelin\Quintavera\Installer' /v Printers /t REG_BINARY \
  /d 51565052020001000000000000000000 /f >/dev/null 2>&1 || qv_fail "no record planted"
qv_state
printer_lines >"$QV_WORK/before.txt"
qv_run_expect 100 install
qv_expect_out 'Error\(22\): The printer record is of version 2: nothing was changed, run the newer Quintavera setup'
qv_state
printer_lines >"$QV_WORK/after.txt"
grep -q '^printer record: 16 bytes$' "$QV_WORK/after.txt" || qv_fail "the record changed"
diff "$QV_WORK/before.txt" "$QV_WORK/after.txt" && echo "ok: printers and record as they were" ||
  qv_fail "the printers or the record changed"

qv_e2e_finish
