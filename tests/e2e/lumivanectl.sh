#!/usr/bin/env bash
# lumivanectl against the real program and the DDC/CI simulator: exit codes when the program does
# not run and for bad usage; list, get, set, select and glare as the simulated monitors receive
# and report them; a display that does not exist.
#   bash tests/e2e/lumivanectl.sh <win64-build-dir>
set -uo pipefail
source "$(dirname "${BASH_SOURCE[0]}")/e2e_common.bash" "$@"
need_built lumivanectl.exe dxva2.dll hostile.exe

# ctl ARGS... : OUT := its standard output, ERR := its standard error, RC := its exit code.
# Every exit but 0 comes with a "lumivanectl:" line; without one the tool never ran to its end
# (Wine could not start it), which says nothing of the program: it is started once more.
ctl() {
  for _ in 1 2; do
    timeout 60 "$WINE64" "$BUILD/lumivanectl.exe" "$@" >"$WORK/ctl.out" 2>"$WORK/ctl.err"
    RC=$?
    OUT="$(tr -d '\r' <"$WORK/ctl.out")"
    ERR="$(grep -v ':fixme:\|:err:\|:warn:' "$WORK/ctl.err" | tr -d '\r')"
    [ "$RC" = 0 ] || grep -q '^lumivanectl: ' <<<"$ERR" && return 0
    echo "lumivanectl $* ended with $RC and no message of its own: $(tr -d '\r' <"$WORK/ctl.err" | head -c 2000)" >&2
  done
}

ctl --help
[ "$RC" = 0 ] && grep -q '^usage: lumivanectl' <<<"$OUT" || fail "--help: exit $RC, output: $OUT"
for bad in "" "brighter" "set 101" "set" "get 1 --wait"; do
  # shellcheck disable=SC2086
  ctl $bad
  [ "$RC" = 2 ] || fail "bad usage \"$bad\" exited $RC"
  grep -q '^usage: lumivanectl' <<<"$ERR" || fail "bad usage \"$bad\" printed no usage: $ERR"
done
ctl list
[ "$RC" = 3 ] || fail "list without the program exited $RC"
grep -q 'not running' <<<"$ERR" || fail "list without the program said: $ERR"

# select and set move the wheel to another display, which the program stores.
wheel_on_first_display
trap 'restore_taskbar; cleanup' EXIT
simulate_monitors 'monitor brightness=50 min=0 max=100 caps=(prot(monitor)type(lcd)model(SIM 24A)cmds(01 02 03)vcp(10 12))' \
  'monitor brightness=30 min=0 max=100 caps=(prot(monitor)type(lcd)model(SIM 27B)cmds(01 02 03)vcp(10 12))'
start_program

# wheel_on N : waits up to 2 s for list to mark display N as the one the wheel turns.
wheel_on() {
  for _ in $(seq 1 20); do
    ctl list
    awk -F'\t' -v n="$1" '$1 == n && $4 == "*" { found = 1 } END { exit !found }' <<<"$OUT" && return 0
    sleep 0.1
  done
  return 1
}
# An earlier run may have left the second display chosen in the registry.
ctl select 1
[ "$RC" = 0 ] || fail "select 1 exited $RC: $ERR"
wheel_on 1 || fail "select 1: $OUT"
before="$(write_count)"

ctl list
[ "$RC" = 0 ] || fail "list exited $RC: $ERR"
[ "$(wc -l <<<"$OUT")" = 2 ] || fail "list shows not two displays: $OUT"
awk -F'\t' 'NR == 1 && !($1 == 1 && $2 == 50 && $3 == "active" && $4 == "*") { exit 1 }
            NR == 2 && !($1 == 2 && $2 == 30 && $3 == "active" && $4 == "-") { exit 1 }' <<<"$OUT" ||
  fail "list: $OUT"
ctl list --json
grep -q '^{"number":1,"brightness":50,"active":true,"wheel":true,"caption":' <<<"$OUT" || fail "list --json: $OUT"

[ "$(write_count)" = "$before" ] || fail "list or select wrote to a monitor: $(cat "$WRITES")"
ctl set 70 --wait
[ "$RC" = 0 ] || fail "set 70 --wait exited $RC: $ERR"
[ "$(last_write 0)" = 70 ] || fail "set 70 did not reach the first monitor: $(cat "$WRITES")"
ctl get
[ "$RC" = 0 ] && [ "$OUT" = 70 ] || { e="$ERR"; ctl list; fail "get after set 70: exit $RC, $e; list: $OUT"; }
ctl set -20
[ "$RC" = 0 ] || { e="$ERR"; ctl list; fail "set -20 exited $RC: $e; list: $OUT"; }
wait_write 0 50 || fail "set -20 did not reach the first monitor: $(cat "$WRITES")"

ctl select 2
[ "$RC" = 0 ] || fail "select 2 exited $RC: $ERR"
wheel_on 2 || fail "select 2: $OUT"
ctl set 20 2 --wait
[ "$RC" = 0 ] || fail "set 20 2 --wait exited $RC: $ERR"
[ "$(last_write 1)" = 20 ] || fail "set 20 did not reach the second monitor: $(cat "$WRITES")"
ctl glare
[ "$RC" = 0 ] || fail "glare exited $RC"
wait_write 1 0 || fail "glare did not take the second monitor to its lower limit: $(cat "$WRITES")"
[ "$(last_write 0)" = 50 ] || fail "the first monitor moved: $(cat "$WRITES")"

before="$(write_count)"
for missing in "get 9" "set 40 9" "select 9"; do
  # shellcheck disable=SC2086
  ctl $missing
  [ "$RC" = 4 ] || fail "\"$missing\" exited $RC"
done
sleep 0.5
[ "$(write_count)" = "$before" ] || fail "a request for a missing display wrote: $(cat "$WRITES")"
wine_tool hostile.exe ping >/dev/null || fail "a window of the program no longer answers"
echo "PASS: lumivanectl"
