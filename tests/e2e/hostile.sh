#!/usr/bin/env bash
# Forged messages under Wine: another process sends and posts every top-level window of the
# program private and user messages (WM_APP + 0..31, WM_USER + 0..31) and system messages with
# bogus parameters, and broadcasts a few of them; it sends and posts every control the control
# messages that carry pointers (WM_USER and up, the tab control's, EM_SETWORDBREAKPROC, ...), with
# the settings window hidden and then shown; it posts WM_QUIT to the program's thread and windows,
# forged tray clicks and a forged request for the menu; it sends the command pipe garbage,
# overlong and too frequent lines. The program keeps running, its windows
# and controls keep answering, its icon stays in the notification area, no menu opens, the
# simulated monitor receives no write, and afterwards a wheel notch over the icon still moves the
# monitor; the timer pass still runs: the program still ends by itself at the next pass after
# WM_ENDSESSION.
#   bash tests/e2e/hostile.sh <win64-build-dir>
set -uo pipefail
source "$(dirname "${BASH_SOURCE[0]}")/e2e_common.bash" "$@"
need_built hostile.exe dxva2.dll menuitems.exe settingsctl.exe lumivanectl.exe findwin.exe

icon_shown() { # screenshot
  import -window root "$1" 2>/dev/null
  awk -v s="$(orange_share "$1" 60x24+964+744)" 'BEGIN { exit !(s + 0 > 0.02) }'
}

# The icon's digits in the application icon's orange, so that the checks below see them; the
# previous colour comes back when the check exits.
"$WINESERVER" -w 2>/dev/null
set_dark 'HKCU\Software\Lumivane' color F5A623
trap 'restore_taskbar; cleanup' EXIT
simulate_monitors 'monitor brightness=50 min=0 max=100 caps=(prot(monitor)type(lcd)model(SIM 24A)cmds(01 02 03)vcp(10 12))'
# The orange pixels of the tray region of screenshot NAME: ICON_X, ICON_Y := their centre.
locate_orange() {
  local w h x y
  read -r w h x y <<<"$(convert "$1" -crop "$TRAY" +repage -fuzz 12% -fill black +opaque '#F5A623' \
    -fill white -opaque '#F5A623' -format '%@' info: 2>/dev/null | awk -F'[x+]' '{ print $1, $2, $3, $4 }')"
  [ -n "$w" ] && [ "$w" -le 24 ] && [ "$h" -le 24 ] || return 1
  ICON_X=$((964 + x + w / 2))
  ICON_Y=$((748 + y + h / 2))
}
# The checks after each attack: the program still runs and answers, shows its icon, wrote nothing
# to the monitor and opened no menu.
after_attack() { # name
  [ -n "$(program_pids)" ] || fail "the program ended under forged messages ($1)"
  wine_tool hostile.exe ping || fail "a window of the program no longer answers ($1)"
  [ "$(main_windows)" = "1" ] || fail "the main window is gone after the attack ($1)"
  [ "$(write_count)" = "0" ] || fail "forged messages wrote to the monitor ($1): $(cat "$WRITES")"
  wine_tool menuitems.exe 500 >/dev/null && fail "forged messages opened the tray menu ($1)"
  return 0
}

start_program
shown=""
for _ in $(seq 1 30); do
  icon_shown "$WORK/before.png" && { shown=1; break; }
  sleep 0.3
done
[ -n "$shown" ] || fail "no application icon in the notification area before the attack"
ERRORS_BEFORE="$(grep -c 'ERROR!' <<<"$LOG_TEXT")"

wine_tool hostile.exe attack || fail "the attack found no window of the program"
sleep 1

[ -n "$(program_pids)" ] || fail "the program ended under forged messages"
wine_tool hostile.exe ping || fail "a window of the program no longer answers"
[ "$(main_windows)" = "1" ] || fail "the main window is gone after the attack"
[ "$(main_windows --visible)" = "0" ] || fail "the main window shows after the attack"
after_attack hidden
# The command pipe: garbage, overlong and too frequent lines are refused with a reply.
wine_tool hostile.exe pipe || fail "the command pipe did not refuse every hostile line"
after_attack pipe
# The brightness panel open: its window is attacked with the others.
# The pipe's flood guard may still refuse requests of the last second: the request is sent again.
opened=""
for _ in 1 2 3 4 5; do
  sleep 1.2
  timeout 60 "$WINE64" "$BUILD/lumivanectl.exe" panel >/dev/null 2>&1 && { opened=1; break; }
done
[ -n "$opened" ] || fail "lumivanectl panel failed"
wine_tool findwin.exe Lumivane 5000 --class LumivanePanel --answer >/dev/null || fail "no panel window to attack"
wine_tool hostile.exe attack || fail "the attack on the open panel found no window of the program"
sleep 1
after_attack panel
xdotool key Escape
wine_tool findwin.exe Lumivane 5000 --class LumivanePanel --gone || fail "the panel does not close after the attack"
SHOT="$BUILD/e2e/hostile-screenshot.png"
shown=""
for _ in $(seq 1 10); do
  icon_shown "$SHOT" && { shown=1; break; }
  sleep 0.3
done
[ -n "$shown" ] || fail "the icon is gone after the attack (screenshot $SHOT)"
LOG_TEXT="$(wine_tool logtext.exe)"
[ "$(grep -c 'ERROR!' <<<"$LOG_TEXT")" = "$ERRORS_BEFORE" ] || fail "forged messages led to error lines"

# The same with the settings window shown, opened from the tray menu as a user does.
locate_orange "$SHOT" || fail "the orange pixels of the tray do not fit one icon ($SHOT)"
open_menu
choose '^Settings$'
[ "$(wine_tool settingsctl.exe visible)" = "1" ] || fail "the settings item did not show the settings window"
# The documentation page, whose RichEdit is made when the page is first shown.
wine_tool settingsctl.exe page 1 || fail "the documentation page cannot be shown"
wine_tool hostile.exe attack || fail "the second attack found no window of the program"
sleep 1
after_attack shown
[ "$(wine_tool settingsctl.exe visible)" = "1" ] || fail "the settings window is gone after the attack"
LOG_TEXT="$(wine_tool logtext.exe)"
[ "$(grep -c 'ERROR!' <<<"$LOG_TEXT")" = "$ERRORS_BEFORE" ] || fail "forged messages led to error lines"
grep -q 'A quit message that the program did not send was ignored' <<<"$LOG_TEXT" ||
  fail "the forged WM_QUIT was not noticed"

# The program still follows the wheel: one notch down moves the monitor from 50 to 45.
# The queue may still hold the attack's posted messages on a loaded machine, and Wine drops a
# low-level hook event that waits too long: the notch is turned again, at most twice more, until
# one reaches the monitor, which must then have taken the step from 50 to 45.
for _ in 1 2 3; do
  point_at_icon
  xdotool click 5
  wait_write 0 45 && break
done
awk '$1 == 0 && $2 == 45 { found = 1 } END { exit !found }' "$WRITES" || fail "a wheel notch after the attack did not reach the monitor; writes: $(cat "$WRITES")"

# The exit path is driven by the timer: the program ends by itself only if the pass still runs.
wine_tool sendmsg.exe endsession >/dev/null || fail "sendmsg endsession failed"
wait_program_end || fail "the timer pass no longer runs: no end after WM_ENDSESSION"
echo "PASS: hostile"
