#!/usr/bin/env bash
# Sleep and wake under Wine, judged from the DDC/CI simulator's write record: two monitors at 50
# (the active one) and 80, synchronisation off. The program is told the computer goes to sleep;
# the monitors then wake at 100 and refuse every DDC/CI call for six seconds (the simulator
# re-reads its monitor file). After the wake each gets its own value back, once it answers, and
# only once.
#   bash tests/e2e/sleep.sh <win64-build-dir>
set -uo pipefail
source "$(dirname "${BASH_SOURCE[0]}")/e2e_common.bash" "$@"
need_built dxva2.dll

simulate_monitors 'monitor brightness=50 min=0 max=100' 'monitor brightness=80 min=0 max=100'
# monitors LINE... : the simulator's monitor file replaced in one step, as it sees edits.
monitors() {
  printf '%s\n' "$@" >"$WORK/monitors.new"
  mv "$WORK/monitors.new" "$WORK/monitors.ini"
}
# Lines of the write record stamped at or after a time (Unix seconds).
writes_since() { awk -v t="$1" '$3 >= t { print $1, $2 }' "$WRITES"; }

start_program
[ "$(write_count)" = "0" ] || fail "the program wrote before going to sleep: $(cat "$WRITES")"
wine_tool sendmsg.exe suspend >/dev/null || fail "sendmsg suspend failed"
# Asleep: the monitors forget their brightness and do not answer when the computer wakes.
monitors 'monitor brightness=100 min=0 max=100 flags=fail_reads,fail_writes' \
  'monitor brightness=100 min=0 max=100 flags=fail_reads,fail_writes'
sleep 0.5
woke="$(date +%s.%N)"
wine_tool sendmsg.exe resume-automatic >/dev/null || fail "sendmsg resume-automatic failed"
wine_tool sendmsg.exe resume-suspend >/dev/null || fail "sendmsg resume-suspend failed"
# Long enough for rescans that find no monitor.
sleep 6
[ -z "$(writes_since "$woke")" ] || fail "writes while the monitors did not answer: $(writes_since "$woke")"
answering="$(date +%s.%N)"
monitors 'monitor brightness=100 min=0 max=100' 'monitor brightness=100 min=0 max=100'

for _ in $(seq 1 100); do
  [ "$(last_write 0)" = "50" ] && [ "$(last_write 1)" = "80" ] && break
  sleep 0.1
done
[ "$(last_write 0)" = "50" ] || fail "the active monitor did not get 50 back; writes since the wake: $(writes_since "$woke" | tr '\n' ',')"
[ "$(last_write 1)" = "80" ] || fail "the other monitor did not get 80 back; writes since the wake: $(writes_since "$woke" | tr '\n' ',')"
[ "$(writes_since "$answering" | sort)" = "$(printf '0 50\n1 80')" ] ||
  fail "expected one write of each value after the monitors answered, found: $(writes_since "$woke" | tr '\n' ',')"
[ "$(wine_tool sendmsg.exe null)" = "0" ] || fail "the main window does not answer after the wake"
# Nothing more comes: the values are not written again.
sleep 4
[ "$(writes_since "$woke" | wc -l)" = "2" ] || fail "more writes after the wake: $(writes_since "$woke" | tr '\n' ',')"
echo "PASS: sleep"
