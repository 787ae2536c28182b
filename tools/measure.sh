#!/usr/bin/env bash
# Measures Quorvane.exe under Wine on a virtual display and prints the
# figures of docs/performance.md: processor time during waits, stop latency
# and wait overrun, click rate beside the bare input calls, start-up time
# beside an empty window, and the size and imports of the program.
#   QV_DISPLAY, QV_PREFIX      X display and Wine prefix (tools/lib/wine-env.sh)
#   MEASURE_BUILD_DIR          the runnable build (default build/<preset>)
#   MEASURE_WIN32_BUILD_DIR    the 32-bit build, measured for size only (default build/win32)
#   MEASURE_SECONDS            length of the CPU and click-rate samples (default 10 and 5)
set -uo pipefail
cd "$(dirname "$0")/.."
ROOT=$PWD
TOOLS=$ROOT/tools
OUT=$ROOT/build/measure
mkdir -p "$OUT"

source tools/lib/wine-env.sh
preset=$(qv_runnable_preset)
BUILD=${MEASURE_BUILD_DIR:-$ROOT/build/$preset}
WIN32_BUILD=${MEASURE_WIN32_BUILD_DIR:-$ROOT/build/win32}
echo "building $preset in $BUILD"
{ cmake --preset "$preset" -B "$BUILD" && \
  cmake --build "$BUILD" -j "$(nproc)" --target Quorvane e2e_target e2e_probe e2e_clicker e2e_blank; } \
  > "$OUT/build.log" 2>&1 || { tail -30 "$OUT/build.log"; exit 1; }
echo "the figures are on this machine, with everything else it runs: $(nproc) cores, load $(cut -d' ' -f1-3 /proc/loadavg)"
QV_EXE=$BUILD/Quorvane.exe
TARGET_EXE=$BUILD/e2e/e2e_target.exe
PROBE_EXE=$BUILD/e2e/e2e_probe.exe
CLICKER_EXE=$BUILD/e2e/e2e_clicker.exe
BLANK_EXE=$BUILD/e2e/e2e_blank.exe

source tools/e2e/harness.sh
own_session

CPU_SECONDS=${MEASURE_SECONDS:-10}
RATE_SECONDS=$(( ${MEASURE_SECONDS:-10} / 2 ))
TICKS=$(getconf CLK_TCK)

# Processor ticks (user + system) a process has used so far.
cpu_ticks() { awk '{ print $14 + $15 }' "/proc/$1/stat"; }
# The wineserver of this prefix: it does the message work of every Wine process.
wineserver_pid() {
  local p
  for p in $(pgrep -f wineserver); do
    if tr '\0' '\n' < "/proc/$p/environ" 2>/dev/null | grep -qx "WINEPREFIX=$WINEPREFIX"; then
      echo "$p"
      return
    fi
  done
}
percent() { awk -v t="$1" -v hz="$TICKS" -v s="$2" 'BEGIN { printf "%.1f", t / hz / s * 100 }'; }
median() { sort -n | awk '{ v[NR] = $1 } END { print (NR % 2) ? v[(NR + 1) / 2] : (v[NR / 2] + v[NR / 2 + 1]) / 2 }'; }

echo
echo "## Processor time"
start_program cpu >/dev/null
server=$(wineserver_pid)
sample_cpu() {
  local p0 s0 p1 s1
  p0=$(cpu_ticks "$QV_PID"); s0=$(cpu_ticks "$server")
  sleep "$CPU_SECONDS"
  p1=$(cpu_ticks "$QV_PID"); s1=$(cpu_ticks "$server")
  echo "$(percent $((p1 - p0)) "$CPU_SECONDS")% program, $(percent $((s1 - s0)) "$CPU_SECONDS")% wineserver"
}
echo "idle, ${CPU_SECONDS} s:                $(sample_cpu)"
set_script 'T|600000' >/dev/null
press_f11
probe wait-log "代码运行中..." 5000 >/dev/null
sleep 0.5
echo "inside a wait, ${CPU_SECONDS} s:       $(sample_cpu)"
stop_program

echo
echo "## Stop latency inside a 60 s wait (F11 pressed to \"代码运行完毕！\" in the log box)"
latencies=()
for i in 1 2 3 4 5; do
  start_program "stop$i" >/dev/null
  set_script $'M|200|100|0\r\nT|60000' >/dev/null
  press_f11
  wait_target 'LUP 200 100 ' 1 5000
  sleep 0.3
  start_watch "$OUT/stop.watch" watch-log "代码运行完毕！" 5000
  probe focus target >/dev/null 2>&1 || true
  pressed=$(ms_now)
  xdotool key F11
  wait "$WATCHER" && latencies+=($(( $(tail -1 "$OUT/stop.watch") - pressed ))) || latencies+=(timeout)
  stop_program
done
echo "five stops: ${latencies[*]} ms; median $(printf '%s\n' "${latencies[@]}" | median) ms"

echo
echo "## How far past its length a 1000 ms wait ends (intervals between clicks of M, T|1000)"
start_program overrun >/dev/null
set_script $'M|200|100|0\r\nT|1000' >/dev/null
press_f11
wait_target 'LDOWN 200 100 ' 9 15000
press_f11
probe wait-log "代码运行完毕！" 5000 >/dev/null
grep ' LDOWN 200 100 ' "$TLOG" | head -9 | awk 'NR > 1 { d = $1 - p - 1000; s += d; if (d > m) m = d; n++ } { p = $1 }
  END { printf "8 waits: %.1f ms past 1000 on average, %.1f ms at most\n", s / n, m }'
stop_program

echo
echo "## Clicks per second: a delay-free script (M|200|100|0) beside the bare calls"
count_clicks() { grep -cE ' (LDOWN|LDBL) ' "$TLOG"; }
settle() {
  local before=-1 after
  for _ in $(seq 40); do
    after=$(count_clicks)
    [ "$after" -eq "$before" ] && break
    before=$after
    sleep 0.5
  done
  echo "$after"
}
start_program rate >/dev/null
set_script 'M|200|100|0' >/dev/null
press_f11
began=$(ms_now)
sleep "$RATE_SECONDS"
press_f11
ended=$(ms_now)
probe wait-log "代码运行完毕！" 5000 >/dev/null
program_clicks=$(settle)
stop_program
program_rate=$(awk -v n="$program_clicks" -v ms=$((ended - began)) 'BEGIN { printf "%.0f", n * 1000 / ms }')
TLOG=$OUT/clicker.target.log
: > "$TLOG"
"$TOOLS/wine" "$TARGET_EXE" "$(winpath "$TLOG")" >/dev/null 2>&1 &
TARGET_PID=$!
wait_target READY 1 20000
sent=$("$TOOLS/wine" "$CLICKER_EXE" 200 100 $((RATE_SECONDS * 1000)) | tr -d '\r')
clicker_clicks=$(settle)
stop_program
clicker_rate=$(awk -v n="$clicker_clicks" -v s="$RATE_SECONDS" 'BEGIN { printf "%.0f", n / s }')
echo "Quorvane.exe: $program_clicks clicks in $((ended - began)) ms = $program_rate a second"
echo "bare calls:   $clicker_clicks clicks in $((RATE_SECONDS * 1000)) ms = $clicker_rate a second ($sent sent)"
echo "ratio: $(awk -v a="$program_rate" -v b="$clicker_rate" 'BEGIN { printf "%.2f", a / b }')"

echo
echo "## Start-up to a visible main window, beside an empty window (median of 3)"
startup() {
  local exe=$1 class=$2 t0 seen
  start_watch "$OUT/start.watch" watch-window 30000 "$class"
  t0=$(ms_now)
  (cd "$(dirname "$exe")" && exec "$TOOLS/wine" "$exe") >/dev/null 2>&1 &
  local pid=$!
  wait "$WATCHER"
  seen=$(tail -1 "$OUT/start.watch")
  echo $((seen - t0))
  if [ "$class" = QuorvaneMain ]; then QV_PID=$pid; stop_program; else wait "$pid"; fi
}
qv_times=(); blank_times=()
for _ in 1 2 3; do
  qv_times+=($(startup "$QV_EXE" QuorvaneMain))
  blank_times+=($(startup "$BLANK_EXE" QvE2EBlank))
done
qv_start=$(printf '%s\n' "${qv_times[@]}" | median)
blank_start=$(printf '%s\n' "${blank_times[@]}" | median)
echo "Quorvane.exe: ${qv_times[*]} ms (median $qv_start)"
echo "empty window: ${blank_times[*]} ms (median $blank_start)"
echo "ratio: $(awk -v a="$qv_start" -v b="$blank_start" 'BEGIN { printf "%.2f", a / b }')"

echo
echo "## Size and imported DLLs"
for exe in "$QV_EXE" "$WIN32_BUILD/Quorvane.exe"; do
  [ -f "$exe" ] || { echo "$exe: not built"; continue; }
  case $(file -b "$exe") in
    PE32+*) dump=x86_64-w64-mingw32-objdump ;;
    *) dump=i686-w64-mingw32-objdump ;;
  esac
  echo "$exe: $(stat -c %s "$exe") bytes; imports: $($dump -p "$exe" | awk '/DLL Name:/ { print $3 }' | sort | tr '\n' ' ')"
done
