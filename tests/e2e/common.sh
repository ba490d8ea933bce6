# What every scenario begins with (sourced first; $1 is the build directory): the library, a fresh
# Wine machine of its own, the verdict at its end; and the steps that several scenarios take.
set -u
source "$(dirname "${BASH_SOURCE[0]}")/../../scripts/e2e-lib.sh"
qv_e2e_init "$1"
trap qv_e2e_finish EXIT
qv_e2e_reset
pf='C:\Program Files\Quintavera'
unix_pf="$WINEPREFIX/drive_c/Program Files/Quintavera"
QV_WPP_POLICY='HKLM\Software\Policies\Microsoft\Windows NT\Printers\WPP'  # protected print mode

# The state report with the product files in Program Files, the given registry keys, the product's.
qv_pf_state() {
  wine "$QV_TOOLS/qvstate.exe" "$pf\\qvatray.exe" "$pf\\drv\\qvinstall.exe" "$pf\\uninstall.exe" \
    >"$QV_STATE" 2>&1 || true
  local key
  for key in "$@"; do wine reg query "$key"; done 2>&1 | tr -d '\r' | grep -v '^$' >>"$QV_STATE"
  wine reg query 'HKLM\Software\Orbelin' /s 2>&1 | tr -d '\r' | grep -v '^$' >>"$QV_STATE"
}

# "ok: <what>" when the command succeeds, else a failure.
qv_check() { if "${@:2}"; then echo "ok: $1"; else qv_fail "not so: $1"; fi; }

# Every program and library laid out in the folder (<unix folder>) carries the build's signature.
qv_expect_signed() {
  local file
  for file in "$1"/*.exe "$1"/drv/*.exe "$1"/drv/*.dll; do
    qv_check "signed: ${file#"$1"/}" bash "$(dirname "${BASH_SOURCE[0]}")/../../scripts/authenticode.sh" \
      verify "$QV_BUILD/signing" "$file"
  done
}

# Wine restarts: what waits for the restart is done; the spooler started again.
qv_restart() { qv_log "Wine restarts"; wineboot -r >/dev/null 2>&1 || true; qv_spooler_start; }

# The state report as saved before (<file>), or its differences shown.
qv_expect_unchanged() { qv_check "$2 (< before, > now)" diff "$1" "$QV_STATE"; }

# The monitor DLL's deletion queued in a value of the reboot queue as Windows writes it: source,
# empty target, final NUL (REG_MULTI_SZ: in a REGEDIT4 file given in ANSI, stored as UTF-16).
qv_queue_monitor_deletion() {
  local data
  data=$(printf '%s\0\0\0' '\??\C:\windows\system32\orbmon64.dll' | od -An -tx1 -v | tr -s ' \n' ',')
  printf '%s\r\n' 'REGEDIT4' '' '[HKEY_LOCAL_MACHINE\SYSTEM\CurrentControlSet\Control\Session Manager]' \
    "\"$1\"=hex(7):$(echo "$data" | sed 's/^,//; s/,$//')" >"$QV_WORK/queue.reg"
  wine reg import "$(qv_winpath "$QV_WORK/queue.reg")" >/dev/null 2>&1 || qv_fail "no deletion queued"
}
