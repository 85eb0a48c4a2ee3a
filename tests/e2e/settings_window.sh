#!/usr/bin/env bash
# The settings window under Wine, judged from outside: the tray menu's settings item shows it;
# its texts follow each of the three languages chosen in its language box (screenshots of the
# options page and the documentation page kept in the build folder, for a person to look at);
# every change made in a control is in the Wine registry at once (and the step and the lower
# limit move the simulated monitor accordingly): each check box (checked, then
# unchecked again, which deletes the value), the step and both limits, the font, the language,
# a colour and a per-program list typed in (cleared, which deletes them); the eye-dropper opens
# the colour dialog, which starts on the stored colour and gives it back when confirmed; its hint
# shows while the pointer rests on it.
#   bash tests/e2e/settings_window.sh <win64-build-dir>
set -uo pipefail
source "$(dirname "${BASH_SOURCE[0]}")/e2e_common.bash" "$@"
need_built dxva2.dll menuitems.exe settingsctl.exe
SHOTS="$BUILD/e2e/settings_window"
rm -rf "$SHOTS" && mkdir -p "$SHOTS"

KEY='HKCU\Software\Lumivane'
RUN_KEY='HKCU\Software\Microsoft\Windows\CurrentVersion\Run'
ctl() { wine_tool settingsctl.exe "$@"; }

# The white digits need a dark taskbar; the window's texts then need light colours to be read.
dark_taskbar
for name in ButtonText WindowText; do set_dark "$COLOR_KEY" "$name" '230 230 230'; done
"$WINESERVER" -w 2>/dev/null
# Nothing stored from an earlier run: every value checked below is the window's doing. Nothing
# stored by this run is left for the checks that follow in this prefix either.
forget_settings() {
  "$WINE64" reg delete "$KEY" /f >/dev/null 2>&1
  "$WINE64" reg delete "$RUN_KEY" /v Lumivane /f >/dev/null 2>&1
}
trap 'forget_settings; restore_taskbar; cleanup' EXIT
forget_settings
# The digits white again, as dark_taskbar left them.
"$WINE64" reg add "$KEY" /v color /d FFFFFF /f >/dev/null 2>&1
simulate_monitors \
  'monitor brightness=50 min=0 max=100 caps=(prot(monitor)type(lcd)model(SIM 24A)cmds(01 02 03)vcp(10 12))'

# The value's data as "TYPE DATA", or nothing when there is no such value.
stored() { # name [key]
  "$WINE64" reg query "${2:-$KEY}" /v "$1" 2>/dev/null | tr -d '\r' |
    awk -v n="$1" 'tolower($1) == tolower(n) && $2 ~ /^REG_/ { t = $2; sub(/^[ \t]*[^ \t]+[ \t]+[^ \t]+[ \t]*/, ""); print t, $0 }'
}
# Waits up to 10 s for the value to read "TYPE DATA" (or to be gone, for an empty expectation):
# on a loaded machine a click can take a few seconds to reach the registry.
expect_stored() { # name expected [key]
  local now=""
  for _ in $(seq 1 100); do
    now="$(stored "$1" "${3:-}")"
    [ "$now" = "$2" ] && return 0
    sleep 0.1
  done
  fail "registry value \"$1\": expected \"${2:-<none>}\", found \"${now:-<none>}\""
}
# The text of a string value, read from an export so that any character survives.
exported() { # name
  "$WINE64" reg export "$KEY" "$(winpath "$WORK/export.reg")" /y >/dev/null 2>&1 || return 1
  iconv -f UTF-16 -t UTF-8 "$WORK/export.reg" | tr -d '\r' |
    awk -v n="\"$1\"" 'index(tolower($0), tolower(n) "=\"") == 1 { sub(/^[^=]*="/, ""); sub(/"$/, ""); print }'
}
shoot() { # name: the whole screen, kept for a person to look at
  shot "$1" || fail "no screenshot $1"
  echo "screenshot $SHOTS/$1.png"
}

# --- opened from the tray menu ------------------------------------------------------------------
start_program
wait_digits start || fail "no white digits in the notification area ($SHOTS/start.png)"
locate_icon start || fail "the white pixels of the tray do not fit one icon ($SHOTS/start.png)"
[ "$(ctl visible)" = "0" ] || fail "the settings window is shown before it was asked for"
open_menu
choose '^Settings$'
for _ in $(seq 1 30); do
  [ "$(ctl visible)" = "1" ] && break
  sleep 0.1
done
[ "$(ctl visible)" = "1" ] || fail "the settings item did not show the settings window"
sleep 0.5

# --- the three languages ---------------------------------------------------------------------------
# Lang items: 0 System (auto), 1 Русский, 2 Українська, 3 English. Each choice is stored and
# rewrites the texts at once; the screenshots show the options page and the documentation page.
check_language() { # index stored-text shot SyncBox-caption FntColor-caption
  ctl select Lang "$1" || fail "cannot choose language item $1"
  [ "$(exported lang)" = "$2" ] || fail "lang: expected \"$2\", stored \"$(exported lang)\""
  [ "$(ctl text SyncBox)" = "$4" ] || fail "SyncBox shows \"$(ctl text SyncBox)\", not \"$4\""
  [ "$(ctl text FntColor)" = "$5" ] || fail "FntColor shows \"$(ctl text FntColor)\", not \"$5\""
  ctl page 0 && sleep 0.4 && shoot "$3-options"
  ctl page 1 && sleep 0.4 && shoot "$3-documentation"
  ctl page 0
}
check_language 1 'Русский' russian 'Синхронизировать яркость' 'Цвет индикатора'
check_language 2 'Українська' ukrainian 'Сінхроніровать яскравість' 'Колір індикатора'
check_language 3 'English' english 'Synchronize brightness' 'Indicator color'
for page in options documentation; do
  for pair in 'russian ukrainian' 'ukrainian english' 'russian english'; do
    set -- $pair
    [ "$(compare -metric AE "$SHOTS/$1-$page.png" "$SHOTS/$2-$page.png" null: 2>&1)" != "0" ] ||
      fail "the $page page looks the same in $1 and $2"
  done
done

# --- each control, in the registry at once ------------------------------------------------------
for box in SyncBox TrackBox DetectModelBox DetectResBox HideBox; do
  name="$(tr '[:upper:]' '[:lower:]' <<<"$box")"
  ctl click "$box" || fail "cannot click $box"
  [ "$(ctl checked "$box")" = "1" ] || fail "$box is not checked after a click"
  expect_stored "$name" "REG_SZ 1"
  ctl click "$box"
  expect_stored "$name" ""
done
ctl click AutoRunBox || fail "cannot click AutoRunBox"
run="$(stored Lumivane "$RUN_KEY")"
[[ "$run" == 'REG_SZ "'*'\lumivane.exe"' ]] || fail "Run value after AutoRunBox: \"$run\""
ctl click AutoRunBox
expect_stored Lumivane "" "$RUN_KEY"

ctl select stepval 2 # 10%
expect_stored step "REG_DWORD 0xa"
ctl select stepMin 6 # 30%
expect_stored vmin "REG_DWORD 0x1e"
# Both take effect at once: one notch moves the monitor by the new step, and the wheel stops at
# the new lower limit.
notch_down() {
  point_at_icon
  xdotool click 5
}
: >"$WRITES"
notch_down
wait_write 0 40 || fail "one notch after choosing 10% did not move 50 to 40; writes: $(tr '\n' ' ' <"$WRITES")"
for _ in 1 2 3; do
  notch_down
  sleep 0.3
done
wait_write 0 30 || fail "the wheel did not reach the new lower limit 30; writes: $(tr '\n' ' ' <"$WRITES")"
sleep 0.5
awk '$2 < 30' "$WRITES" | grep -q . && fail "the wheel went below the new lower limit 30: $(tr '\n' ' ' <"$WRITES")"
ctl select stepMax 16 # 80%
expect_stored vmax "REG_DWORD 0x50"
ctl select fontval 0
expect_stored font "REG_SZ Arial"
ctl select fontval 2
expect_stored font "REG_SZ Trebuchet MS"

ctl type color '00FF00' || fail "cannot type into the colour edit"
expect_stored color "REG_SZ 00FF00"
ctl type color ''
expect_stored color ""
ctl type color 'FF8000'
expect_stored color "REG_SZ FF8000"

ctl type Config 'game.exe=100\nvideo.exe=40' || fail "cannot type into the list"
expect_stored config "REG_SZ game.exe=100"
"$WINE64" reg query "$KEY" /v config 2>/dev/null | tr -d '\r' | grep -qx 'video.exe=40' ||
  fail "the list's second line is not stored: $("$WINE64" reg query "$KEY" /v config 2>/dev/null)"
ctl page 0 && sleep 0.4 && shoot changed
ctl type Config ''
expect_stored config ""

# --- the eye-dropper's hint, shown while the pointer rests on it ------------------------------------
read -r bx by <<<"$(ctl centre ColorButton)"
[ -n "${by:-}" ] || fail "the colour button has no place on the screen"
hinted=""
for dx in 0 1 2 3; do
  xdotool mousemove "$((bx - 4 + dx))" "$by"
  sleep 0.1
  xdotool mousemove "$((bx + dx))" "$by"
  wine_tool findwin.exe 'Indicator color' 1500 --class LumivaneHint >/dev/null && { hinted=1; break; }
done
[ -n "$hinted" ] || {
  shoot no-hint
  fail "no hint \"Indicator color\" while the pointer rests on the colour button ($SHOTS/no-hint.png)"
}
shoot hint
xdotool mousemove 10 10
wine_tool findwin.exe 'Indicator color' 3000 --class LumivaneHint --gone >/dev/null ||
  fail "the hint stayed after the pointer left"

# --- the colour dialog: opened by the eye-dropper, confirmed unchanged -----------------------------
ctl click ColorButton || fail "cannot click ColorButton"
wine_tool findwin.exe Color 5000 --class '#32770' >/dev/null || fail "the eye-dropper opened no colour dialog"
sleep 0.5
shoot color-dialog
wine_tool findwin.exe Color 3000 --class '#32770' --ok >/dev/null || fail "cannot confirm the colour dialog"
wine_tool findwin.exe Color 3000 --class '#32770' --gone >/dev/null || fail "the colour dialog stayed open"
expect_stored color "REG_SZ FF8000"
[ "$(ctl text color)" = "FF8000" ] || fail "the confirmed colour shows as \"$(ctl text color)\""

# --- closing only hides ----------------------------------------------------------------------------
[ "$(wine_tool sendmsg.exe close)" = "0" ] || fail "WM_CLOSE was not answered"
sleep 0.3
[ "$(ctl visible)" = "0" ] || fail "the close button did not hide the settings window"
[ -n "$(program_pids)" ] || fail "closing the settings window ended the program"

wine_tool sendmsg.exe endsession >/dev/null || fail "sendmsg endsession failed"
wait_program_end || fail "the program did not end after WM_ENDSESSION"
echo "screenshots in $SHOTS"
echo "PASS: settings_window"
