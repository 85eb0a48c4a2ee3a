# Shared by the end-to-end checks: source it with the win64 build folder as $1. It prepares the
# build's e2e Wine prefix and a display, and stops everything it started when the check exits.
BUILD="$(cd "${1:?usage: $(basename "$0") <win64-build-dir>}" && pwd)"
source "$(dirname "${BASH_SOURCE[0]}")/../../scripts/lib/common.sh"

fail() {
  echo "FAIL: $*" >&2
  # The log as it stands now, when the program has been started.
  if [ -n "${PROGRAM_PID:-}" ]; then
    local now
    now="$(wine_tool logtext.exe 2>/dev/null)" && [ -n "$now" ] && LOG_TEXT="$now"
  fi
  [ -n "${LOG_TEXT:-}" ] && printf '%s\n' "--- debug log ---" "$LOG_TEXT" >&2
  exit 1
}

# The program under test: the build's own, or another copy of it (the release zip's) named by
# LUMIVANE_E2E_PROGRAM; the tools come from the build either way.
PROGRAM="${LUMIVANE_E2E_PROGRAM:-$BUILD/lumivane.exe}"
[ -f "$PROGRAM" ] || fail "$PROGRAM is not built"
# need_built FILE... : fails unless the build holds every one of them.
need_built() {
  local f
  for f in "$@"; do
    [ -f "$BUILD/$f" ] || fail "$BUILD/$f is not built"
  done
}
need_built logtext.exe sendmsg.exe findwin.exe trayforget.exe

wine_env "$BUILD/e2e"
PROGRAM_PID=""
SECOND_PID=""
WORK="$(mktemp -d)"
cleanup() {
  [ -n "$SECOND_PID" ] && kill "$SECOND_PID" 2>/dev/null
  [ -n "$PROGRAM_PID" ] && kill "$PROGRAM_PID" 2>/dev/null
  stop_wine
  stop_xvfb
  rm -rf "$WORK"
}
trap cleanup EXIT
start_xvfb

# A copy started directly shares the desktop too.
use_desktop shell
[ -z "$(program_pids)" ] || fail "a copy of the program is already running in $WINEPREFIX"

# Starts the program in a desktop with a taskbar and waits for its start-up dump; LOG_TEXT := log.
start_program() {
  "$WINE64" explorer /desktop=shell,1024x768 "$(winpath "$PROGRAM")" >"$WORK/program.out" 2>&1 &
  PROGRAM_PID=$!
  wine_tool logtext.exe --wait "] Dump:" 30000 >/dev/null || {
    LOG_TEXT="$(wine_tool logtext.exe)"
    fail "no start-up dump within 30 s"
  }
  LOG_TEXT="$(wine_tool logtext.exe)"
}

# main_windows [--visible] : how many main windows of the program exist (or are visible). A run
# of logtext that printed no number never ran to its end (Wine could not start it), which says
# nothing of the program: it is started once more, and what Wine said goes to the output.
main_windows() {
  local out
  for _ in 1 2 3; do
    out="$(timeout 20 "$WINE64" "$BUILD/logtext.exe" "${1:---count}" 2>"$WORK/logtext.err" | tr -d '\r')"
    [[ "$out" =~ ^[0-9]+$ ]] && echo "$out" && return 0
    echo "logtext ${1:---count} printed no count: $(tr -d '\r' <"$WORK/logtext.err" | head -c 2000)" >&2
  done
  echo "none"
}

# Waits up to 10 s for every copy of the program to have ended by itself.
wait_program_end() {
  for _ in $(seq 1 100); do
    [ -z "$(program_pids)" ] && return 0
    sleep 0.1
  done
  return 1
}

# --- the tray icon, seen on the screen --------------------------------------------------------

# dark_taskbar : no theme and dark system colours, and white tray digits, so that they can be seen. The
# theme value holds only when written after wineboot has finished, so this waits for the prefix's
# processes first. The previous values come back when the check exits.
THEME_KEY='HKCU\Software\Microsoft\Windows\CurrentVersion\ThemeManager'
COLOR_KEY='HKCU\Control Panel\Colors'
SAVED_VALUES=()
reg_value() { # key name : prints the value's data, fails when there is none
  "$WINE64" reg query "$1" /v "$2" 2>/dev/null | tr -d '\r' |
    awk -v n="$2" '$1 == n && $2 ~ /^REG_/ { sub(/^[ \t]*[^ \t]+[ \t]+[^ \t]+[ \t]+/, ""); print; found = 1 } END { exit !found }'
}
set_dark() { # key name data
  local old
  if old="$(reg_value "$1" "$2")"; then SAVED_VALUES+=("$1|$2|set|$old"); else SAVED_VALUES+=("$1|$2|none|"); fi
  "$WINE64" reg add "$1" /v "$2" /d "$3" /f >/dev/null 2>&1
}
dark_taskbar() {
  "$WINESERVER" -w 2>/dev/null
  set_dark "$THEME_KEY" ThemeActive 0
  local name
  for name in ButtonFace Window Menu MenuBar; do set_dark "$COLOR_KEY" "$name" '32 32 32'; done
  # The checks look for white digits; the program's own default colour is orange.
  set_dark 'HKCU\Software\Lumivane' color FFFFFF
  "$WINESERVER" -w 2>/dev/null
  trap 'restore_taskbar; cleanup' EXIT
}
# The wheel starts on the first display, whatever an earlier check chose; restore_taskbar gives
# the choice back.
wheel_on_first_display() {
  local old
  if old="$(reg_value 'HKCU\Software\Lumivane' actmon)"; then
    SAVED_VALUES+=("HKCU\Software\Lumivane|actmon|set|$old")
  else
    SAVED_VALUES+=("HKCU\Software\Lumivane|actmon|none|")
  fi
  "$WINE64" reg delete 'HKCU\Software\Lumivane' /v actmon /f >/dev/null 2>&1
}
restore_taskbar() {
  local entry key name how data
  for entry in "${SAVED_VALUES[@]}"; do
    IFS='|' read -r key name how data <<<"$entry"
    if [ "$how" = set ]; then
      "$WINE64" reg add "$key" /v "$name" /d "$data" /f >/dev/null 2>&1
    else
      "$WINE64" reg delete "$key" /v "$name" /f >/dev/null 2>&1
    fi
  done
}

# The right end of the taskbar at 1024x768, below the tooltip that pointing at the icon opens.
TRAY=60x20+964+748
SHOTS="${SHOTS:-$WORK}"
shot() { import -window root "$SHOTS/$1.png" 2>/dev/null; }
# Pixels of the tray region of screenshot NAME near a colour.
pixels_like() { # name colour
  convert "$SHOTS/$1.png" -crop "$TRAY" +repage -fuzz 10% -fill black +opaque "$2" -fill white -opaque "$2" \
    -format '%[fx:round(mean*w*h)]' info: 2>/dev/null
}
# Waits up to 10 s until the tray region shows white digits; the last screenshot is NAME.
wait_digits() {
  for _ in $(seq 1 40); do
    digits_seen "$1" && return 0
    sleep 0.25
  done
  return 1
}
# locate_icon NAME : ICON_X, ICON_Y := the centre of the white pixels of the tray region, and
# ICON_GEOMETRY := the 16x16 icon around it; fails when they do not fit one icon.
locate_icon() {
  local w h x y
  read -r w h x y <<<"$(convert "$SHOTS/$1.png" -crop "$TRAY" +repage -fuzz 10% -fill black +opaque white \
    -fill white -opaque white -format '%@' info: 2>/dev/null | awk -F'[x+]' '{ print $1, $2, $3, $4 }')"
  [ -n "$w" ] && [ "$w" -le 24 ] && [ "$h" -le 24 ] || return 1
  ICON_X=$((964 + x + w / 2))
  ICON_Y=$((748 + y + h / 2))
  ICON_GEOMETRY="16x16+$((ICON_X - 8))+$((ICON_Y - 8))"
}
# digits_seen NAME : screenshot NAME shows white digits in the tray region.
digits_seen() {
  shot "$1"
  [ "$(pixels_like "$1" white)" -gt 8 ] 2>/dev/null
}
# Share of the pixels of a screen region (WxH+X+Y) of an image that have the application icon's
# orange.
orange_share() { # image region
  convert "$1" -crop "$2" +repage -fuzz 12% -fill black +opaque '#F5A623' -fill white -opaque '#F5A623' \
    -format '%[fx:mean]' info: 2>/dev/null
}
# app_icon_seen NAME : screenshot NAME shows the application icon at the right end of the taskbar.
app_icon_seen() {
  shot "$1"
  awk -v s="$(orange_share "$SHOTS/$1.png" 60x24+964+744)" 'BEGIN { exit !(s + 0 > 0.02) }'
}

# tray_glyphs NAME : the white pixels of the tray region of screenshot NAME, cut to the rows and
# columns that hold any, one row per line, '#' for white and '.' for the rest (iconref.exe's form).
tray_glyphs() {
  convert "$SHOTS/$1.png" -crop "$TRAY" +repage -fuzz 10% -fill black +opaque white -fill white -opaque white \
    -trim +repage -compress none pbm:- 2>/dev/null |
    awk 'NR == 1 { next } NR == 2 { w = $1; next }
      { for (i = 1; i <= NF; i++) { row = row ($i == "0" ? "#" : "."); if (length(row) == w) { print row; row = "" } } }'
}
# expect_digits NAME VALUE : the icon in screenshot NAME shows VALUE, pixel for pixel as the
# program's painter draws it at the height that fits the icon.
expect_digits() {
  local want got
  want="$(wine_tool iconref.exe "$2")" && [ -n "$want" ] || fail "iconref.exe drew nothing for $2"
  got="$(tray_glyphs "$1")"
  [ "$got" = "$want" ] || fail "the icon does not show $2 ($SHOTS/$1.png); its white pixels:
$got
$2 as drawn by the painter:
$want"
}

# restart_notification_area SEEN : the notification area drops the program's icon, as a restarted
# shell starts empty, then "TaskbarCreated" comes, which the program must answer with 1. SEEN NAME
# takes screenshot NAME and succeeds when it shows the icon: it must fail once the icon is dropped
# and hold again within 10 s of the message.
restart_notification_area() {
  local seen="$1"
  wine_tool trayforget.exe || fail "the notification area held no icon of the program"
  for _ in $(seq 1 20); do
    "$seen" tray-dropped || break
    sleep 0.25
  done
  "$seen" tray-dropped && fail "the icon stayed after the notification area dropped it ($SHOTS/tray-dropped.png)"
  [ "$(wine_tool sendmsg.exe taskbarcreated)" = "1" ] || fail "TaskbarCreated was not answered with 1"
  for _ in $(seq 1 40); do
    "$seen" tray-restarted && return 0
    sleep 0.25
  done
  fail "the icon did not come back after TaskbarCreated ($SHOTS/tray-restarted.png)"
}

# Pointer onto the icon, then a small move so that the shell reports it to the program.
point_at_icon() {
  xdotool mousemove "$ICON_X" "$((ICON_Y - 1))"
  sleep 0.2
  xdotool mousemove "$ICON_X" "$ICON_Y"
  sleep 0.3
}

# --- the tray menu (menuitems.exe reads it from its window) -------------------------------------
# Opens the menu with a right click and reads its items; MENU := the lines of menuitems.exe.
open_menu() {
  point_at_icon
  xdotool click 3
  MENU="$(wine_tool menuitems.exe 5000)"
  local rc=$?
  [ $rc = 0 ] || fail "no readable popup menu after a right click (menuitems exit $rc)"
}
# Clicks the menu item whose caption matches the pattern.
choose() {
  local rect
  rect="$(awk -F'\t' -v p="$1" '$2 ~ p { print $4; exit }' <<<"$MENU")"
  [ -n "$rect" ] || fail "no menu item like \"$1\" in: $MENU"
  IFS=, read -r l t r b <<<"$rect"
  xdotool mousemove "$(((l + r) / 2))" "$(((t + b) / 2))"
  sleep 0.2
  xdotool click 1
  wine_tool menuitems.exe 3000 --gone >/dev/null || fail "the menu stayed open after choosing \"$1\""
}

# --- the simulator's write record ---------------------------------------------------------------
# simulate_monitors LINES : these monitors (simulator file lines) for the program started next,
# with an empty write record in $WRITES.
simulate_monitors() {
  install_ddcsim || fail "cannot install the simulator"
  printf '%s\n' "$@" >"$WORK/monitors.ini"
  WRITES="$WORK/writes.log"
  : >"$WRITES"
  export LUMIVANE_DDCSIM_CONFIG="$(winpath "$WORK/monitors.ini")"
  export LUMIVANE_DDCSIM_LOG="$(winpath "$WRITES")"
}
# no_monitors : the simulator (which an earlier check may have left in this prefix) answers with
# no monitor, so the program has no device and shows its application icon.
no_monitors() { simulate_monitors '# no monitors'; }
last_write() { awk -v m="$1" '$1 == m { v = $2 } END { print v }' "$WRITES"; }
write_count() { wc -l <"$WRITES"; }
wait_write() { # monitor value : up to 4 s
  for _ in $(seq 1 40); do
    [ "$(last_write "$1")" = "$2" ] && return 0
    sleep 0.1
  done
  return 1
}
