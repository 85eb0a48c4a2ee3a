#!/usr/bin/env bash
# Start-up and single instance under Wine: the program starts hidden in a desktop with a taskbar,
# logs its start-up dump and shows its icon in the notification area, and shows it again after the
# notification area has dropped it and announced itself anew; a second copy refuses with
# the single-instance message box and ends while the first keeps running; the first copy then
# ends by itself after WM_ENDSESSION.
#   bash tests/e2e/startup.sh <win64-build-dir>
set -uo pipefail
source "$(dirname "${BASH_SOURCE[0]}")/e2e_common.bash" "$@"

no_monitors
start_program
grep -qE '^\[[^]]*[0-9]{2}[^]]*\] Dump:' <<<"$LOG_TEXT" || fail "the dump line does not start with [time]"
[ "$(main_windows)" = "1" ] || fail "expected one main window"

# The first timer pass shows the icon at the right end of the taskbar (the bottom 24 rows).
SHOTS="$BUILD/e2e/startup"
rm -rf "$SHOTS" && mkdir -p "$SHOTS"
shown=""
for _ in $(seq 1 30); do
  app_icon_seen start && { shown=1; break; }
  sleep 0.3
done
[ -n "$shown" ] || fail "no application icon in the notification area (screenshot $SHOTS/start.png)"
[ "$(main_windows --visible)" = "0" ] || fail "the main window is not hidden"
echo "tray icon seen; screenshot in $SHOTS/start.png"

# The shell restarts: its new notification area starts empty and the program puts its icon back.
restart_notification_area app_icon_seen

# A second copy: it probes the mutex for about a second, then shows the error box and ends.
"$WINE64" "$(winpath "$PROGRAM")" >"$WORK/second.out" 2>&1 &
SECOND_PID=$!
BOX="$(wine_tool findwin.exe Lumivane 30000 --class '#32770')" || fail "the second copy showed no message box"
grep -qx 'Only a single instance of this application can run!' <<<"$BOX" ||
  fail "unexpected message box text: $BOX"
[ "$(main_windows)" = "2" ] || fail "expected both main windows while the box is open"
kill -0 "$SECOND_PID" 2>/dev/null || fail "the second copy ended before its box was dismissed"
wine_tool findwin.exe Lumivane 5000 --class '#32770' --ok >/dev/null || fail "could not dismiss the box"
for _ in $(seq 1 100); do
  kill -0 "$SECOND_PID" 2>/dev/null || break
  sleep 0.1
done
kill -0 "$SECOND_PID" 2>/dev/null && fail "the second copy did not end after its box was dismissed"
wait "$SECOND_PID"
second_rc=$?
SECOND_PID=""
[ "$second_rc" = "0" ] || fail "the second copy ended with exit code $second_rc"
[ "$(main_windows)" = "1" ] || fail "the first copy's window is gone"
[ -n "$(program_pids)" ] || fail "the first copy is not running any more"
LOG_TEXT="$(wine_tool logtext.exe)"
[ "$(grep -c '] Dump:' <<<"$LOG_TEXT")" = "1" ] || fail "the first copy's log changed its start-up lines"

# End of session: the program leaves through its own exit path at the next timer pass.
wine_tool sendmsg.exe endsession >/dev/null || fail "sendmsg endsession failed"
wait_program_end || fail "the program did not end by itself after WM_ENDSESSION"
[ "$(main_windows)" = "0" ] || fail "a main window is left after the end"
echo "PASS: startup"
