#!/usr/bin/env bash
# Builds the benchmarks beside the launcher and measures, side by side in one run under Wine on a
# private X display: start-up to the visible login window and backdrop against a bare window, a
# window with an embedded browser and the same with the backdrop PNG in a layered window (the
# floor of the launcher's first frame under this platform); the exe's size and its code; peak resident memory; the skin
# work in-process (decoding, login shape, caption-bar paint) and the GDI object count after many
# mode switches and paints. Medians of LUMVANE_BENCH_RUNS runs (default 15).
# LUMVANE_BENCH_BUILD picks the Windows build folder (default build/win).
#   ./scripts/bench.sh breakdown   the start-up breakdown instead: an instrumented launcher
#                                  (LUMVANE_STARTUP_MARKS, built in build/marks) started the same way,
#                                  the median time of each mark since the process was created.
#   ./scripts/bench.sh breakdown memory
#                                  the same with the working set at each mark (which slows it).
set -euo pipefail
repo=$(cd "$(dirname "$0")/.." && pwd)
cd "$repo"
runs=${LUMVANE_BENCH_RUNS:-15}
mode=${1:-figures}
if [ "$mode" = breakdown ]; then
  build=build/marks
  configure=(-DLUMVANE_STARTUP_MARKS=ON)
  targets=(Lumvane startup_probe)
else
  build=${LUMVANE_BENCH_BUILD:-build/win}
  configure=()
  targets=(Lumvane e2e_driver bare_window browser_window backdrop_window startup_probe skin_bench)
fi
"$repo/scripts/setup.sh"
log=$(mktemp)
{ cmake -S . -B "$build" -DCMAKE_TOOLCHAIN_FILE=cmake/mingw-w64.cmake "${configure[@]}" &&
  cmake --build "$build" -j2 --target "${targets[@]}"; } >"$log" 2>&1 ||
  { cat "$log"; exit 1; }
rm -f "$log"
build=$(cd "$build" && pwd)
launcher=$build/Lumvane.exe
driver=$build/e2e_driver.exe
bare=$build/bench/bare_window.exe
browser=$build/bench/browser_window.exe
floor=$build/bench/backdrop_window.exe

source "$repo/scripts/wine-env.sh"
LUMVANE_PRIVATE_DISPLAY=1 source "$repo/scripts/xvfb.sh" >/dev/null
wineserver -p 2>/dev/null || true  # already running is fine
wine wineboot >/dev/null 2>&1
program_pid=""
trap '[ -n "$program_pid" ] && kill "$program_pid" 2>/dev/null; wineserver -k 2>/dev/null; kill "$lumvane_xvfb_pid" 2>/dev/null; true' EXIT

median() { sort -n | awk '{v[NR]=$1} END {print v[int((NR+1)/2)]}'; }
ratio() { awk -v a="$1" -v b="$2" 'BEGIN {printf "%.2f", a / b}'; }

if [ "$mode" = breakdown ]; then
  marks=$build/startup-marks.txt
  rm -f "$marks"
  echo "== start-up breakdown: median ms since process creation, $runs runs (first occurrence of each mark)"
  [ "${2:-}" = memory ] && echo "   then the working set and its peak so far, MiB; the last line is the peak at exit"
  [ "${2:-}" = memory ] && export LUMVANE_STARTUP_MARKS_MEMORY=1
  (cd "$build" && LUMVANE_STARTUP_MARKS_FILE="$(winepath -w "$marks")" \
     wine bench/startup_probe.exe "$runs" "$(winepath -w "$launcher")+backdrop" 2>/dev/null | tr -d '\r')
  tail -n "$runs" "$marks" | awk -v memory="${LUMVANE_STARTUP_MARKS_MEMORY:-}" '
    function median(list,    n, v, i, j, t) {
      n = split(substr(list, 2), v, " ")
      for (i = 2; i <= n; ++i) for (j = i; j > 1 && v[j - 1] + 0 > v[j] + 0; --j) { t = v[j]; v[j] = v[j - 1]; v[j - 1] = t }
      return v[int((n + 1) / 2)]
    }
    { delete seen
      for (i = 1; i <= NF; ++i) {
        split($i, pair, "="); split(pair[2], value, "/")
        if (pair[1] in seen) continue
        seen[pair[1]] = 1
        if (!(pair[1] in order)) { order[pair[1]] = ++names; name[names] = pair[1] }
        ms[pair[1]] = ms[pair[1]] " " value[1]; kib[pair[1]] = kib[pair[1]] " " value[2]
        peak[pair[1]] = peak[pair[1]] " " value[3]; runs[pair[1]]++
      } }
    END {
      for (k = 1; k <= names; ++k) {
        n = name[k]; t = median(ms[n])
        if (memory) printf "%10.1f %8.1f %8.1f  %s (%d runs)\n", (n == "peak_working_set" ? 1e9 : t), median(kib[n]) / 1024, median(peak[n]) / 1024, n, runs[n]
        else if (n != "peak_working_set") printf "%10.1f  %s (%d runs)\n", t, n, runs[n]
      } }' | sort -n | sed 's/^ *1000000000.0/       exit/'
  exit 0
fi

echo "== start-up: process start to visible window (launcher: login window and backdrop), $runs runs each, ms"
startup=$(cd "$build/bench" && wine startup_probe.exe "$runs" "$(winepath -w "$bare")" "$(winepath -w "$browser")" \
          "$(winepath -w "$floor")+backdrop" "$(winepath -w "$launcher")+backdrop" 2>/dev/null | tr -d '\r')
read -r _ bare_ms bare_min bare_max <<<"$(grep '^bare_window' <<<"$startup")"
read -r _ browser_ms browser_min browser_max <<<"$(grep '^browser_window' <<<"$startup")"
read -r _ floor_ms floor_min floor_max <<<"$(grep '^backdrop_window' <<<"$startup")"
read -r _ launcher_ms launcher_min launcher_max <<<"$(grep '^Lumvane' <<<"$startup")"
printf '%-32s %10s %10s %10s\n' "program" "median" "min" "max"
printf '%-32s %10s %10s %10s\n' "bare window" "$bare_ms" "$bare_min" "$bare_max" \
  "window with WebBrowser" "$browser_ms" "$browser_min" "$browser_max" \
  "  + layered PNG 130 (the floor)" "$floor_ms" "$floor_min" "$floor_max" \
  "Lumvane.exe (window + backdrop)" "$launcher_ms" "$launcher_min" "$launcher_max"
echo "launcher / bare window: $(ratio "$launcher_ms" "$bare_ms")   launcher / browser window: $(ratio "$launcher_ms" "$browser_ms")"
echo "floor / browser window: $(ratio "$floor_ms" "$browser_ms")   launcher / floor: $(ratio "$launcher_ms" "$floor_ms")"

echo
echo "== size of Lumvane.exe, bytes"
section() { echo $((16#$(x86_64-w64-mingw32-objdump -h "$1" | awk -v name="$2" '$2 == name {print $3}'))); }
stripped=$(mktemp)
x86_64-w64-mingw32-strip -o "$stripped" "$launcher"
text=$(section "$stripped" .text)
rsrc=$(section "$stripped" .rsrc)
pngs=$(cat "$repo"/res/png/*.png | wc -c)
shipped=$(stat -c %s "$stripped")
printf '%-44s %10s\n' "file as built (with debug information)" "$(stat -c %s "$launcher")" \
  "file stripped (what ships)" "$shipped" \
  "  .text (code)" "$text" \
  "  .rsrc (resources)" "$rsrc" \
  "    of which the 19 PNG files" "$pngs" \
  "  everything else (data, tables, headers)" "$((shipped - text - rsrc))"
echo "code share of the shipped file: $(ratio "$((text * 100))" "$shipped")%"
rm -f "$stripped"

echo
echo "== peak resident memory (VmHWM of the Wine process, 1.5 s after the window shows), $runs runs each, KiB"
peak() { # program, title of its window
  local values=() hwnd
  for _ in $(seq "$runs"); do
    ( cd "$(dirname "$1")" && exec "${lumvane_wine[@]}" "$1" >/dev/null 2>&1 ) &
    program_pid=$!
    hwnd=$(wine "$driver" wait "$2" 30000 2>/dev/null | tr -d '\r') || { echo "no window: $1" >&2; exit 1; }
    sleep 1.5
    values+=("$(awk '/^VmHWM:/ {print $2}' "/proc/$program_pid/status")")
    wine "$driver" post "$hwnd" 0x0010 0 0 >/dev/null 2>&1
    wait "$program_pid" || true
    program_pid=""
  done
  printf '%s\n' "${values[@]}" | median
}
bare_kb=$(peak "$bare" "bare window")
browser_kb=$(peak "$browser" "browser window")
floor_kb=$(peak "$floor" "browser window")
launcher_kb=$(peak "$launcher" "Quarnis-->Brevik")
printf '%-32s %10s\n' "bare window" "$bare_kb" "window with WebBrowser" "$browser_kb" \
  "  + layered PNG 130 (the floor)" "$floor_kb" "Lumvane.exe" "$launcher_kb"
echo "launcher / browser window: $(ratio "$launcher_kb" "$browser_kb")   launcher - browser window: $((launcher_kb - browser_kb)) KiB"

echo
echo "== in-process skin work (medians of 31 runs) and GDI objects"
(cd "$build/bench" && wine skin_bench.exe 2>/dev/null | tr -d '\r')
