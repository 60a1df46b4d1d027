#!/usr/bin/env bash
# Builds the libFuzzer targets with clang (ASan, UBSan) and runs each for the given seconds.
# Usage: scripts/fuzz.sh <build dir> <seconds per target>
set -euo pipefail
repo=$(cd "$(dirname "$0")/.." && pwd)
dir=${1:-build/fuzz}
seconds=${2:-20}
cd "$repo"
[ -d tests/fuzz ] || exit 0
CC=clang CXX=clang++ cmake -S tests/fuzz -B "$dir" -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
cmake --build "$dir" -j"$(nproc)" >/dev/null
for target in "$dir"/fuzz_*; do
  [ -x "$target" ] || continue
  corpus="$dir/corpus/$(basename "$target")"
  mkdir -p "$corpus"
  "$target" -artifact_prefix="$dir/" -max_total_time="$seconds" -print_final_stats=1 "$corpus" tests/fuzz/seeds 2>"$dir/$(basename "$target").log" \
    || { tail -n 40 "$dir/$(basename "$target").log"; exit 1; }
  echo "fuzz $(basename "$target"): $(grep -E 'stat::number_of_executed_units' "$dir/$(basename "$target").log" | awk '{print $2}') executions in ${seconds}s, no finding"
done
