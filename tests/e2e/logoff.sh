#!/usr/bin/env bash
# The end of a session under Wine, in the order Windows sends it: WM_QUERYENDSESSION, then
# WM_ENDSESSION. The query is answered with consent and ends nothing; when the end is then called
# off (WM_ENDSESSION FALSE) the program runs on: its window answers and a wheel notch over its
# icon still reaches the simulated monitor (its write record). Query and WM_ENDSESSION TRUE end
# the process by itself.
#   bash tests/e2e/logoff.sh <win64-build-dir>
set -uo pipefail
source "$(dirname "${BASH_SOURCE[0]}")/e2e_common.bash" "$@"
need_built dxva2.dll
SHOTS="$BUILD/e2e/logoff"
rm -rf "$SHOTS" && mkdir -p "$SHOTS"

dark_taskbar
simulate_monitors 'monitor brightness=50 min=0 max=100'

answers() { # what : the main window answers WM_NULL
  [ -n "$(program_pids)" ] || fail "the program ended after $1"
  [ "$(wine_tool sendmsg.exe null)" = "0" ] || fail "the main window does not answer after $1"
}

start_program
wait_digits start || fail "no digits in the notification area ($SHOTS/start.png)"
locate_icon start || fail "the white pixels of the tray do not fit one icon ($SHOTS/start.png)"

answer="$(wine_tool sendmsg.exe queryendsession)" || fail "sendmsg queryendsession failed"
[ "$answer" = "1" ] || fail "WM_QUERYENDSESSION was answered with $answer, not with consent"
sleep 1
answers "WM_QUERYENDSESSION"
wine_tool sendmsg.exe endsession-cancelled >/dev/null || fail "sendmsg endsession-cancelled failed"
sleep 1
answers "a cancelled WM_ENDSESSION"
wait_digits cancelled || fail "the icon is gone after a cancelled end of session ($SHOTS/cancelled.png)"

point_at_icon
xdotool click 5
wait_write 0 45 || fail "a notch after the cancelled end did not reach the monitor; writes: $(tr '\n' ' ' <"$WRITES")"
answers "the notch"

answer="$(wine_tool sendmsg.exe queryendsession)" || fail "the second WM_QUERYENDSESSION got no answer"
[ "$answer" = "1" ] || fail "the second WM_QUERYENDSESSION was answered with $answer"
wine_tool sendmsg.exe endsession >/dev/null || fail "sendmsg endsession failed"
wait_program_end || fail "the program did not end after WM_ENDSESSION(TRUE)"
echo "PASS: logoff"
