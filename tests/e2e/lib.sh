# Shared by the end-to-end scenarios; source it with the scenario's arguments: Lumvane.exe, e2e_driver.exe.
set -euo pipefail
e2e_repo=$(cd "$(dirname "${BASH_SOURCE[0]}")/../.." && pwd)
exe=$(realpath "$1")
driver=$(realpath "$2")
scenario=$(basename "$0" .sh)
source "$e2e_repo/scripts/wine-env.sh"
[ -n "${DISPLAY:-}" ] || LUMVANE_PRIVATE_DISPLAY=1 source "$e2e_repo/scripts/xvfb.sh"
shots="${LUMVANE_SHOTS:-$(dirname "$exe")/screenshots}/$scenario"
work=$(mktemp -d)
mkdir -p "$shots"
launcher_pid=""
launcher_hwnd=""

e2e_cleanup() {
  if [ -n "$launcher_pid" ] && [ ! -f "$work/exit" ]; then  # not after it ended: its pid may be reused
    [ -f "$work/pid" ] && kill "$(cat "$work/pid")" 2>/dev/null || true
    kill "$launcher_pid" 2>/dev/null || true
  fi
  rm -rf "$work"
  # A display this scenario started goes with it, and so does the Wine server tied to it.
  if [ -n "${lumvane_xvfb_pid:-}" ]; then
    wineserver -k 2>/dev/null || true
    kill "$lumvane_xvfb_pid" 2>/dev/null || true
  fi
}
trap e2e_cleanup EXIT

fail() { echo "FAIL [$scenario]: $*" >&2; echo "screenshots: $shots" >&2; shot failure || true; exit 1; }
pass() { echo "ok [$scenario]: $*"; }
expect_eq() { [ "$1" = "$2" ] || fail "$3: expected '$2', got '$1'"; pass "$3"; }

# Runs the driver; its output comes back UTF-8 without carriage returns.
drive() { wine "$driver" "$@" 2>/dev/null | tr -d '\r'; }

# Starts the launcher and waits for its window; sets launcher_pid and launcher_hwnd.
start_launcher() {
  local exe_to_start=${1:-$exe}
  rm -f "$work/exit" "$work/pid"
  ( cd "$(dirname "$exe_to_start")" && { wine "$exe_to_start" >/dev/null 2>&1 & echo $! >"$work/pid"; wait $!; echo $? >"$work/exit"; } ) &
  launcher_pid=$!
  launcher_hwnd=$(drive wait "Quarnis-->Brevik" 30000) || fail "the launcher window did not show up"
  sleep 0.5
}

# Waits for the launcher process to end and prints its exit code.
launcher_exit_code() {
  local waited=0
  while [ ! -f "$work/exit" ] && [ $waited -lt 200 ]; do sleep 0.1; waited=$((waited + 1)); done
  [ -f "$work/exit" ] || fail "the launcher did not end"
  launcher_pid=""
  cat "$work/exit"
}

shot() { import -window root "$shots/$1.png" 2>/dev/null; }
# The colour of a screenshot's pixel, as ImageMagick names it (srgb(r,g,b)).
pixel() { convert "$shots/$1.png" -format "%[pixel:p{$2,$3}]" info: 2>/dev/null; }
screen_size() { xdpyinfo 2>/dev/null | awk '/dimensions:/{print $2}' | tr 'x' ' '; }

# Wine's helper processes must run before anything captures a program's output through a pipe.
wineserver -p 2>/dev/null || true  # already running when started by the test command
wine wineboot >/dev/null 2>&1
