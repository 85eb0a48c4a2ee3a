#!/usr/bin/env bash
# The tray in use under Wine, judged from outside: two simulated monitors (50 and 80), a dark
# taskbar so that the white digits can be seen. The icon shows the active monitor's brightness in
# white with no key colour, the very pixels that the painter draws for that number; three wheel
# notches over it step the monitor to 35 (the simulator's write record); a left click drops it to
# its minimum and a second one restores it; the menu, read from its window, lists both monitors
# and the three commands; choosing the second monitor shows its digits; after the notification
# area has dropped the icon, "TaskbarCreated" brings it back as it was; exit ends the process and
# removes the icon; restart starts a new process that takes over from the old one.
#   bash tests/e2e/tray.sh <win64-build-dir>
set -uo pipefail
source "$(dirname "${BASH_SOURCE[0]}")/e2e_common.bash" "$@"
need_built dxva2.dll menuitems.exe iconref.exe
SHOTS="$BUILD/e2e/tray"
rm -rf "$SHOTS" && mkdir -p "$SHOTS"

dark_taskbar
# The icon starts on the first monitor: a choice an earlier check stored in this prefix would
# make it the second.
wheel_on_first_display
simulate_monitors \
  'monitor brightness=50 min=0 max=100 caps=(prot(monitor)type(lcd)model(SIM 24A)cmds(01 02 03)vcp(10 12))' \
  'monitor brightness=80 min=10 max=100 caps=(prot(monitor)type(lcd)model(SIM 27B)cmds(01 02 03)vcp(10 12))'

# The icon's pixels, for comparing what it shows at two moments.
icon_crop() { convert "$SHOTS/$1.png" -crop "$ICON_GEOMETRY" +repage "$SHOTS/$1-icon.png" 2>/dev/null; }
same_icon() { [ "$(compare -metric AE "$SHOTS/$1-icon.png" "$SHOTS/$2-icon.png" null: 2>&1)" = "0" ]; }
# --- the digits ------------------------------------------------------------------------------
start_program
wait_digits start || fail "no white digits in the notification area (screenshot $SHOTS/start.png)"
locate_icon start || fail "the white pixels of the tray do not fit one icon ($SHOTS/start.png)"
[ "$(pixels_like start '#9636A7')" = "0" ] || fail "the key colour shows in the icon ($SHOTS/start.png)"
icon_crop start
expect_digits start 50
[ "$(write_count)" = "0" ] || fail "the program wrote before any input: $(cat "$WRITES")"
echo "digits at $ICON_X,$ICON_Y; screenshot $SHOTS/start.png"

# --- the wheel -------------------------------------------------------------------------------
point_at_icon
for _ in 1 2 3; do
  xdotool click 5
  sleep 0.15
done
wait_write 0 35 || fail "three notches down from 50 did not reach 35; writes: $(tr '\n' ' ' <"$WRITES")"
awk '$1 != 0' "$WRITES" | grep -q . && fail "the wheel wrote to the other monitor: $(cat "$WRITES")"
sleep 0.5
wait_digits wheel || fail "no digits after the wheel"
icon_crop wheel
expect_digits wheel 35
same_icon start wheel && fail "the icon did not change from 50 to 35 ($SHOTS/wheel.png)"

# --- the click: to the minimum and back ------------------------------------------------------
point_at_icon
xdotool click 1
wait_write 0 0 || fail "a left click did not drop monitor 1 to its minimum; writes: $(tr '\n' ' ' <"$WRITES")"
sleep 1 # not a double click
point_at_icon
xdotool click 1
wait_write 0 35 || fail "a second click did not restore 35; writes: $(tr '\n' ' ' <"$WRITES")"
sleep 0.5
wait_digits restored || fail "no digits after the second click"
icon_crop restored
same_icon wheel restored || fail "35 restored looks different from 35 before ($SHOTS/wheel.png, $SHOTS/restored.png)"

# --- the menu --------------------------------------------------------------------------------
open_menu
shot menu
echo "menu items:"
printf '%s\n' "$MENU"
captions="$(cut -f2,3 <<<"$MENU")"
expected="$(printf '%s\n' $'1. Monitor Default_Monitor\tchecked' $'2. Monitor\t-' $'All displays…\t-' $'\tseparator' \
  $'Settings\t-' $'Restart\t-' $'Exit\t-')"
[ "$captions" = "$expected" ] || fail "unexpected menu items:
$captions
expected:
$expected"
before="$(write_count)"
choose '^2\. '
sleep 0.5
wait_digits second || fail "no digits after choosing the second monitor"
icon_crop second
expect_digits second 80
same_icon restored second && fail "the icon still shows the first monitor's 35 ($SHOTS/second.png)"
[ "$(write_count)" = "$before" ] || fail "choosing a monitor wrote to one: $(tail -n +$((before + 1)) "$WRITES")"
# The wheel now turns the second monitor: the program really made it the active one.
point_at_icon
xdotool click 5
wait_write 1 75 || fail "the wheel did not step the second monitor from 80 to 75; writes: $(tr '\n' ' ' <"$WRITES")"
[ "$(last_write 0)" = "35" ] || fail "the first monitor changed with the second active"
sleep 0.5
wait_digits second75 || fail "no digits at 75"
icon_crop second75
expect_digits second75 75
same_icon second second75 && fail "the icon did not change from 80 to 75"
# Back to the first: the very digits of 35 again.
open_menu
grep -qP '^1\t2\. Monitor\tchecked\t' <<<"$MENU" || fail "the second monitor is not checked: $MENU"
choose '^1\. '
sleep 0.5
wait_digits first-again || fail "no digits after choosing the first monitor again"
icon_crop first-again
same_icon restored first-again || fail "the first monitor's 35 looks different now ($SHOTS/first-again.png)"

# --- a restart of the notification area --------------------------------------------------------
restart_notification_area digits_seen
sleep 0.5
wait_digits taskbar || fail "no digits after TaskbarCreated"
icon_crop taskbar
same_icon first-again taskbar || fail "the icon changed after TaskbarCreated ($SHOTS/taskbar.png)"
expect_digits taskbar 35

# --- exit ------------------------------------------------------------------------------------
old="$(program_pids)"
open_menu
choose '^Exit$'
wait_program_end || fail "the program did not end after Exit"
shot exited
[ "$(pixels_like exited white)" = "0" ] || fail "the icon is still shown after Exit ($SHOTS/exited.png)"

# --- restart ---------------------------------------------------------------------------------
start_program
wait_digits second-run || fail "no digits in the second run"
old="$(program_pids)"
[ "$(wc -w <<<"$old")" = "1" ] || fail "expected one copy before the restart, found: $old"
open_menu
choose '^Restart$'
new=""
for _ in $(seq 1 100); do
  now="$(program_pids)"
  if [ -n "$now" ] && ! grep -qx "$old" <<<"$now"; then
    new="$now"
    break
  fi
  sleep 0.1
done
[ -n "$new" ] || fail "no new copy replaced $old after Restart (running: $(program_pids | tr '\n' ' '))"
for _ in $(seq 1 100); do
  kill -0 "$old" 2>/dev/null || break
  sleep 0.1
done
kill -0 "$old" 2>/dev/null && fail "the old copy $old is still running 10 s after the new one started"
new="$(program_pids)"
[ "$(wc -w <<<"$new")" = "1" ] || fail "expected one copy after the restart, found: $new"
wine_tool logtext.exe --wait "] Dump:" 30000 >/dev/null || fail "the new copy did not start up"
[ "$(main_windows)" = "1" ] || fail "expected one main window after the restart"
wait_digits restarted || fail "no digits after the restart"
grep -q 'Only a single instance' <<<"$(wine_tool findwin.exe Lumivane 500 --class '#32770')" &&
  fail "the new copy did not wait for the old one's single-instance mutex"
echo "restart: $old -> $new"

wine_tool sendmsg.exe endsession >/dev/null || fail "sendmsg endsession failed"
wait_program_end || fail "the restarted program did not end after WM_ENDSESSION"
echo "screenshots in $SHOTS"
echo "PASS: tray"
