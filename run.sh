#!/usr/bin/env bash
# Sets up a fresh Debian machine, builds, and runs the installer once in the project's Wine
# machine (build/wineprefix): prints the exit code with its meaning, then what the installer left
# on the machine. Usage: ./run.sh [word [hwnd]]   (word defaults to "install")
#        ./run.sh setup [switches]   runs QuintaveraSetup.exe silently (/S and the switches given)
# QV_BUILD_DIR (default build/mingw) and WINEPREFIX_QV choose another build and Wine machine.
set -euo pipefail
cd "$(dirname "$0")"
build="${QV_BUILD_DIR:-build/mingw}"

bash scripts/setup.sh
cmake --preset mingw -B "$build" >/dev/null
cmake --build "$build" -j2

source scripts/wine-env.sh
qv_wine_prefix
qv_wine_start
trap 'wineserver -k 2>/dev/null || true' EXIT
wine net start spooler >/dev/null 2>&1 || true

meaning() {
  case "$1" in
    1) echo "install finished without errors" ;;
    2) echo "uninstall finished without errors" ;;
    3) echo "onInit/onChkDrv: no" ;;
    4) echo "def.set ran" ;;
    6) echo "no command, an unknown word, or removetray" ;;
    100) echo "errors were logged (see the log window above)" ;;
    101) echo "no errors; files are left for deletion at the next reboot" ;;
    102) echo "onInit: the default printer is not a product printer" ;;
    103) echo "onChkDrv: the installed driver is build 2605 or later" ;;
    200) echo "onInit: product files wait for deletion at the next reboot" ;;
    253 | 254) echo "the runner could not start the installer" ;;
    255) echo "the installer did not end in time and was killed" ;;
    *) echo "unexpected" ;;
  esac
}

setup_meaning() {
  case "$1" in
    0) echo "Quintavera is installed" ;;
    3010) echo "installed; Windows must restart to finish" ;;
    1603) echo "failed (see the log window above), or Windows must restart first" ;;
    1618) echo "another setup or uninstall was running" ;;
    *) echo "unexpected" ;;
  esac
}

tools="$build/tools"
if [ "${1:-}" = setup ]; then
  # The setup program lays the product out in %ProgramFiles%\Quintavera and runs the installer
  # there; the compatibility layer follows it into the installer.
  out="$(mktemp)"
  wine "$tools/qvrun.exe" --compat "$tools/qvcompat.dll" "$build/setup/QuintaveraSetup.exe" /S \
    "${@:2}" >"$out" 2>&1 || true
  tr -d '\r' <"$out"
  rc=$(sed -n 's/^qvrun: exit code //p' "$out" | tr -d '\r')
  rm -f "$out"
  echo
  echo "exit code ${rc:-none}: $(setup_meaning "${rc:-none}")"
  echo
  echo "--- state of the Wine machine"
  dir='C:\Program Files\Quintavera'
  wine "$tools/qvstate.exe" "$dir\qvatray.exe" "$dir\drv\qvinstall.exe" "$dir\uninstall.exe" |
    tr -d '\r'
  wine reg query 'HKLM\Software\Microsoft\Windows\CurrentVersion\Uninstall\Quintavera' 2>&1 |
    tr -d '\r'
  exit 0
fi

# The setup package as the machine sees it, in C:\qvpkg (an uninstall deletes the tray program
# the log-on entry names, so the build's own copy is never the one installed).
rm -rf "$WINEPREFIX/drive_c/qvpkg"
cp -r "$build/package" "$WINEPREFIX/drive_c/qvpkg"

word="${1:-install}"
# Through a file, not a pipe: the tray program the installer starts inherits Wine's output and
# would hold a pipe open for as long as it runs.
out="$(mktemp)"
rc=0
wine "$tools/qvrun.exe" --compat "$tools/qvcompat.dll" 'C:\qvpkg\drv\qvinstall.exe' \
  "$word" "${@:2}" >"$out" 2>&1 || rc=$?
tr -d '\r' <"$out"
rm -f "$out"
echo
echo "exit code $rc: $(meaning "$rc")"
echo
echo "--- state of the Wine machine"
wine "$tools/qvstate.exe" 'C:\qvpkg\qvatray.exe' | tr -d '\r'
