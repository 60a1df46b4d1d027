#!/usr/bin/env bash
# Builds everything and runs every test: the artwork facts, the native unit tests under
# AddressSanitizer and UndefinedBehaviorSanitizer with a bounded fuzzing run, the Windows tests
# under Wine and the end-to-end scenarios on a private X display.
set -euo pipefail
repo=$(cd "$(dirname "$0")/.." && pwd)
cd "$repo"
"$repo/scripts/setup.sh"

jobs=$(nproc)
cmake -S . -B build/native -DCMAKE_BUILD_TYPE=Debug >/dev/null
cmake --build build/native -j"$jobs"
cmake -S . -B build/win -DCMAKE_TOOLCHAIN_FILE=cmake/mingw-w64.cmake >/dev/null
cmake --build build/win -j"$jobs"

summary=()
run_ctest() { # name, build dir, extra arguments
  local name=$1 dir=$2; shift 2
  local log="$repo/$dir/ctest.log"
  local status=0
  ctest --test-dir "$dir" --output-on-failure "$@" >"$log" 2>&1 || status=$?
  cat "$log"
  summary+=("$name: $(grep -E 'tests passed|tests failed' "$log" | tail -n1)")
  return $status
}

/usr/bin/python3 tests/art/check_png_facts.py
run_ctest native build/native -j"$jobs"
"$repo/scripts/fuzz.sh" build/fuzz "${LUMVANE_FUZZ_SECONDS:-20}"

source "$repo/scripts/wine-env.sh"
LUMVANE_PRIVATE_DISPLAY=1 source "$repo/scripts/xvfb.sh"
wineserver -p 2>/dev/null || true  # already running is fine
wine wineboot >/dev/null 2>&1
run_ctest windows build/win
wineserver -k || true

printf '%s\n' "${summary[@]}"
