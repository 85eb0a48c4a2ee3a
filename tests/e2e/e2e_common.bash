# Shared by the end-to-end checks: source it with the win64 build folder as $1. It prepares the
# build's e2e Wine prefix and a display, and stops everything it started when the check exits.
BUILD="$(cd "${1:?usage: $(basename "$0") <win64-build-dir>}" && pwd)"
source "$(dirname "${BASH_SOURCE[0]}")/../../scripts/lib/common.sh"

fail() {
  echo "FAIL: $*" >&2
  [ -n "${LOG_TEXT:-}" ] && printf '%s\n' "--- debug log ---" "$LOG_TEXT" >&2
  exit 1
}

for f in lumivane.exe logtext.exe sendmsg.exe findwin.exe; do
  [ -f "$BUILD/$f" ] || fail "$BUILD/$f is not built"
done

wine_env "$BUILD/e2e"
PROGRAM_PID=""
SECOND_PID=""
WORK="$(mktemp -d)"
cleanup() {
  [ -n "$SECOND_PID" ] && kill "$SECOND_PID" 2>/dev/null
  [ -n "$PROGRAM_PID" ] && kill "$PROGRAM_PID" 2>/dev/null
  stop_wine
  stop_xvfb
  rm -rf "$WORK"
}
trap cleanup EXIT
start_xvfb

# A copy started directly shares the desktop too.
use_desktop shell
[ -z "$(program_pids)" ] || fail "a copy of the program is already running in $WINEPREFIX"

# Starts the program in a desktop with a taskbar and waits for its start-up dump; LOG_TEXT := log.
start_program() {
  "$WINE64" explorer /desktop=shell,1024x768 "$(winpath "$BUILD/lumivane.exe")" >"$WORK/program.out" 2>&1 &
  PROGRAM_PID=$!
  wine_tool logtext.exe --wait "] Dump:" 30000 >/dev/null || {
    LOG_TEXT="$(wine_tool logtext.exe)"
    fail "no start-up dump within 30 s"
  }
  LOG_TEXT="$(wine_tool logtext.exe)"
}

# Waits up to 10 s for every copy of the program to have ended by itself.
wait_program_end() {
  for _ in $(seq 1 100); do
    [ -z "$(program_pids)" ] && return 0
    sleep 0.1
  done
  return 1
}
