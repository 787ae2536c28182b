#!/usr/bin/env bash
# Builds the libFuzzer targets with clang and runs each for the given seconds.
set -euo pipefail
cd "$(dirname "$0")/.."
secs="${1:-60}"
cmake --preset fuzz >/dev/null
cmake --build --preset fuzz -j "$(nproc)"
shopt -s nullglob
for t in build/fuzz/tests/fuzz/fuzz_*; do
  [ -x "$t" ] || continue
  echo "-- $(basename "$t") for ${secs}s"
  mkdir -p "build/fuzz/corpus/$(basename "$t")"
  "$t" -max_total_time="$secs" -print_final_stats=0 "build/fuzz/corpus/$(basename "$t")" 2>&1 | tail -n 3
done
