# Sourced by the scripts: the project's own Wine machine under build/, never the default prefix.
# Creates it on first use with Wine's null graphics driver, so windows exist without a display.
QV_ROOT="${QV_ROOT:-$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)}"
export WINEPREFIX="${WINEPREFIX_QV:-$QV_ROOT/build/wineprefix}"
export WINEDEBUG=-all
export WINEDLLOVERRIDES="${WINEDLLOVERRIDES:-mscoree,mshtml=}"
export WINEARCH=win64

qv_wine_prefix() {
  if [ ! -f "$WINEPREFIX/.qv-ready" ]; then
    mkdir -p "$WINEPREFIX"
    wineboot -i >/dev/null 2>&1 || true
    wine reg add 'HKCU\Software\Wine\Drivers' /v Graphics /d null /f >/dev/null 2>&1
    wineserver -w
    touch "$WINEPREFIX/.qv-ready"
  fi
}

# Starts a persistent wineserver and Wine's background services with their output on /dev/null,
# so that no later pipe (CTest's, a caller's) is held open by a service that outlives its program.
qv_wine_start() {
  wineserver -p 2>/dev/null || true  # already running is fine
  wine cmd.exe /c exit </dev/null >/dev/null 2>&1 || true
}
