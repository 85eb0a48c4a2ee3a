#!/usr/bin/env bash
# Forged messages under Wine: another process sends and posts every top-level window of the
# program private and user messages (WM_APP + 0..31, WM_USER + 0..31) and system messages with
# bogus parameters, and broadcasts a few of them. The program keeps running, its windows keep
# answering, its icon stays in the notification area, and the timer pass still runs: the program
# still ends by itself at the next pass after WM_ENDSESSION.
#   bash tests/e2e/hostile.sh <win64-build-dir>
set -uo pipefail
source "$(dirname "${BASH_SOURCE[0]}")/e2e_common.bash" "$@"
[ -f "$BUILD/hostile.exe" ] || fail "$BUILD/hostile.exe is not built"

icon_shown() { # screenshot
  import -window root "$1" 2>/dev/null
  awk -v s="$(orange_share "$1" 60x24+964+744)" 'BEGIN { exit !(s + 0 > 0.02) }'
}

no_monitors
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
[ "$(wine_tool logtext.exe --count)" = "1" ] || fail "the main window is gone after the attack"
[ "$(wine_tool logtext.exe --visible)" = "0" ] || fail "the main window shows after the attack"
SHOT="$BUILD/e2e/hostile-screenshot.png"
shown=""
for _ in $(seq 1 10); do
  icon_shown "$SHOT" && { shown=1; break; }
  sleep 0.3
done
[ -n "$shown" ] || fail "the icon is gone after the attack (screenshot $SHOT)"
LOG_TEXT="$(wine_tool logtext.exe)"
[ "$(grep -c 'ERROR!' <<<"$LOG_TEXT")" = "$ERRORS_BEFORE" ] || fail "forged messages led to error lines"

# The exit path is driven by the timer: the program ends by itself only if the pass still runs.
wine_tool sendmsg.exe endsession >/dev/null || fail "sendmsg endsession failed"
wait_program_end || fail "the timer pass no longer runs: no end after WM_ENDSESSION"
echo "PASS: hostile"
