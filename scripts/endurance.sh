#!/usr/bin/env bash
# Endurance run (not a test, not run by CI): N cycles of install and uninstall leave the machine
# as it was, and the installer needs no more memory and no more handles in the last cycle than in
# the first. One cycle's "as it was" is checked by every test run (tests/e2e/install.sh).
#   QV_ENDURANCE_CYCLES=50 scripts/endurance.sh <build-dir>    (default 20 cycles)
# Compared: the state report after the last uninstall with the clean machine's, except the tray
# program, which uninstall deletes (it is laid down again before each install, as the setup
# package does). Measured: wall time, peak working set and highest handle count of every run,
# reported by qvrun (under Wine 8 it counts the handles in the system's handle table).
# Usage: scripts/endurance.sh [build-dir]    (default build/mingw)
set -u
source "$(dirname "$0")/e2e-lib.sh"
qv_e2e_init "${1:-$QV_ROOT/build/mingw}"
qv_e2e_reset
cycles="${QV_ENDURANCE_CYCLES:-20}"
tolerance_kib="${QV_ENDURANCE_TOLERANCE_KIB:-2048}"
tolerance_handles="${QV_ENDURANCE_TOLERANCE_HANDLES:-8}"
tray_line='^file: C:\\qvpkg\\qvatray\.exe '
clean="$QV_WORK/clean.txt"
metrics="$QV_WORK/metrics.txt"

qv_state
grep -Ev -- "$tray_line" "$QV_STATE" >"$clean"

# Appends "<cycle> <word> <wall ms> <peak working set KiB> <handles>" of the last run.
qv_record_run() {
  local wall peak handles
  wall=$(sed -n 's/^qvrun: wall time \([0-9]*\) ms$/\1/p' "$QV_OUT")
  peak=$(sed -n 's/^qvrun: peak working set \([0-9]*\) bytes$/\1/p' "$QV_OUT")
  handles=$(sed -n 's/^qvrun: handle count \([0-9]*\)$/\1/p' "$QV_OUT")
  echo "$1 $2 ${wall:-0} $((${peak:-0} / 1024)) ${handles:-0}" >>"$metrics"
}

start=$(date +%s)
for cycle in $(seq 1 "$cycles"); do
  cp "$QV_PACKAGE/qvatray.exe" "$WINEPREFIX/drive_c/qvpkg/qvatray.exe"
  qv_run install >/dev/null
  [ "$QV_RC" = 1 ] || { qv_fail "cycle $cycle: install ended with $QV_RC"; sed 's/^/    | /' "$QV_OUT"; }
  qv_record_run "$cycle" install
  qv_run uninstall >/dev/null
  [ "$QV_RC" = 2 ] || { qv_fail "cycle $cycle: uninstall ended with $QV_RC"; sed 's/^/    | /' "$QV_OUT"; }
  qv_record_run "$cycle" uninstall
  qv_log "cycle $cycle: $(grep "^$cycle " "$metrics" | awk '{printf "%s %s ms %s KiB %s handles; ", $2, $3, $4, $5}')"
done
elapsed=$(($(date +%s) - start))
qv_log "$cycles cycles in ${elapsed} s, $((elapsed * 1000 / cycles)) ms per cycle"

qv_state
if diff <(grep -Ev -- "$tray_line" "$QV_STATE") "$clean" >"$QV_WORK/state.diff"; then
  echo "ok: the machine is as it was"
else
  qv_fail "the machine differs from the clean one (< after the last cycle, > clean):"
  sed 's/^/    /' "$QV_WORK/state.diff"
fi

# A measure of the first and the last cycle, per command word, within its tolerance.
qv_expect_steady() {
  local word="$1" column="$2" unit="$3" tolerance="$4" first last
  first=$(awk -v w="$word" -v k="$column" '$1 == 1 && $2 == w {print $k}' "$metrics")
  last=$(awk -v c="$cycles" -v w="$word" -v k="$column" '$1 == c && $2 == w {print $k}' "$metrics")
  if [ "${first:-0}" -eq 0 ] || [ "${last:-0}" -eq 0 ]; then
    qv_log "$word: $unit not measured (first ${first:-0}, last ${last:-0})"
  elif [ "$last" -le $((first + tolerance)) ]; then
    echo "ok: $word $unit first $first, last $last"
  else
    qv_fail "$word $unit grew from $first to $last"
  fi
}
for word in install uninstall; do
  qv_expect_steady "$word" 4 "peak working set (KiB)" "$tolerance_kib"
  qv_expect_steady "$word" 5 "handles" "$tolerance_handles"
done

qv_e2e_finish
