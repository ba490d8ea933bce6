#!/usr/bin/env bash
# Runs nobody watches. A quiet install ("/log=") with the spooler disabled ends with 100 within the
# spooler's bound, opens no window and leaves "Error(4)" in its log file; one that succeeds logs
# from the build line to "##0020". Two installs started at the same moment take turns: both end
# with 1 and both printers keep their settings.
source "$(dirname "$0")/common.sh"
log_dir="$WINEPREFIX/drive_c/qvlogs"
mkdir -p "$log_dir"
qv_spooler_start_type 4
qv_run_quiet 100 install '/log=C:\qvlogs\disabled.log'
qv_expect_in "$log_dir/disabled.log" '^ *Error\(4\): Can.t start the spooler'
run_ms=$(sed -n 's/^qvrun: run time \([0-9]*\) ms$/\1/p' "$QV_OUT")
[ "${run_ms:-99999}" -lt 20000 ] || qv_fail "the quiet run took ${run_ms:-?} ms"
qv_spooler_start_type 3
qv_spooler_start

qv_run_quiet 1 install '/log=C:\qvlogs\install.log'
log="$log_dir/install.log"
[ "$(head -n 1 "$log")" = $'Quintavera 2629\r' ] || qv_fail "install.log does not begin with the build"
[ "$(tail -n 1 "$log")" = $'##0020\r' ] || qv_fail "install.log does not end with ##0020"
[ "$(tail -c 2 "$log" | od -An -tx1 | tr -d ' \n')" = 0d0a ] || qv_fail "install.log lacks its last CR LF"
qv_expect_in "$log" $'^    #Add Printer Driver x64\r$'

qv_seed_printers
compat=$(qv_winpath "$QV_TOOLS/qvcompat.dll")
pids=()
for run in 1 2; do
  wine "$QV_TOOLS/qvrun.exe" --compat "$compat" "$QV_PKG_WIN\\drv\\qvinstall.exe" install \
    "/log=C:\\qvlogs\\together$run.log" >"$QV_WORK/together$run.txt" 2>&1 &
  pids+=($!)
done
for run in 1 2; do
  wait "${pids[$((run - 1))]}"
  rc=$?
  [ "$rc" -eq 1 ] && echo "ok: install $run of two together ended with 1" ||
    qv_fail "install $run of two together ended with $rc"
done
cat "$log_dir"/together*.log | grep -a 'Waited [0-9]* ms for another Quintavera installer' ||
  qv_log "(the two runs did not overlap this time)"
qv_wait_state '^printers: 2$' || qv_fail "no report of two printers after the two installs"
qv_expect_seeded_printers
