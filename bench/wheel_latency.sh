#!/usr/bin/env bash
# Wheel to monitor under Wine: turns the wheel over the tray icon one notch at a time (down and up
# in turn, with a pause after each) and reports, from the DDC/CI simulator's write times, how long
# it takes from a notch until the simulated monitor holds the new value. The target is one write
# at the simulator's latency plus 30 ms: a notch runs its pass at once, not at the next tick.
#   bash bench/wheel_latency.sh <win64-build-dir> [NOTCHES=20] [LATENCY_MS=40]
# Not part of scripts/test: it measures, it does not judge.
set -uo pipefail
NOTCHES="${2:-20}"
LATENCY_MS="${3:-40}"
source "$(dirname "${BASH_SOURCE[0]}")/../tests/e2e/e2e_common.bash" "$1"

dark_taskbar
simulate_monitors "monitor brightness=50 min=0 max=100 latency=$LATENCY_MS" "monitor brightness=80"
start_program
wait_digits start || fail "no digits in the notification area ($SHOTS/start.png)"
locate_icon start || fail "the tray's white pixels do not fit one icon"
point_at_icon

# The notches come from inside Wine (tools/e2e/wheel.exe), stamped right before each is sent on
# the clock the simulator stamps its writes with; down and up in turn, so each one writes.
NOTCH_TIMES="$(wine_tool wheel.exe "$NOTCHES" 600)" || fail "wheel.exe failed"
sleep 1
[ "$(wc -l <<<"$NOTCH_TIMES")" = "$NOTCHES" ] || fail "wheel.exe sent $(wc -l <<<"$NOTCH_TIMES") of $NOTCHES notches"
[ "$(write_count)" = "$NOTCHES" ] || fail "$NOTCHES notches brought $(write_count) writes: $(tr '\n' ' ' <"$WRITES")"
awk 'NF < 3 { bad = 1 } END { exit bad }' "$WRITES" || fail "the simulator's record has no write times"
# Notch i goes with write i; each write must hold the value the notch asked for.
mapfile -t delays < <(paste -d' ' <(printf '%s\n' "$NOTCH_TIMES") "$WRITES" |
  awk -v start=50 '{ want = start + ($2 < 0 ? -5 : 5); start = want
    if ($4 != want) { print "mismatch", NR, $0 > "/dev/stderr"; exit 1 }
    printf "%.1f\n", ($5 - $1) * 1000 }')
[ "${#delays[@]}" = "$NOTCHES" ] || fail "the writes do not follow the notches: $(tr '\n' ' ' <"$WRITES")"

median() { sort -n | awk '{ v[NR] = $1 } END { print (NR % 2) ? v[(NR + 1) / 2] : (v[NR / 2] + v[NR / 2 + 1]) / 2 }'; }
sorted="$(printf '%s\n' "${delays[@]}" | sort -n)"
m="$(printf '%s\n' "${delays[@]}" | median)"
echo "notch sent -> monitor holds the value, ms: ${delays[*]}"
echo "notches:                 $NOTCHES"
echo "simulator write latency: $LATENCY_MS ms"
echo "median:                  $m ms"
echo "min / max:               $(head -1 <<<"$sorted") / $(tail -1 <<<"$sorted") ms"
echo "target:                  <= $((LATENCY_MS + 30)) ms (one write + 30 ms)"
awk -v m="$m" -v t="$((LATENCY_MS + 30))" 'BEGIN { print (m <= t) ? "within target" : "ABOVE target" }'
wine_tool sendmsg.exe endsession >/dev/null
wait_program_end
