#!/usr/bin/env bash
# Global hotkeys under Wine, judged from outside: combinations stored before the start step the
# simulated monitor when pressed (the simulator's write record), and are written back in their
# canonical form; the settings window's hotkeys page shows the stored combinations and their
# state in each of the three languages (screenshots kept for a person to look at).
#   bash tests/e2e/hotkeys.sh <win64-build-dir>
set -uo pipefail
source "$(dirname "${BASH_SOURCE[0]}")/e2e_common.bash" "$@"
need_built dxva2.dll menuitems.exe settingsctl.exe
SHOTS="$BUILD/e2e/hotkeys"
rm -rf "$SHOTS" && mkdir -p "$SHOTS"

KEY='HKCU\Software\Lumivane'
ctl() { wine_tool settingsctl.exe "$@"; }
forget_settings() { "$WINE64" reg delete "$KEY" /f >/dev/null 2>&1; }
trap 'forget_settings; restore_taskbar; cleanup' EXIT
forget_settings
dark_taskbar
wheel_on_first_display
"$WINESERVER" -w 2>/dev/null
"$WINE64" reg add "$KEY" /v color /d FFFFFF /f >/dev/null 2>&1
"$WINE64" reg add "$KEY" /v hotkey_up /d 'ctrl + alt + up' /f >/dev/null 2>&1
"$WINE64" reg add "$KEY" /v hotkey_down /d 'Ctrl+Alt+Down' /f >/dev/null 2>&1
"$WINE64" reg add "$KEY" /v hotkey_glare /d 'Shift+Win+F9' /f >/dev/null 2>&1
simulate_monitors \
  'monitor brightness=50 min=0 max=100 caps=(prot(monitor)type(lcd)model(SIM 24A)cmds(01 02 03)vcp(10 12))'

shoot() { # name
  shot "$1" || fail "no screenshot $1"
  echo "screenshot $SHOTS/$1.png"
}

start_program
for _ in $(seq 1 50); do
  [ "$(reg_value "$KEY" hotkey_up)" = "Ctrl+Alt+Up" ] && break
  sleep 0.1
done
[ "$(reg_value "$KEY" hotkey_up)" = "Ctrl+Alt+Up" ] ||
  fail "hotkey_up was not written back as Ctrl+Alt+Up: $("$WINE64" reg query "$KEY" 2>&1 | tr -d "\r")"

# --- pressed with nothing of the program focused ------------------------------------------------
xdotool key ctrl+alt+Up
wait_write 0 55 || fail "Ctrl+Alt+Up did not step 50 to 55; writes: $(tr '\n' ' ' <"$WRITES")"
xdotool key ctrl+alt+Down
sleep 0.2
xdotool key ctrl+alt+Down
wait_write 0 45 || fail "Ctrl+Alt+Down twice did not step 55 to 45; writes: $(tr '\n' ' ' <"$WRITES")"
# The program still answers after the presses.
[ "$(ctl visible)" = "0" ] || fail "the settings window does not answer or was shown by a press"

# --- the hotkeys page in three languages ----------------------------------------------------------
wait_digits start || fail "no white digits in the notification area ($SHOTS/start.png)"
locate_icon start || fail "the white pixels of the tray do not fit one icon ($SHOTS/start.png)"
open_menu
choose '^Settings$'
for _ in $(seq 1 30); do
  [ "$(ctl visible)" = "1" ] && break
  sleep 0.1
done
[ "$(ctl visible)" = "1" ] || fail "the settings item did not show the settings window"
check_language() { # index shot tab-state-text
  ctl select Lang "$1" || fail "cannot choose language item $1"
  ctl page 3 || fail "cannot reach the hotkeys page"
  sleep 0.5
  local state
  state="$(ctl text HotkeyState1)"
  [ "$state" = "$3" ] || fail "the first row's state reads \"$state\", expected \"$3\""
  shoot "$2"
}
check_language 1 hotkeys-russian 'Действует'
check_language 2 hotkeys-ukrainian 'Діє'
check_language 3 hotkeys-english 'Active'
[ "$(ctl text HotkeyState3)" = "Shift+Win+F9: Active" ] ||
  fail "the glare row's state reads \"$(ctl text HotkeyState3)\""

# --- cleared in the window: the value is gone and the key does nothing ---------------------------
ctl click HotkeyClear1 || fail "cannot click the first row's clear button"
for _ in $(seq 1 50); do
  reg_value "$KEY" hotkey_up >/dev/null 2>&1 || break
  sleep 0.1
done
reg_value "$KEY" hotkey_up >/dev/null 2>&1 && fail "hotkey_up is still stored after clearing"
before="$(write_count)"
xdotool key ctrl+alt+Up
sleep 1
[ "$(write_count)" = "$before" ] || fail "a cleared Ctrl+Alt+Up still wrote: $(tr '\n' ' ' <"$WRITES")"
echo "screenshots in $SHOTS"
