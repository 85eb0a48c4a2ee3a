#!/usr/bin/env bash
# Main window's answer time during a rescan under Wine: four simulated monitors whose every DDC/CI
# exchange takes LATENCY_MS; once the program has started and settled, a display-change broadcast
# makes it rescan them, and tools/e2e/answertime.exe asks the main window WM_NULL
# (SendMessageTimeout) about every 10 ms all through it. Prints the slowest and the median
# answer, with and without a rescan in the same run, and how many answers took over 50 ms.
# The goal: every answer within 50 ms.
#   bash bench/rescan_answer.sh <win64-build-dir> [LATENCY_MS=200] [WATCH_MS=6000]
# Not part of scripts/test: it measures, it does not judge.
set -uo pipefail
LATENCY_MS="${2:-200}"
WATCH_MS="${3:-6000}"
source "$(dirname "${BASH_SOURCE[0]}")/../tests/e2e/e2e_common.bash" "$1"
need_built answertime.exe

monitor="monitor brightness=50 latency=$LATENCY_MS caps=(prot(monitor)type(lcd)model(SIM)vcp(10))"
simulate_monitors "$monitor" "$monitor" "$monitor" "$monitor"
start_program
# Start-up's own discovery is over with the dump; a rescan held back after it is over too.
sleep 3

watch() { # label [displaychange]
  wine_tool answertime.exe "$WATCH_MS" 10 "${@:2}" >"$WORK/$1.txt" || fail "answertime.exe failed ($1)"
  [ -s "$WORK/$1.txt" ] || fail "no answers ($1)"
}
watch idle
watch rescan displaychange

summary() { # label file
  awk '{ print $2 }' "$WORK/$2.txt" | sort -n | awk -v label="$1" '{ v[NR] = $1; if ($1 > 50) slow++ }
    END { med = (NR % 2) ? v[(NR + 1) / 2] : (v[NR / 2] + v[NR / 2 + 1]) / 2
      printf "%-28s %8d %10.1f %10.1f %10d\n", label, NR, med, v[NR], slow }'
}
echo "main window answers to WM_NULL, asked every 10 ms for $WATCH_MS ms; four monitors at $LATENCY_MS ms a call"
printf '%-28s %8s %10s %10s %10s\n' "" answers "median ms" "max ms" "over 50 ms"
summary "idle" idle
summary "through a rescan" rescan
echo "goal: max <= 50 ms through the rescan"
wine_tool sendmsg.exe endsession >/dev/null
wait_program_end
