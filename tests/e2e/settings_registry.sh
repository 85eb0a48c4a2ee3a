#!/usr/bin/env bash
# Settings in the Wine registry, judged from outside: values written under HKCU\Software\Lumivane
# before start, the simulated monitors' write record and `wine reg query` afterwards.
#  - Hostile values (a string "step" and "vmin", a 1 MB "config", the colour "XYZ", "step" 0 and
#    -5): the program runs, its icon is there, a wheel notch moves by the default 5, "vmin" is
#    deleted and the other values stay as stored.
#  - "step" 10 moves the monitor by 10 per notch, "vmin" 30 stops the wheel at 30, the rule
#    "game.exe=100" sets 100 while game.exe is in front and the old value when it has gone.
#  - The monitor chosen in the menu is stored as "actmon" and is still the active one, with the
#    same settings, after the program has ended and started again.
#   bash tests/e2e/settings_registry.sh <win64-build-dir>
set -uo pipefail
source "$(dirname "${BASH_SOURCE[0]}")/e2e_common.bash" "$@"
need_built dxva2.dll menuitems.exe game.exe
SHOTS="$BUILD/e2e/settings_registry"
rm -rf "$SHOTS" && mkdir -p "$SHOTS"

KEY='HKCU\Software\Lumivane'
clear_settings() { "$WINE64" reg delete "$KEY" /f >/dev/null 2>&1; }
put() { # name type data
  "$WINE64" reg add "$KEY" /v "$1" /t "$2" /d "$3" /f >/dev/null 2>&1 || fail "reg add $1 $2 $3"
}
stored() { reg_value "$KEY" "$1"; }
stored_type() {
  "$WINE64" reg query "$KEY" /v "$1" 2>/dev/null | tr -d '\r' |
    awk -v n="$1" '$1 == n && $2 ~ /^REG_/ { print $2; found = 1 } END { exit !found }'
}
expect_stored() { # name type data
  local type data
  type="$(stored_type "$1")" || fail "\"$1\" is not in the registry"
  data="$(stored "$1")"
  [ "$type $data" = "$2 $3" ] || fail "\"$1\": expected $2 $3, the registry holds $type $data"
}

dark_taskbar
trap 'clear_settings; restore_taskbar; cleanup' EXIT
simulate_monitors \
  'monitor brightness=50 min=0 max=100 caps=(prot(monitor)type(lcd)model(SIM 24A)vcp(10))' \
  'monitor brightness=80 min=0 max=100 caps=(prot(monitor)type(lcd)model(SIM 27B)vcp(10))'
# The devices' UIDs: SHA-1 of the plug-and-play names Wine gives the simulated monitors.
uid_of() { printf '%s' "$1" | sha1sum | cut -d' ' -f1; }
FIRST_UID="$(uid_of 'DISPLAY\Default_Monitor\0000&0000')"
SECOND_UID="$(uid_of '')"

# The program's log as it is now, for a failure's message.
fail_now() {
  LOG_TEXT="$(wine_tool logtext.exe | grep -v '^ ')"
  fail "$@"
}
# The simulator replays its write record when a program loads it: an empty record starts the
# monitors from the file again.
start_fresh() {
  : >"$WRITES"
  start_program
}
# One wheel notch down over the icon; the write record holds only what it caused.
notch() {
  : >"$WRITES"
  point_at_icon
  xdotool click 5
}
end_program() {
  wine_tool sendmsg.exe endsession >/dev/null || fail "sendmsg endsession failed"
  wait_program_end || fail "the program did not end after WM_ENDSESSION"
}
running() {
  local windows
  windows="$(main_windows)"
  [ "$windows" = "1" ] || fail "$1: expected the program's one main window, found $windows"
}
# Black pixels of the icon's square in screenshot NAME.
black_in_icon() {
  convert "$SHOTS/$1.png" -crop "$ICON_GEOMETRY" +repage -fuzz 8% -fill white +opaque black -negate \
    -format '%[fx:round(mean*w*h)]' info: 2>/dev/null
}

# --- "step" 0 and -5: no dead or reversed wheel, the default step of 5 -----------------------
for bad in 0 0xFFFFFFFB; do
  clear_settings
  put step REG_DWORD "$bad"
  put color REG_SZ FFFFFF
  start_fresh
  wait_digits "step-$bad" || fail "step $bad: no white digits ($SHOTS/step-$bad.png)"
  locate_icon "step-$bad" || fail "step $bad: the white pixels do not fit one icon"
  running "step $bad"
  notch
  wait_write 0 45 || fail_now "step $bad: one notch from 50 did not write 45; writes: $(tr '\n' ' ' <"$WRITES")"
  sleep 0.5
  [ "$(write_count)" = "1" ] || fail "step $bad: one notch wrote more than once: $(tr '\n' ' ' <"$WRITES")"
  expect_stored step REG_DWORD "$(printf '0x%x' "$bad")"
  end_program
done
echo "step 0 and -5: one notch moves by 5"

# --- values of the wrong type, a huge list, a colour that is no colour ----------------------
clear_settings
put step REG_SZ 10
put vmin REG_SZ 30
put color REG_SZ XYZ
BIG="$WORK/config.reg"
{
  printf 'REGEDIT4\r\n\r\n[HKEY_CURRENT_USER\\Software\\Lumivane]\r\n"config"="'
  head -c 1048576 /dev/zero | tr '\0' 'x'
  printf '"\r\n'
} >"$BIG"
"$WINE64" reg import "$(winpath "$BIG")" >/dev/null 2>&1 || fail "could not import the 1 MB list"
start_fresh
running "hostile values"
for _ in $(seq 1 20); do
  shot hostile-running
  [ "$(black_in_icon hostile-running)" -gt 8 ] 2>/dev/null && break
  sleep 0.25
done
notch
wait_write 0 45 || fail_now "a string \"step\" is not the default step 5; writes: $(tr '\n' ' ' <"$WRITES")"
stored_type vmin >/dev/null && fail "\"vmin\" stored as a string was not deleted: $(stored_type vmin) $(stored vmin)"
expect_stored step REG_SZ 10
expect_stored color REG_SZ XYZ
[ "$(stored config | awk '{ print length($0) }')" = "1048576" ] || fail "the 1 MB list did not stay as stored"
running "hostile values"
end_program
shot hostile-ended
# "XYZ" draws black digits: black in the icon's square while the program ran, not after it.
[ "$(black_in_icon hostile-running)" -gt "$(($(black_in_icon hostile-ended) + 8))" ] 2>/dev/null ||
  fail "no black digits for the colour \"XYZ\" ($SHOTS/hostile-running.png, $SHOTS/hostile-ended.png)"
echo "wrong types, a 1 MB list and \"XYZ\": running, defaults in force, \"vmin\" deleted"

# --- step 10, lower limit 30, a rule for game.exe ----------------------------------------------
clear_settings
put step REG_DWORD 10
put vmin REG_DWORD 30
put config REG_SZ 'game.exe=100'
put color REG_SZ FFFFFF
start_fresh
wait_digits limits || fail "no white digits with step 10 ($SHOTS/limits.png)"
notch
wait_write 0 40 || fail_now "one notch with step 10 did not move 50 to 40; writes: $(tr '\n' ' ' <"$WRITES")"
sleep 0.5
[ "$(write_count)" = "1" ] || fail "one notch wrote more than once: $(tr '\n' ' ' <"$WRITES")"
notch
for _ in 1 2; do
  sleep 0.3
  xdotool click 5
done
wait_write 0 30 || fail_now "the wheel did not reach the lower limit 30; writes: $(tr '\n' ' ' <"$WRITES")"
sleep 1
awk '$2 < 30' "$WRITES" | grep -q . && fail "the wheel went below 30: $(tr '\n' ' ' <"$WRITES")"
[ "$(last_write 0)" = "30" ] || fail "the monitor did not stay at 30: $(tr '\n' ' ' <"$WRITES")"

: >"$WRITES"
"$WINE64" "$(winpath "$BUILD/game.exe")" 5000 >"$WORK/game.out" 2>/dev/null &
GAME=$!
wait_write 0 100 || fail_now "game.exe in front did not set 100; writes: $(tr '\n' ' ' <"$WRITES")"
wait "$GAME" || fail "game.exe never came to the front ($(cat "$WORK/game.out"))"
wait_write 0 30 || fail_now "30 did not return when game.exe had gone; writes: $(tr '\n' ' ' <"$WRITES")"
[ "$(last_write 1)" = "" ] || fail "the rule wrote to the monitor that is not active"
echo "step 10, lower limit 30, game.exe=100 and back to 30"

# --- the active device and the settings across a restart --------------------------------------
expect_stored actmon REG_SZ "$FIRST_UID"
point_at_icon
xdotool click 3
MENU="$(wine_tool menuitems.exe 5000)" || fail "no readable popup menu after a right click"
rect="$(awk -F'\t' '$2 ~ /^2\. / { print $4; exit }' <<<"$MENU")"
[ -n "$rect" ] || fail "no second monitor in the menu: $MENU"
IFS=, read -r l t r b <<<"$rect"
xdotool mousemove "$(((l + r) / 2))" "$(((t + b) / 2))"
sleep 0.2
xdotool click 1
wine_tool menuitems.exe 3000 --gone >/dev/null || fail "the menu stayed open"
for _ in $(seq 1 20); do
  [ "$(stored actmon)" = "$SECOND_UID" ] && break
  sleep 0.1
done
expect_stored actmon REG_SZ "$SECOND_UID"
end_program
expect_stored actmon REG_SZ "$SECOND_UID"

start_program
wait_digits restarted || fail "no digits after the restart ($SHOTS/restarted.png)"
notch
wait_write 1 70 || fail_now "after the restart one notch did not move the second monitor from 80 to 70; writes: $(tr '\n' ' ' <"$WRITES")"
sleep 0.5
[ "$(last_write 0)" = "" ] || fail "after the restart the first monitor was written: $(tr '\n' ' ' <"$WRITES")"
expect_stored actmon REG_SZ "$SECOND_UID"
expect_stored step REG_DWORD 0xa
expect_stored vmin REG_DWORD 0x1e
expect_stored config REG_SZ 'game.exe=100'
end_program
echo "the second monitor, step 10 and the list survive a restart"
echo "screenshots in $SHOTS"
echo "PASS: settings_registry"
