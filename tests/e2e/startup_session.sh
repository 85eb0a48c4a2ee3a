#!/usr/bin/env bash
# Window and session messages under Wine: closing the main window while the program runs only
# hides it; a display change and a cancelled end of session leave it running; the session-end
# query is answered with consent, and the end of the session that follows ends the program.
#   bash tests/e2e/startup_session.sh <win64-build-dir>
set -uo pipefail
source "$(dirname "${BASH_SOURCE[0]}")/e2e_common.bash" "$@"

still_running() {
  [ -n "$(program_pids)" ] || fail "the program ended after $1"
  [ "$(wine_tool logtext.exe --count)" = "1" ] || fail "the main window is gone after $1"
  [ "$(wine_tool logtext.exe --visible)" = "0" ] || fail "the main window shows after $1"
}

start_program

wine_tool sendmsg.exe close >/dev/null || fail "sendmsg close failed"
sleep 0.5
still_running "WM_CLOSE"

wine_tool sendmsg.exe displaychange >/dev/null || fail "sendmsg displaychange failed"
sleep 0.5
still_running "WM_DISPLAYCHANGE"

wine_tool sendmsg.exe endsession-cancelled >/dev/null || fail "sendmsg endsession-cancelled failed"
sleep 0.5
still_running "a cancelled WM_ENDSESSION"

answer="$(wine_tool sendmsg.exe queryendsession)" || fail "sendmsg queryendsession failed"
[ "$answer" = "1" ] || fail "WM_QUERYENDSESSION was answered with $answer, not with consent"
wine_tool sendmsg.exe endsession >/dev/null || fail "sendmsg endsession failed"
wait_program_end || fail "the program did not end by itself after WM_ENDSESSION"
echo "PASS: startup_session"
