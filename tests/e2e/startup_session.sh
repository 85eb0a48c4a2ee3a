#!/usr/bin/env bash
# Window and session messages under Wine: closing the main window while the program runs only
# hides it; a display change leaves it running and makes it find the monitor that came with it
# (the tray menu, read from its window, lists it); a cancelled end of session leaves it running;
# the session-end query is answered with consent, and the end of the session that follows ends
# the program.
#   bash tests/e2e/startup_session.sh <win64-build-dir>
set -uo pipefail
source "$(dirname "${BASH_SOURCE[0]}")/e2e_common.bash" "$@"
need_built dxva2.dll menuitems.exe
SHOTS="$BUILD/e2e/startup_session"
rm -rf "$SHOTS" && mkdir -p "$SHOTS"

still_running() {
  [ -n "$(program_pids)" ] || fail "the program ended after $1"
  [ "$(main_windows)" = "1" ] || fail "the main window is gone after $1"
  [ "$(main_windows --visible)" = "0" ] || fail "the main window shows after $1"
}

# The device items of the tray menu, one caption a line.
menu_devices() {
  open_menu
  # A click beside the menu closes it without choosing.
  xdotool mousemove 400 300
  sleep 0.2
  xdotool click 1
  wine_tool menuitems.exe 3000 --gone >/dev/null || fail "the menu stayed open after a click beside it"
  awk -F'\t' '$2 ~ /^[0-9]+\. / { print $2 }' <<<"$MENU"
}

dark_taskbar
MONITOR_0='monitor brightness=50 caps=(prot(monitor)type(lcd)model(SIM 24A)vcp(10))'
simulate_monitors "$MONITOR_0"
start_program
wait_digits start || fail "no digits in the notification area ($SHOTS/start.png)"
locate_icon start || fail "the white pixels of the tray do not fit one icon ($SHOTS/start.png)"
devices="$(menu_devices)"
[ "$devices" = "1. Monitor Default_Monitor" ] || fail "expected one monitor at start, the menu lists: $devices"

wine_tool sendmsg.exe close >/dev/null || fail "sendmsg close failed"
sleep 0.5
still_running "WM_CLOSE"

# A second monitor comes with the new display configuration.
printf '%s\n' "$MONITOR_0" 'monitor brightness=70 caps=(prot(monitor)type(lcd)model(SIM 27B)vcp(10))' \
  >"$WORK/monitors.ini"
wine_tool sendmsg.exe displaychange >/dev/null || fail "sendmsg displaychange failed"
sleep 0.5
still_running "WM_DISPLAYCHANGE"
found=""
for _ in 1 2 3 4 5; do
  wait_digits rescanned || fail "no digits after the display change ($SHOTS/rescanned.png)"
  devices="$(menu_devices)"
  grep -qx '2\. Monitor' <<<"$devices" && { found=1; break; }
  sleep 1
done
[ -n "$found" ] || fail "the monitor that came with the display change is not in the menu: $devices"
grep -qx '1\. Monitor Default_Monitor' <<<"$devices" || fail "the first monitor is gone from the menu: $devices"

wine_tool sendmsg.exe endsession-cancelled >/dev/null || fail "sendmsg endsession-cancelled failed"
sleep 0.5
still_running "a cancelled WM_ENDSESSION"

answer="$(wine_tool sendmsg.exe queryendsession)" || fail "sendmsg queryendsession failed"
[ "$answer" = "1" ] || fail "WM_QUERYENDSESSION was answered with $answer, not with consent"
wine_tool sendmsg.exe endsession >/dev/null || fail "sendmsg endsession failed"
wait_program_end || fail "the program did not end by itself after WM_ENDSESSION"
echo "PASS: startup_session"
