#!/usr/bin/env bash
# Wheel to monitor under Wine: turns the wheel over the tray icon one notch at a time (down and up
# in turn, with a pause after each) and reports, from the DDC/CI simulator's write times, how long
# it takes from a notch until the simulated monitor holds the new value. The target is one timer
# pass (100 ms) plus one write at the simulator's latency.
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

now() { date +%s.%N; }
delays=()
for i in $(seq 1 "$NOTCHES"); do
  before="$(write_count)"
  button=5
  [ $((i % 2)) = 0 ] && button=4
  t="$(now)"
  xdotool click "$button"
  for _ in $(seq 1 200); do
    [ "$(write_count)" -gt "$before" ] && break
    sleep 0.01
  done
  [ "$(write_count)" -gt "$before" ] || fail "notch $i brought no write; writes: $(tr '\n' ' ' <"$WRITES")"
  written="$(sed -n "$((before + 1))p" "$WRITES" | awk '{ print $3 }')"
  [ -n "$written" ] || fail "the simulator's record has no write times"
  delays+=("$(awk -v a="$t" -v b="$written" 'BEGIN { printf "%.1f", (b - a) * 1000 }')")
  sleep 0.4
  [ "$(write_count)" = "$((before + 1))" ] || fail "notch $i brought more than one write"
  point_at_icon # keeps the hook's idea of the pointer fresh, as a user's hand would
done

sorted="$(printf '%s\n' "${delays[@]}" | sort -n)"
median="$(awk '{ v[NR] = $1 } END { print (NR % 2) ? v[(NR + 1) / 2] : (v[NR / 2] + v[NR / 2 + 1]) / 2 }' <<<"$sorted")"
echo "notch -> monitor holds the value, ms (each): ${delays[*]}"
echo "notches:                 $NOTCHES"
echo "simulator write latency: $LATENCY_MS ms"
echo "median:                  $median ms"
echo "min / max:               $(head -1 <<<"$sorted") / $(tail -1 <<<"$sorted") ms"
echo "target:                  <= $((100 + LATENCY_MS)) ms (one 100 ms timer pass + one write)"
awk -v m="$median" -v t="$((100 + LATENCY_MS))" 'BEGIN { print (m <= t) ? "within target" : "ABOVE target" }'
wine_tool sendmsg.exe endsession >/dev/null
wait_program_end
