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

# Starts the launcher (or the given build of it) and waits for its window; sets launcher_pid and
# launcher_hwnd. Its exit code, whatever it is, lands in $work/exit; its standard error in
# $work/stderr, with the Wine debug channels given as the second argument (default: $WINEDEBUG).
start_launcher() {
  local exe_to_start=${1:-$exe} channels=${2:-${WINEDEBUG:--all}}
  rm -f "$work/exit" "$work/pid"
  ( cd "$(dirname "$exe_to_start")" || exit
    WINEDEBUG=$channels "${lumvane_wine[@]}" "$exe_to_start" >/dev/null 2>"$work/stderr" &
    echo $! >"$work/pid"
    status=0
    wait $! || status=$?
    echo $status >"$work/exit" ) &
  launcher_pid=$!
  launcher_hwnd=$(drive wait "Quarnis-->Brevik" 30000) || fail "the launcher window did not show up"
  sleep 0.5
}

# Starts the launcher as start_launcher does, with its shell's trace of Shell_NotifyIcon kept.
start_traced_launcher() { start_launcher "${1:-$exe}" -all,trace+systray; }
# The traced launcher's Shell_NotifyIcon calls by their dwMessage (0 adds, 2 deletes).
tray_calls() { grep -ao 'Shell_NotifyIconW dwMessage = [0-9]*' "$work/stderr" | awk '{print $4}' | tr '\n' ' '; }
# Icons shown in Wine's stand-alone notification area.
tray_icons() {
  local tray
  tray=$(drive waitclass __winex11_standalone_tray "" 0) || { echo 0; return; }
  drive children "$tray" | grep -c 'class=__winex11_tray_icon .*visible=1' || true
}

# Drags with the first button from a screen point by (dx, dy), in small steps.
drag() { # x y dx dy
  xdotool mousemove "$1" "$2"; sleep 0.3
  xdotool mousedown 1; sleep 0.3
  for step in 1 2 3 4 5; do xdotool mousemove "$(( $1 + $3 * step / 5 ))" "$(( $2 + $4 * step / 5 ))"; sleep 0.1; done
  sleep 0.3
  xdotool mouseup 1; sleep 0.5
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
