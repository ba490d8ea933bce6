#!/usr/bin/env bash
# Open help windows of the product ("HH Parent", "Quintavera Help") are closed before an install:
# one window, then two at once; each viewer process ends and the install still completes.
# Usage: help_window.sh <build-dir>
set -u
source "$(dirname "$0")/../../scripts/e2e-lib.sh"
qv_e2e_init "$1"
QV_RUN_TIMEOUT_MS=60000  # a help window that never closes would keep the installer looping
helpwin="$QV_TOOLS/qvhelpwin.exe"
viewers=()

help_windows_are() { [ "$(wine "$helpwin" count 2>/dev/null | tr -d '\r')" = "help windows: $1" ]; }

# Starts N help windows and waits until all of them are on the screen.
open_help_windows() {
  local count="$1" i
  for ((i = 0; i < count; i++)); do
    wine "$helpwin" show 90 >/dev/null 2>&1 &
    viewers+=($!)
  done
  qv_poll 40 help_windows_are "$count" || qv_fail "the $count help window(s) did not appear"
}

# Every viewer process has ended (bounded: they end on their own after 90 s at the latest).
expect_viewers_ended() {
  local pid code
  for pid in "${viewers[@]}"; do
    qv_wait_pid "$pid" "help viewer" || continue
    code=0; wait "$pid" || code=$?
    [ "$code" = 0 ] && echo "ok: help viewer $pid closed" ||
      qv_fail "help viewer $pid ended with $code (3: its own time-out, not closed)"
  done
  viewers=()
  help_windows_are 0 && echo "ok: no help window left" || qv_fail "a help window is still open"
}

for windows in 1 2; do
  qv_e2e_reset
  qv_log "$windows help window(s) open before the install"
  open_help_windows "$windows"
  qv_run_quiet 1 in_notray
  expect_viewers_ended
  qv_state
  qv_expect_installed
done

qv_e2e_finish
