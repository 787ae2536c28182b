#!/usr/bin/env bash
# Runs every test: installs what is missing, builds the native (sanitized)
# and the Windows preset, runs both test suites (the Windows one under Wine,
# end-to-end tests included) and a short fuzzing run.
#   FUZZ_SECONDS  seconds per fuzz target (default 20; 0 skips fuzzing)
set -euo pipefail
cd "$(dirname "$0")/.."
bash tools/setup.sh

jobs=$(nproc)
echo "== native build (ASan, UBSan)"
cmake --preset native >/dev/null
cmake --build --preset native -j "$jobs"
echo "== native tests"
ctest --preset native -j "$jobs"

source tools/lib/wine-env.sh
# Quorvane.exe ships as a 32-bit program (win32). Where this machine cannot
# run 32-bit binaries, the same sources built for x86-64 (win64) are tested.
run=$(qv_runnable_preset)
for preset in win32 $([ "$run" = win64 ] && echo win64); do
  echo "== $preset build"
  cmake --preset "$preset" >/dev/null
  cmake --build --preset "$preset" -j "$jobs"
done

trap wine_env_stop EXIT
wine_env_start
echo "== $run tests under Wine"
restarts="$WINEPREFIX/restarted-programs.log"
rm -f "$restarts"
status=0
ctest --preset "$run" || status=$?
if [ -s "$restarts" ]; then
  echo "== Wine ended these test programs before they ran; each was started again (tools/wine-test):"
  cat "$restarts"
fi
[ "$status" = 0 ] || exit "$status"

if [ "${FUZZ_SECONDS:-20}" != 0 ]; then
  echo "== fuzzing, ${FUZZ_SECONDS:-20} s a target"
  bash tools/fuzz.sh "${FUZZ_SECONDS:-20}"
fi
echo "== all tests passed"
