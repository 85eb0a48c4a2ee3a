#!/usr/bin/env bash
# The brightness panel under Wine, judged from outside: two simulated monitors (50, and 80 with a
# lower limit of 10). The menu item opens a window of the panel's class inside the work area
# beside the notification area, and it answers; Right steps the first monitor to 55, Tab then
# PageDown the second to 70, End the second to 100 (the simulator's write record); Escape
# destroys the window; its hotkey and `lumivanectl panel` open it too. Screenshots of the light and the dark app theme at 96 and at 144 DPI go to
# $SHOTS (panel-<theme>-<dpi>.png) to be looked at; anonymous memory of the program before
# opening, while open and after closing is printed beside the minimal tray program's.
#   bash tests/e2e/panel.sh <win64-build-dir>
set -uo pipefail
source "$(dirname "${BASH_SOURCE[0]}")/e2e_common.bash" "$@"
need_built dxva2.dll menuitems.exe findwin.exe minimaltray.exe lumivanectl.exe
SHOTS="${LUMIVANE_PANEL_SHOTS:-$BUILD/e2e/panel}"
mkdir -p "$SHOTS"

PERSONALIZE='HKCU\Software\Microsoft\Windows\CurrentVersion\Themes\Personalize'
DESKTOP='HKCU\Control Panel\Desktop'
dark_taskbar
# The panel makes the display it moves the one the wheel turns, which the program stores.
wheel_on_first_display
# Its hotkey, stored before the start as a user would set it.
set_dark 'HKCU\Software\Lumivane' hotkey_panel 'Ctrl+Alt+P'
trap '"$WINE64" reg delete "$DESKTOP" /v LogPixels /f >/dev/null 2>&1;
  "$WINE64" reg delete "$PERSONALIZE" /v AppsUseLightTheme /f >/dev/null 2>&1;
  [ -n "$MINIMAL_PID" ] && kill "$MINIMAL_PID" 2>/dev/null; restore_taskbar; cleanup' EXIT
MINIMAL_PID=""
simulate_monitors \
  'monitor brightness=50 min=0 max=100 caps=(prot(monitor)type(lcd)model(SIM 24A)cmds(01 02 03)vcp(10 12))' \
  'monitor brightness=80 min=10 max=100 caps=(prot(monitor)type(lcd)model(SIM 27B)cmds(01 02 03)vcp(10 12))'

panel_window() { wine_tool findwin.exe Lumivane "${1:-5000}" --class LumivanePanel --answer --rect; }
anon_kb() { awk '/^RssAnon:/ { print $2 }' "/proc/$1/status"; }
open_panel() {
  open_menu
  grep -q $'\tAll displays…\t' <<<"$MENU" || fail "no \"All displays…\" item in the menu: $MENU"
  local order
  order="$(cut -f2 <<<"$MENU" | tr '\n' '|')"
  [ "$order" = "1. Monitor Default_Monitor|2. Monitor|All displays…||Settings|Restart|Exit|" ] ||
    fail "the menu's items are not in their order: $order"
  choose '^All displays'
  WINDOW="$(panel_window)" || fail "no panel window answered after choosing the menu item"
}
# The window lies inside the 1024x768 screen above Wine's taskbar, at its right end.
check_place() {
  local l t r b
  read -r l t r b <<<"$(tail -n 1 <<<"$WINDOW")"
  [ "$l" -ge 0 ] && [ "$t" -ge 0 ] && [ "$r" -le 1024 ] && [ "$b" -le 740 ] && [ "$r" -ge 900 ] ||
    fail "the panel is not beside the notification area, inside the work area: $l $t $r $b"
  echo "panel at $l $t $r $b"
}
close_panel() {
  xdotool key Escape
  wine_tool findwin.exe Lumivane 5000 --class LumivanePanel --gone || fail "Escape left the panel window"
}
stop_program() {
  wine_tool sendmsg.exe endsession >/dev/null
  wait_program_end || fail "the program did not end"
  PROGRAM_PID=""
}

for dpi in 96 144; do
  "$WINESERVER" -k 2>/dev/null
  "$WINESERVER" -w 2>/dev/null
  "$WINE64" reg add "$DESKTOP" /v LogPixels /t REG_DWORD /d "$dpi" /f >/dev/null 2>&1
  "$WINE64" reg add "$PERSONALIZE" /v AppsUseLightTheme /t REG_DWORD /d 1 /f >/dev/null 2>&1
  "$WINESERVER" -w 2>/dev/null
  start_program
  wait_digits "start-$dpi" || fail "no digits in the notification area ($SHOTS/start-$dpi.png)"
  locate_icon "start-$dpi" || fail "the tray's white pixels do not fit one icon"
  PID="$(program_pids)"

  if [ "$dpi" = 96 ]; then
    # The minimal tray program (a window, a timer, one icon) beside it, measured at the same moments.
    "$WINE64" explorer /desktop=shell,1024x768 "$(winpath "$BUILD/minimaltray.exe")" >"$WORK/minimal.out" 2>&1 &
    MINIMAL_PID=$!
    MPID=""
    for _ in $(seq 1 100); do
      for p in $(pgrep -f 'minimaltray\.exe'); do
        tr '\0' '\n' <"/proc/$p/environ" 2>/dev/null | grep -qx "WINEPREFIX=$WINEPREFIX" || continue
        grep -q explorer "/proc/$p/cmdline" && continue
        MPID="$p"
      done
      [ -n "$MPID" ] && break
      sleep 0.1
    done
    [ -n "$MPID" ] || fail "the minimal tray program did not start"
    sleep 3
    before="$(anon_kb "$PID")"
    mbefore="$(anon_kb "$MPID")"
    open_panel
    check_place
    sleep 1
    open_kb="$(anon_kb "$PID")"
    mopen="$(anon_kb "$MPID")"
    [ "$(write_count)" = "0" ] || fail "opening the panel wrote: $(cat "$WRITES")"
    xdotool key Right
    wait_write 0 55 || fail "Right did not step the first monitor to 55; writes: $(tr '\n' ' ' <"$WRITES")"
    xdotool key Tab
    sleep 0.3
    xdotool key Next
    wait_write 1 70 || fail "Tab, PageDown did not set the second monitor to 70; writes: $(tr '\n' ' ' <"$WRITES")"
    xdotool key End
    wait_write 1 100 || fail "End did not set the second monitor to 100; writes: $(tr '\n' ' ' <"$WRITES")"
    [ "$(last_write 0)" = "55" ] || fail "the first monitor moved with the second: $(tr '\n' ' ' <"$WRITES")"
    close_panel
    sleep 1
    after="$(anon_kb "$PID")"
    mafter="$(anon_kb "$MPID")"
    # A second open and close: what the first left behind is not taken again.
    open_panel
    close_panel
    sleep 1
    again="$(anon_kb "$PID")"
    magain="$(anon_kb "$MPID")"
    echo "anonymous memory (RssAnon, KiB): before opening, open, after closing, after a second open and close"
    echo "  program: $before $open_kb $after $again"
    echo "  minimal tray program: $mbefore $mopen $mafter $magain"
    kill "$MINIMAL_PID" 2>/dev/null
    MINIMAL_PID=""

    # The other ways in: its hotkey, and the command-line client.
    xdotool key ctrl+alt+p
    panel_window >/dev/null || fail "Ctrl+Alt+P (hotkey_panel) opened no panel"
    close_panel
    timeout 60 "$WINE64" "$BUILD/lumivanectl.exe" panel >/dev/null 2>&1 || fail "lumivanectl panel failed"
    panel_window >/dev/null || fail "lumivanectl panel opened no panel"
    close_panel
  fi

  for theme in light dark; do
    [ "$theme" = dark ] && value=0 || value=1
    "$WINE64" reg add "$PERSONALIZE" /v AppsUseLightTheme /t REG_DWORD /d "$value" /f >/dev/null 2>&1
    open_panel
    sleep 0.5
    shot "panel-$theme-$dpi"
    echo "screenshot $SHOTS/panel-$theme-$dpi.png"
    close_panel
  done
  stop_program
done
echo "panel: ok"
