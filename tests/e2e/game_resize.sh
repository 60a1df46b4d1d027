#!/usr/bin/env bash
# Game mode's frame under the real pointer, on Lumvane_e2e.exe (the product plus the remote shim
# that makes the page's EnterGame call): restored by a double-click on the caption bar, the window
# is resized by dragging the right edge band and the bottom corner band over the edge bars and the
# left edge band, and after every drag the five panes are laid out for the new size.
source "$(dirname "$0")/lib.sh"

e2e_exe="$(dirname "$exe")/Lumvane_e2e.exe"
[ -f "$e2e_exe" ] || fail "$e2e_exe is missing: build the Lumvane_e2e target"

within() { # tenths of a second, then the command to wait for
  local tenths=$1; shift
  for _ in $(seq "$tenths"); do "$@" && return 0; sleep 0.1; done
  "$@"
}
zoomed_is() { [ "$(drive zoomed "$launcher_hwnd")" = "$1" ]; }

# The launcher's rectangle after a drag, and its panes laid out for it: page host, caption bar,
# left, right and bottom bar, visible, in screen coordinates.
expect_resized() { # x y w h what
  local x=$1 y=$2 w=$3 h=$4
  expect_eq "$(drive rect "$launcher_hwnd")" "$x $y $w $h" "$5"
  local panes
  panes=$(drive children "$launcher_hwnd" | grep 'visible=1' | sed 's/.* rect=\([-0-9 ]*\) title=.*/\1/')
  for pane in "$((x + 5)) $((y + 25)) $((w - 10)) $((h - 30)) page host" \
              "$x $y $w 25 caption bar" \
              "$x $((y + 25)) 5 $((h - 30)) left bar" \
              "$((x + w - 5)) $((y + 25)) 5 $((h - 30)) right bar" \
              "$x $((y + h - 5)) $w 5 bottom bar"; do
    read -r px py pw ph name <<<"$pane"
    grep -qx "$px $py $pw $ph" <<<"$panes" || fail "$5: no $name at $px $py $pw x $ph among the panes:
$panes"
  done
  pass "$5: the panes are laid out for $w x $h"
}

start_launcher "$e2e_exe"
expect_eq "$(drive remote "$launcher_hwnd" call EnterGame)" "VT_EMPTY" "EnterGame called"
within 50 zoomed_is 1 || fail "game mode is not maximised"
read -r x y w h <<<"$(drive rect "$launcher_hwnd")"
xdotool mousemove $((x + 400)) $((y + 12)) click --repeat 2 --delay 80 1
within 50 zoomed_is 0 || fail "a double-click on the caption bar did not restore the window"
read -r x y w h <<<"$(drive rect "$launcher_hwnd")"
expect_eq "$w x $h" "1200 x 800" "restored game-mode size"
shot restored

# The right bar's outer pixels lie in the right edge band.
drag $((x + w - 2)) $((y + h / 2)) -150 0
w=$((w - 150))
expect_resized "$x" "$y" "$w" "$h" "a drag on the right bar's edge band"
# On the bottom bar, 8 pixels from the right edge: inside the corner band, in no edge band.
drag $((x + w - 8)) $((y + h - 4)) -100 -80
w=$((w - 100)); h=$((h - 80))
expect_resized "$x" "$y" "$w" "$h" "a drag on the bottom bar's corner band"
drag $((x + 1)) $((y + h / 2)) 50 0
x=$((x + 50)); w=$((w - 50))
expect_resized "$x" "$y" "$w" "$h" "a drag on the left bar's edge band"
shot resized

drive post "$launcher_hwnd" 0x0010 0 0 || fail "WM_CLOSE not posted"
expect_eq "$(launcher_exit_code)" "0" "exit code after WM_CLOSE"
