#!/usr/bin/env bash
# Start-up discovery of external monitors under Wine, with the DDC/CI simulator installed as the
# prefix's dxva2.dll: the start-up dump lists the monitors that answer, with their handle,
# brightness, range and display mode; a monitor that never answers a brightness read is logged
# and left out. Each monitor found is then made the active one from the tray menu and turned with
# the wheel: the simulator records a write to it, and none to the one left out. The program is
# then ended through its session-end path.
#   bash tests/e2e/discovery.sh <win64-build-dir>
set -uo pipefail
source "$(dirname "${BASH_SOURCE[0]}")/e2e_common.bash" "$@"
need_built dxva2.dll menuitems.exe
SHOTS="$BUILD/e2e/discovery"
rm -rf "$SHOTS" && mkdir -p "$SHOTS"
dark_taskbar
# The monitors chosen below are stored; the choice from before comes back at exit, so that the
# checks after this one start where they expect.
wheel_on_first_display

# Wine 8 loads a system32 dxva2.dll of ours even without an override (checked); dxva2=n makes it
# explicit. Later checks in this prefix get the simulator too.
install_ddcsim || fail "cannot install the simulator"
cp "$ROOT/tests/data/ddcsim/discovery.ini" "$WORK/monitors.ini"
export LUMIVANE_DDCSIM_CONFIG="$(winpath "$WORK/monitors.ini")"
WRITES="$WORK/writes.log"
: >"$WRITES"
export LUMIVANE_DDCSIM_LOG="$(winpath "$WRITES")"
start_program

# The fields of one record of the dump: the lines after its UID up to the next record, as
# "key=value".
record() {
  awk -v uid="$1" '
    length($1) == 40 && $1 ~ /^[0-9a-f]+$/ && NF == 1 { inside = ($1 == uid); next }
    inside { sub(/^[^a-z_]*/, ""); key = $1; value = ""; if (NF >= 3) value = $3; print key "=" value }
  ' <<<"$LOG_TEXT"
}
uid_of() { printf '%s' "$1" | sha1sum | cut -d' ' -f1; }
expect() { # record-fields key value what
  grep -qx "$2=$3" <<<"$1" || fail "$4: expected $2 = $3, found: $(grep "^$2=" <<<"$1" || echo none)"
}

# Wine has one monitor device, so physical monitor 0 gets its plug-and-play name and physical
# monitor 1 an empty one (the UID of empty text); physical monitor 2 never answers a read.
FIRST="$(record "$(uid_of 'DISPLAY\Default_Monitor\0000&0000')")"
SECOND="$(record "$(uid_of '')")"
[ -n "$FIRST" ] || fail "no record for DISPLAY\Default_Monitor\0000&0000"
[ -n "$SECOND" ] || fail "no record for the second monitor (empty plug-and-play name)"
for key in monid brightness min max min_orig max_orig width height hz; do
  grep -q "^$key=." <<<"$FIRST" || fail "monitor 0 has no \"$key\""
  grep -q "^$key=." <<<"$SECOND" || fail "monitor 1 has no \"$key\""
done
expect "$FIRST" brightness 60 "monitor 0"
expect "$FIRST" min 0 "monitor 0"
expect "$FIRST" max 100 "monitor 0"
expect "$FIRST" active true "monitor 0"
expect "$FIRST" width 1024 "monitor 0"
expect "$FIRST" height 768 "monitor 0"
expect "$SECOND" brightness 35 "monitor 1 (answers on the retry)"
expect "$SECOND" min_orig 5 "monitor 1"
expect "$SECOND" max_orig 90 "monitor 1"
[ "$(grep '^monid=' <<<"$FIRST")" != "$(grep '^monid=' <<<"$SECOND")" ] || fail "two monitors share one handle"
grep -q '^monid=0$' <<<"$FIRST$SECOND" && fail "a monitor reached over DDC/CI has no handle"
[ "$(grep -cE '^[0-9a-f]{40}$' <<<"$LOG_TEXT")" = "2" ] || fail "expected exactly two records"
grep -q 'ERROR! Error retrieving current brightness from physmon 0/2: ' <<<"$LOG_TEXT" ||
  fail "the monitor that never answers is not logged"
grep -q 'physmon 0/1' <<<"$LOG_TEXT" && fail "monitor 1 answered its retry but was logged as failing"

# A write through each monitor found: choose it in the menu, then one wheel notch down.
wait_digits start || fail "no digits in the notification area ($SHOTS/start.png)"
locate_icon start || fail "the white pixels of the tray do not fit one icon ($SHOTS/start.png)"
for entry in '0 1 60' '1 2 35'; do
  read -r monitor item from <<<"$entry"
  open_menu
  choose "^$item\\. "
  sleep 0.5
  wait_digits "chosen-$item" || fail "no digits after choosing item $item"
  point_at_icon
  xdotool click 5
  for _ in $(seq 1 40); do
    [ -n "$(last_write "$monitor")" ] && break
    sleep 0.1
  done
  written="$(last_write "$monitor")"
  [ -n "$written" ] || fail "no write reached monitor $monitor (menu item $item); writes: $(tr '\n' ' ' <"$WRITES")"
  [ "$written" -lt "$from" ] || fail "a notch down took monitor $monitor from $from to $written"
done
[ -z "$(last_write 2)" ] || fail "the monitor that was left out got a write: $(cat "$WRITES")"

# End the session: the program leaves through its exit path at the next timer pass.
wine_tool sendmsg.exe endsession >/dev/null || fail "sendmsg endsession failed"
for _ in $(seq 1 50); do
  [ "$(main_windows)" = "0" ] && break
  sleep 0.2
done
[ "$(main_windows)" = "0" ] || fail "the program did not end after WM_ENDSESSION"
echo "PASS: discovery"
