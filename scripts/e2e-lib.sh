# End-to-end scenarios, each in a Wine machine of its own (so that they can run side by side):
# sourced by tests/e2e/*.sh and scripts/bench.sh. Never touches build/wineprefix.
#
#   source scripts/e2e-lib.sh
#   qv_e2e_init <build-dir>       tools in <build-dir>/tools, the package in <build-dir>/package,
#                                 the machine in <build-dir>/wine-e2e-<script name>
#   qv_e2e_reset                  fresh machine (copy of a pristine booted prefix), package in
#                                 C:\qvpkg, warm wineserver, spooler started
#   qv_run [word [hwnd]]          the installer through qvrun (--compat unless QV_COMPAT=0);
#                                 output in $QV_OUT, exit code in $QV_RC
#   qv_state                      qvstate report in $QV_STATE
#   qv_expect_rc / qv_expect_state / qv_expect_no_state / qv_expect_out / qv_expect_no_out
#   qv_run_expect <rc> [word]     qv_run, then qv_expect_rc
#   qv_run_quiet <rc> [word]      the same, and no log window shown
#   qv_setup_run <rc> [args...]   the setup program (build/setup), then qv_expect_out of its code
#   qv_quiet_uninstall_run <rc>   the entry's QuietUninstallString as it stands, the same
#   qv_e2e_finish                 stops the wineserver; exit status 1 if any expectation failed

QV_ROOT="${QV_ROOT:-$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)}"
QV_FAILURES=0
QV_RUN_TIMEOUT_MS="${QV_RUN_TIMEOUT_MS:-300000}"
QV_PKG_WIN='C:\qvpkg'

qv_log() { echo "[e2e] $*"; }

# Wine's console programs by their full path (by name, each call is a second process: start.exe).
wine() {
  [[ $1 =~ ^(reg|net|cmd)$ ]] && set -- "C:\\windows\\system32\\$1.exe" "${@:2}"
  command wine "$@"
}

# A unix path as Wine sees it through drive Z:, without starting Wine.
qv_winpath() {
  local path
  path="$(cd "$(dirname "$1")" && pwd)/$(basename "$1")"
  echo "Z:${path//\//\\}"
}

qv_e2e_init() {
  QV_BUILD="$(cd "$1" && pwd)"
  QV_TOOLS="$QV_BUILD/tools"
  QV_PACKAGE="$QV_BUILD/package"
  QV_PRISTINE="$QV_BUILD/wine-e2e-pristine"
  QV_WORK="$(mktemp -d "${TMPDIR:-/tmp}/qv-e2e.XXXXXX")"
  QV_OUT="$QV_WORK/run.txt"
  QV_STATE="$QV_WORK/state.txt"
  export WINEPREFIX_QV="$QV_BUILD/wine-e2e-$(basename "$0" .sh)"
  # shellcheck source=wine-env.sh
  source "$QV_ROOT/scripts/wine-env.sh"
  local tool
  for tool in qvrun.exe qvstate.exe qvcompat.dll; do
    [ -f "$QV_TOOLS/$tool" ] || { echo "missing $QV_TOOLS/$tool: build first" >&2; exit 2; }
  done
}

# The pristine machine: booted once (by the first scenario to get the lock), then only ever copied.
qv_e2e_pristine() {
  (
    flock 9
    [ -f "$QV_PRISTINE/.qv-ready" ] && exit 0
    rm -rf "$QV_PRISTINE"
    export WINEPREFIX="$QV_PRISTINE"
    qv_wine_prefix
    wineserver -k 2>/dev/null || true
  ) 9>"$QV_PRISTINE.lock"
}

qv_e2e_reset() {
  wineserver -k 2>/dev/null || true
  qv_e2e_pristine
  local start
  start=$(date +%s%N)
  rm -rf "$WINEPREFIX"
  # Wine's own libraries and programs, never written, are shared with the pristine machine.
  cp -al "$QV_PRISTINE" "$WINEPREFIX"
  find "$WINEPREFIX" -type f ! -name '*.dll' ! -name '*.exe' -delete
  cp -an "$QV_PRISTINE/." "$WINEPREFIX"
  cp -r "$QV_PACKAGE" "$WINEPREFIX/drive_c/qvpkg"
  QV_RESET_MS=$((($(date +%s%N) - start) / 1000000))
  wineserver -p
  qv_spooler_start
}

qv_spooler_start() { wine net start spooler >/dev/null 2>&1 || true; }

# The spooler stopped and its start type set (4 disabled, 3 on demand) through the service manager.
qv_spooler_start_type() {
  wine net stop spooler >/dev/null 2>&1
  wine "$QV_TOOLS/qvseed.exe" spooler-start "$1" || qv_fail "the spooler's start type stays"
}

# A package in C:\qvpkg with only the listed files of drv\ (and no tray program).
qv_partial_package() {
  rm -rf "$WINEPREFIX/drive_c/qvpkg"
  mkdir -p "$WINEPREFIX/drive_c/qvpkg/drv"
  local file
  for file in "$@"; do cp "$QV_PACKAGE/drv/$file" "$WINEPREFIX/drive_c/qvpkg/drv/"; done
}

# Runs any program under qvrun; output in $QV_OUT, exit code in $QV_RC.
# A program Wine did not start (seen on a busy machine: error 1359) never ran: it is run again once.
qv_run_program() {
  local compat=() attempt
  [ "${QV_COMPAT:-1}" = 1 ] && compat=(--compat "$(qv_winpath "$QV_TOOLS/qvcompat.dll")")
  for attempt in 1 2; do
    QV_RC=0
    wine "$QV_TOOLS/qvrun.exe" "${compat[@]}" --timeout-ms "$QV_RUN_TIMEOUT_MS" "$@" \
      >"$QV_OUT.raw" 2>&1 || QV_RC=$?
    tr -d '\r' <"$QV_OUT.raw" >"$QV_OUT"  # programs run under qvrun may write CR LF
    sed 's/^/    | /' "$QV_OUT"
    grep -q '^qvrun: cannot \(start\|load\) ' "$QV_OUT" && [ "$attempt" = 1 ] || break
    qv_log "Wine did not start it: once more"
  done
}

qv_run() { qv_log "qvinstall ${*:-(no word)}"; qv_run_program "$QV_PKG_WIN\\drv\\qvinstall.exe" "$@"; }

qv_run_expect() { local rc="$1"; shift; qv_run "$@"; qv_expect_rc "$rc"; }
qv_run_quiet() { qv_run_expect "$@"; qv_expect_no_out '^--- log window'; }

QV_ENTRY='HKLM\Software\Microsoft\Windows\CurrentVersion\Uninstall\Quintavera'

qv_setup_run() {
  local code="$1"
  shift
  qv_log "QuintaveraSetup.exe $*"
  qv_run_program "$(qv_winpath "$QV_BUILD/setup/QuintaveraSetup.exe")" "$@"
  qv_expect_out "^qvrun: exit code $code\$"
}

qv_quiet_uninstall_run() {
  local command
  command=$(wine reg query "$QV_ENTRY" /v QuietUninstallString | tr -d '\r' |
    sed -n 's/^ *QuietUninstallString *REG_SZ *//p')
  [[ "$command" =~ ^\"([^\"]+)\"\ (.+)$ ]] || { qv_fail "no quiet uninstall: '$command'"; return; }
  qv_log "$command"
  qv_run_program --verbatim "${BASH_REMATCH[1]}" "${BASH_REMATCH[2]}"
  qv_expect_out "^qvrun: exit code $1\$"
}

qv_state() {
  wine "$QV_TOOLS/qvstate.exe" "$QV_PKG_WIN\\qvatray.exe" >"$QV_STATE" 2>&1 || true
}

# Runs a command every 0.25 s until it succeeds, at most <tries> times.
qv_poll() {
  local tries="$1"
  shift
  until "$@"; do
    tries=$((tries - 1))
    [ "$tries" -gt 0 ] || return 1
    sleep 0.25
  done
}

qv_state_matches() { qv_state; grep -Eq -- "$1" "$QV_STATE"; }

# Polls the state report until it holds a line matching the pattern (e.g. the tray's window).
qv_wait_state() { qv_poll "${2:-20}" qv_state_matches "$1"; }

qv_fail() {
  echo "FAIL: $*"
  QV_FAILURES=$((QV_FAILURES + 1))
}

qv_expect_rc() {
  [ "$QV_RC" = "$1" ] && echo "ok: exit code $1" || qv_fail "exit code $QV_RC, expected $1"
}

# Waits (15 s at most) for a background process to end; kills it and fails if it does not.
qv_wait_pid() {
  timeout 15 tail --pid="$1" -f /dev/null && return 0
  qv_fail "$2 $1 still runs"; kill "$1" 2>/dev/null; return 1
}

qv_expect_rc_in() {
  local code
  for code in "$@"; do [ "$QV_RC" = "$code" ] && { echo "ok: exit code $code"; return; }; done
  qv_fail "exit code $QV_RC, expected one of $*"
}

qv_expect_in() {
  local file="$1" pattern="$2"
  if grep -Eq -- "$pattern" "$file"; then echo "ok: /$pattern/"; else
    qv_fail "no line matches /$pattern/ in $(basename "$file"); its end:"
    tail -n 40 "$file" | sed 's/^/    > /'
  fi
}

qv_expect_not_in() {
  local file="$1" pattern="$2"
  if grep -Eq -- "$pattern" "$file"; then
    qv_fail "a line matches /$pattern/ in $(basename "$file"): $(grep -E -m1 -- "$pattern" "$file")"
  else echo "ok: no /$pattern/"; fi
}

qv_expect_state() { qv_expect_in "$QV_STATE" "$1"; }
qv_expect_no_state() { qv_expect_not_in "$QV_STATE" "$1"; }
qv_expect_out() { qv_expect_in "$QV_OUT" "$1"; }
qv_expect_no_out() { qv_expect_not_in "$QV_OUT" "$1"; }

# The installer's error log window, printed whole by qvrun.
qv_expect_error_window() {
  qv_expect_out '^--- log window: Quintavera build 2629- Install error log!$'
  qv_expect_out '^--- end of log window$'
}

# What a completed install leaves: monitor, port, driver, one printer per name given.
qv_expect_installed() {
  qv_expect_state '^monitor: Quintavera: \| dll=orbmon64\.dll'
  qv_expect_state '^port: Quintavera: \| monitor=Quintavera:$'
  qv_expect_state '^driver: Quintavera printer \| version=3 '
  qv_expect_state '^driver-file: Quintavera printer \| role=driver .*\| exists=yes \| version=[0-9.]+\.2629$'
  qv_expect_state '^file: .*\\system32\\orbmon64\.dll \| exists=yes'
  local name
  for name in "$@"; do
    qv_expect_state "^printer: $name \\| port=Quintavera: \\| driver=Quintavera printer \\|"
  done
}

# Two product printers as the product's user has them before a reinstall: comment, location,
# "SubKey" (plain, and under "DsUser"), one the default.
qv_seed_printers() {
  wine "$QV_TOOLS/qvseed.exe" printer "Quintavera Office" "Second floor" "Room 2.14" office plain \
    default && wine "$QV_TOOLS/qvseed.exe" printer "Quintavera Invoices" "Accounts" "Room 1.02" \
    invoices dsuser || qv_fail "the two printers were not seeded"
}

# The two seeded printers with all their settings, and no other printer.
qv_expect_seeded_printers() {
  qv_expect_state '^printer: Quintavera Office \| port=Quintavera: \| driver=Quintavera printer \| comment=Second floor \| location=Room 2\.14 \| subkey=office \| dsuser-subkey=office \| default=yes$'
  qv_expect_state '^printer: Quintavera Invoices \| port=Quintavera: \| driver=Quintavera printer \| comment=Accounts \| location=Room 1\.02 \| subkey=invoices \| dsuser-subkey=invoices \| default=no$'
  qv_expect_state '^printers: 2$'
}

# No tray program running and no log-on entry for it.
qv_expect_no_tray() {
  qv_expect_state '^run value QuintaveraTray: \(none\)$'
  qv_expect_state '^tray running: no$'
}

# What an uninstall leaves: none of the product's objects.
qv_expect_removed() {
  qv_expect_no_state '^monitor: Quintavera:'
  qv_expect_no_state '^port: Quintavera:'
  qv_expect_no_state '^driver: Quintavera printer'
  qv_expect_no_state 'driver=Quintavera printer'
  qv_expect_no_tray
}

# The monitor DLL deleted for good: no rename left for the restart.
qv_expect_monitor_dll_gone() {
  qv_expect_state '^pending renames: 0$'
  qv_expect_state '^file: .*\\system32\\orbmon64\.dll \| exists=no'
}

# A program holding a file (opened or loaded: open|load; the monitor DLL unless a path is given),
# or a mutex of the given name (mutex), in the background; qv_release lets it go.
qv_hold() {
  local path="${2:-C:\windows\system32\orbmon64.dll}" args
  args=(hold "$path" "$1")
  [ "$1" = mutex ] && args=(mutex "$path")
  wine "$QV_TOOLS/qvhold.exe" "${args[@]}" 100 >"$QV_WORK/hold.txt" 2>&1 &
  QV_HOLDER=$!
  qv_poll 40 grep -qs '^holding' "$QV_WORK/hold.txt" || qv_fail "the holder never held $path"
}

qv_release() {
  wine "$QV_TOOLS/qvhold.exe" release >/dev/null 2>&1 || qv_fail "no holder was waiting"
  qv_wait_pid "$QV_HOLDER" holder
}

qv_e2e_finish() {
  wineserver -k 2>/dev/null || true
  rm -rf "$QV_WORK"
  if [ "$QV_FAILURES" -ne 0 ]; then
    echo "$QV_FAILURES expectation(s) failed"
    exit 1
  fi
  echo "all expectations met"
}
