#!/usr/bin/env bash
# Idle cost and private memory under Wine: the program with two simulated monitors next to a
# minimal Win32 tray program (a window, a 100 ms timer, one icon) started the same way in the same
# run. First both sit idle: the CPU time each takes over IDLE_SECONDS (clock ticks of user + system
# time, from /proc) and then, with strace -c over STRACE_SECONDS, the read and write calls each
# makes (nearly all of them requests to the Wine server and their answers), per 100 ms timer pass.
# Then the wheel is turned NOTCHES times over the program's icon. Prints both programs' private
# memory after start-up, after the first half of the notches and after the second half, the
# difference between the two programs and the program's growth over the second half.
# Targets: idle CPU within one tick of the minimal program's, no growth; the RssAnon difference is
# reported against a goal of 2 MB. One tick is 10 ms: over 60 s two runs of the minimal program
# alone differ by a few ticks, so a longer IDLE_SECONDS tells a real difference from noise.
#   bash bench/memory.sh <win64-build-dir> [NOTCHES=1000] [IDLE_SECONDS=60] [STRACE_SECONDS=20]
# IDLE_SECONDS or STRACE_SECONDS of 0 leaves that measurement out.
# Not part of scripts/test: it measures, it does not judge.
set -uo pipefail
NOTCHES="${2:-1000}"
IDLE_SECONDS="${3:-60}"
STRACE_SECONDS="${4:-20}"
# Both programs are measured stripped, as users run them: Wine reads a PE image's debug sections
# into private memory as well, which would count megabytes of debug information as the program's.
SOURCE_BUILD="$(cd "${1:?usage: $(basename "$0") <win64-build-dir> [NOTCHES]}" && pwd)"
STRIPPED="$SOURCE_BUILD/memory-stripped"
mkdir -p "$STRIPPED"
cp "$SOURCE_BUILD"/*.exe "$SOURCE_BUILD"/*.dll "$STRIPPED"/
# The DDC/CI simulator stands in for the system's dxva2.dll inside the program's process: it is
# stripped too, or its debug information would be counted as the program's memory.
x86_64-w64-mingw32-strip "$STRIPPED/lumivane.exe" "$STRIPPED/minimaltray.exe" "$STRIPPED/dxva2.dll"
source "$(dirname "${BASH_SOURCE[0]}")/../tests/e2e/e2e_common.bash" "$STRIPPED"
need_built minimaltray.exe
MINIMAL_PID=""

dark_taskbar
trap '[ -n "$MINIMAL_PID" ] && kill "$MINIMAL_PID" 2>/dev/null; restore_taskbar; cleanup' EXIT
simulate_monitors "monitor brightness=50" "monitor brightness=80"

# The program first, alone in the tray, so that its white digits find the icon.
start_program
wait_digits start || fail "no digits in the notification area ($SHOTS/start.png)"
locate_icon start || fail "the tray's white pixels do not fit one icon"
PID="$(program_pids)"
[ "$(wc -w <<<"$PID")" = "1" ] || fail "expected one copy of the program, found: $PID"

"$WINE64" explorer /desktop=shell,1024x768 "$(winpath "$BUILD/minimaltray.exe")" >"$WORK/minimal.out" 2>&1 &
MINIMAL_PID=$!
MPID=""
for _ in $(seq 1 100); do
  for p in $(pgrep -f 'minimaltray\.exe'); do
    tr '\0' '\n' <"/proc/$p/environ" 2>/dev/null | grep -qx "WINEPREFIX=$WINEPREFIX" || continue
    grep -q explorer "/proc/$p/cmdline" && continue
    MPID="$p"
  done
  [ -n "$MPID" ] && break
  sleep 0.1
done
[ -n "$MPID" ] || fail "the minimal tray program did not start"
sleep 3
shot both
# Wine puts the new icon to the left: the program's digits stay where they were found.
convert "$SHOTS/both.png" -crop "$ICON_GEOMETRY" +repage "$SHOTS/both-icon.png"
convert "$SHOTS/start.png" -crop "$ICON_GEOMETRY" +repage "$SHOTS/start-icon.png"
[ "$(compare -metric AE "$SHOTS/start-icon.png" "$SHOTS/both-icon.png" null: 2>&1)" = "0" ] ||
  fail "the program's icon moved when the minimal tray program's appeared ($SHOTS/both.png)"

# --- idle: CPU ticks and Wine server calls, both programs over the same seconds ----------------
ticks() { awk '{ print $14 + $15 }' "/proc/$1/stat"; } # user + system, in clock ticks
# Nanoseconds on the CPU of the process's threads that live now: exact, where ticks are rounded.
cpu_ns() { cat /proc/"$1"/task/*/schedstat 2>/dev/null | awk '{ s += $1 } END { printf "%.0f", s }'; }
if [ "$IDLE_SECONDS" -gt 0 ]; then
  p0="$(ticks "$PID")" m0="$(ticks "$MPID")" pn0="$(cpu_ns "$PID")" mn0="$(cpu_ns "$MPID")"
  sleep "$IDLE_SECONDS"
  p1="$(ticks "$PID")" m1="$(ticks "$MPID")" pn1="$(cpu_ns "$PID")" mn1="$(cpu_ns "$MPID")"
  IDLE_ROW="$(printf 'idle CPU over %s s (ticks of 1/%s s): program %s, minimal %s, difference %s' \
    "$IDLE_SECONDS" "$(getconf CLK_TCK)" $((p1 - p0)) $((m1 - m0)) $((p1 - p0 - (m1 - m0))))"
  IDLE_ROW+="$(awk -v p=$((pn1 - pn0)) -v m=$((mn1 - mn0)) -v s="$IDLE_SECONDS" 'BEGIN {
    printf "\n  on the CPU: program %.1f ms, minimal %.1f ms, difference %.1f ms (%.2f ticks a minute)",
      p / 1e6, m / 1e6, (p - m) / 1e6, (p - m) / 1e7 * 60 / s }')"
fi
# strace -c's summary: the calls column of the read and write rows.
calls() { # summary-file syscall
  awk -v name="$2" '$NF == name && $4 ~ /^[0-9]+$/ { print $4; found = 1 } END { if (!found) print 0 }' "$1"
}
if [ "$STRACE_SECONDS" -gt 0 ]; then
  command -v strace >/dev/null || apt_need strace
  timeout -s INT "$STRACE_SECONDS" strace -c -f -p "$PID" -o "$WORK/strace-program.txt" 2>/dev/null &
  tracer1=$!
  timeout -s INT "$STRACE_SECONDS" strace -c -f -p "$MPID" -o "$WORK/strace-minimal.txt" 2>/dev/null &
  tracer2=$!
  wait "$tracer1" "$tracer2"
  passes=$((STRACE_SECONDS * 10))
  per_pass() { awk -v n="$1" -v p="$passes" 'BEGIN { printf "%.2f", n / p }'; }
  STRACE_ROWS=()
  for who in program minimal; do
    r="$(calls "$WORK/strace-$who.txt" read)" w="$(calls "$WORK/strace-$who.txt" write)"
    STRACE_ROWS+=("$(printf '%-8s read %6s (%s a pass)  write %6s (%s a pass)' "$who" "$r" "$(per_pass "$r")" \
      "$w" "$(per_pass "$w")")")
  done
fi

# Private memory in KiB: RssAnon (anonymous resident pages) and Private_Clean + Private_Dirty.
memory() { # pid
  local anon private
  anon="$(awk '/^RssAnon:/ { print $2 }' "/proc/$1/status")"
  private="$(awk '/^Private_(Clean|Dirty):/ { s += $2 } END { print s }' "/proc/$1/smaps_rollup")"
  echo "$anon $private"
}
declare -A MEM
measure() { # label
  MEM[$1 - program]="$(memory "$PID")"
  MEM[$1 - minimal]="$(memory "$MPID")"
}

# Notches in runs of ten down and ten up, so that every one changes the brightness (50..0..50).
turn() { # notches
  local done=0 button=5
  while [ "$done" -lt "$1" ]; do
    point_at_icon
    xdotool click --repeat 10 --delay 40 "$button"
    done=$((done + 10))
    [ "$button" = 5 ] && button=4 || button=5
  done
  sleep 1
}

measure start
half=$((NOTCHES / 2))
turn "$half"
measure first
writes_first="$(write_count)"
turn "$((NOTCHES - half))"
measure last
writes_last="$(write_count)"
kill -0 "$PID" 2>/dev/null || fail "the program ended during the run"

mb() { awk -v k="$1" 'BEGIN { printf "%.2f MB", k / 1024 }'; }
row() { # label
  read -r pa pp <<<"${MEM[$1 - program]}"
  read -r ma mp <<<"${MEM[$1 - minimal]}"
  printf '%-22s program %-10s %-10s  minimal %-10s %-10s  difference %-10s %s\n' "$1" "$(mb "$pa")" "$(mb "$pp")" \
    "$(mb "$ma")" "$(mb "$mp")" "$(mb $((pa - ma)))" "$(mb $((pp - mp)))"
}
[ -n "${IDLE_ROW:-}" ] && echo "$IDLE_ROW"
if [ -n "${STRACE_ROWS+x}" ]; then
  echo "calls over $STRACE_SECONDS idle seconds (strace -c -f; $((STRACE_SECONDS * 10)) passes of 100 ms):"
  printf '  %s\n' "${STRACE_ROWS[@]}"
fi
echo "private memory (RssAnon, Private_Clean+Private_Dirty) under Wine"
row start
row first
row last
read -r fa fp <<<"${MEM[first - program]}"
read -r la lp <<<"${MEM[last - program]}"
echo "notches: $NOTCHES; simulator writes: $writes_first after the first $half, $writes_last in all"
echo "growth over the last $((NOTCHES - half)) notches: RssAnon $(mb $((la - fa))), private $(mb $((lp - fp)))"
echo "targets: idle CPU within 1 tick of the minimal program's (over 60 s); RssAnon difference: goal 2 MB (anonymous memory, the private bytes Windows counts; the second figure adds pages of files only this process maps, its own image among them), no growth"
wine_tool sendmsg.exe endsession >/dev/null
wait_program_end
