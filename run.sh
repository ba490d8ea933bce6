#!/usr/bin/env bash
# Sets up a fresh Debian machine, builds, and runs the installer once in the project's Wine
# machine (build/wineprefix): prints the exit code with its meaning, then what the installer left
# on the machine. Usage: ./run.sh [word [hwnd]]   (word defaults to "install")
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

# The setup package as the machine sees it, in C:\qvpkg (an uninstall deletes the tray program
# the log-on entry names, so the build's own copy is never the one installed).
rm -rf "$WINEPREFIX/drive_c/qvpkg"
cp -r "$build/package" "$WINEPREFIX/drive_c/qvpkg"

tools="$build/tools"
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
