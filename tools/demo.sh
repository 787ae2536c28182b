#!/usr/bin/env bash
# Shows Quorvane doing its job: installs what is missing, builds, starts
# Quorvane.exe under Wine on a virtual display beside a small target window,
# presses F11 to run the built-in script for two passes, presses F11 again to
# stop it, and prints what the target window received and what the program's
# log box says. A screenshot taken during the run goes to build/demo/demo.png.
#   QV_DISPLAY, QV_PREFIX   X display and Wine prefix (tools/lib/wine-env.sh)
#   DEMO_BUILD_DIR          build folder (default build/<preset>)
#   DEMO_WIN32_BUILD_DIR    folder of the 32-bit build (default build/win32)
set -euo pipefail
cd "$(dirname "$0")/.."
ROOT=$PWD
TOOLS=$ROOT/tools
OUT=$ROOT/build/demo
mkdir -p "$OUT"

step() { printf '\n== %s\n' "$*"; }

step "Checking the tools (tools/setup.sh)"
bash tools/setup.sh

source tools/lib/wine-env.sh
preset=$(qv_runnable_preset)
BUILD=${DEMO_BUILD_DIR:-$ROOT/build/$preset}
build() {
  local preset=$1 dir=$2
  shift 2
  if ! { cmake --preset "$preset" -B "$dir" && cmake --build "$dir" -j "$(nproc)" --target "$@"; } \
      > "$OUT/build-$preset.log" 2>&1; then
    tail -30 "$OUT/build-$preset.log"
    return 1
  fi
}
step "Building Quorvane.exe ($preset preset) in $BUILD"
build "$preset" "$BUILD" Quorvane e2e_target e2e_probe
QV_EXE=$BUILD/Quorvane.exe
TARGET_EXE=$BUILD/e2e/e2e_target.exe
PROBE_EXE=$BUILD/e2e/e2e_probe.exe
echo "   $QV_EXE ($(stat -c %s "$QV_EXE") bytes)"
if [ "$preset" = win64 ]; then
  # The shipped program is the 32-bit build; this machine runs only the
  # x86-64 one, so the 32-bit one is built to show it builds.
  WIN32_BUILD=${DEMO_WIN32_BUILD_DIR:-$ROOT/build/win32}
  if build win32 "$WIN32_BUILD" Quorvane; then
    echo "   $WIN32_BUILD/Quorvane.exe ($(stat -c %s "$WIN32_BUILD/Quorvane.exe") bytes, 32-bit, not run here)"
  else
    echo "   (the 32-bit build failed; see $OUT/build-win32.log)"
  fi
fi

source tools/e2e/harness.sh
step "Starting Quorvane.exe under Wine on display :$QV_DISPLAY (Chinese locale)"
own_session
start_program demo
read -r x y w h < <(probe rect)
echo "   main window: ${w} x ${h} at ${x}, ${y}; a target window covers the screen's left part"
echo "   the editor holds the built-in script; its statements:"
probe get-editor | tr -d '\r' | grep -E '^[MKT]\|' | sed 's/^/      /'
echo "   status bar: '$(probe pane 1)' | '$(probe pane 2)'"

step "Pressing F11: the script runs, and loops"
press_f11
probe wait-log "代码运行中..." 5000 >/dev/null || { echo "the run did not start"; exit 1; }
wait_target 'KEYUP 65$' 1 12000 || { echo "the first pass did not finish"; exit 1; }
import -window root "$OUT/demo.png" 2>/dev/null && echo "   screenshot during the run: $OUT/demo.png"
wait_target 'KEYUP 65$' 2 12000 || { echo "the second pass did not finish"; exit 1; }

step "Two passes done: pressing F11 again to stop"
press_f11
probe wait-log "代码运行完毕！" 5000 >/dev/null || { echo "the run did not stop"; exit 1; }
sleep 0.3

step "What the target window received (time from the first event)"
describe() {
  awk 'function at() { return "at (" $3 ", " $4 ")" }
       $2 == "READY" || ($2 ~ /KEY/ && $3 == 122) { next }
       { if (!t0) t0 = $1; printf "   %+7.0f ms  ", $1 - t0 }
       $2 == "LDOWN" { print "left button down   " at(); next }
       $2 == "LUP"   { print "left button up     " at(); next }
       $2 == "LDBL"  { print "left button down   " at() "  (second click: a double click)"; next }
       $2 == "RDOWN" { print "right button down  " at(); next }
       $2 == "RUP"   { print "right button up    " at(); next }
       $2 == "KEYDOWN" { printf "key down           %d%s\n", $3, ($3 >= 65 && $3 <= 90) ? " (" sprintf("%c", $3) ")" : ""; next }
       $2 == "KEYUP"   { printf "key up             %d%s\n", $3, ($3 >= 65 && $3 <= 90) ? " (" sprintf("%c", $3) ")" : ""; next }
       { print $2, $3, $4 }' "$TLOG"
}
describe
echo "   (the script: click at 200,100; wait 1000 ms; double-click at 300,600;"
echo "    wait a random 1000-1500 ms; tap A; and again from the top)"

step "The log box says"
probe get-log | tr -d '\r' | sed 's/^/   /'

step "Done"
echo "   Target's raw log: $TLOG"
