#!/usr/bin/env bash
# Game mode's skin on screen, on Lumvane_e2e.exe (the product plus the remote shim that makes the
# page's EnterGame call, which the browser cannot make under Wine): the caption bar with the title
# in white and its five buttons in their normal frames, the three edge bars, a button's hover frame
# under the pointer and back, and a double-click on the caption bar toggling maximise both ways.
source "$(dirname "$0")/lib.sh"

e2e_exe="$(dirname "$exe")/Lumvane_e2e.exe"
[ -f "$e2e_exe" ] || fail "$e2e_exe is missing: build the Lumvane_e2e target"
png="$e2e_repo/res/png"
readonly kWmClose=0x0010 kButton=19 kBarHeight=25 kEdge=5

within() { # tenths of a second, then the command to wait for
  local tenths=$1; shift
  for _ in $(seq "$tenths"); do "$@" && return 0; sleep 0.1; done
  "$@"
}
zoomed_is() { [ "$(drive zoomed "$launcher_hwnd")" = "$1" ]; }
rect_of() { drive rect "$launcher_hwnd"; }

# A piece of a screenshot or of an image file, as a PNG without alpha.
crop() { # source, x, y, width, height, name
  convert "$1" -crop "$4x$5+$2+$3" +repage -alpha off "PNG24:$work/$6.png"
  echo "$work/$6.png"
}
# How many pixels of two images of one size differ.
differing() { compare -metric AE "$1" "$2" null: 2>&1 || true; }
# How many pixels of an image are pure white, and how many are near white (every channel above 75%).
white_pixels() { convert "$1" -fill black +opaque white -format '%[fx:round(mean*w*h)]' info:; }
bright_pixels() { convert "$1" -separate -evaluate-sequence min -threshold 75% -format '%[fx:round(mean*w*h)]' info:; }

# How many pixels of the screenshot's rectangle differ from the given rectangle of a skin PNG.
unlike_skin() { # screenshot, x, y, width, height, png id, png x, png y
  differing "$(crop "$shots/$1.png" "$2" "$3" "$4" "$5" "screen-$6")" "$(crop "$png/$6.png" "$7" "$8" "$4" "$5" "skin-$6")"
}
shows_skin() { [ "$(unlike_skin "$@")" = 0 ]; }
expect_skin() { expect_eq "$(unlike_skin "${@:1:8}")" "0" "$9 matches PNG $6 (pixels unlike it)"; }
# Takes the screenshot again until it shows what the command after it checks (the X server shows a
# window's new pixels a little after the window has painted them), for up to $2 tenths of a second.
shot_until() {
  local name=$1 tenths=$2; shift 2
  for _ in $(seq "$tenths"); do shot "$name"; "$@" && return 0; sleep 0.1; done
  shot "$name"
  "$@"
}

# The five caption buttons in their normal frames at the right end of a bar at x, y, w wide.
expect_buttons() { # screenshot, x, y, w
  local from_right strip name
  for button in "20 140 close" "40 142 maximise" "60 139 minimise" "80 143 hide" "100 144 menu"; do
    read -r from_right strip name <<<"$button"
    expect_skin "$1" $(($2 + $4 - from_right)) $(($3 + 3)) $kButton $kButton "$strip" 0 0 "$1: $name button, normal frame"
  done
}

# 1. The page's EnterGame: maximised game mode.
start_launcher "$e2e_exe"
expect_eq "$(drive remote "$launcher_hwnd" call EnterGame)" "VT_EMPTY" "EnterGame called"
within 50 zoomed_is 1 || fail "game mode is not maximised"
read -r x y w h <<<"$(rect_of)"
shot_until 01-game 100 shows_skin 01-game $((x + w - 20)) $((y + 3)) $kButton $kButton 140 0 0 ||
  fail "the caption bar's close button never showed (screenshot 01-game)"

# 2. The caption bar: title in white at (10, 6), the five buttons' normal frames at the right end.
title_area=$(crop "$shots/01-game.png" $((x + 10)) $((y + 6)) 300 13 title)
(( $(white_pixels "$title_area") > 0 && $(bright_pixels "$title_area") > 20 )) ||
  fail "no white title on the caption bar (screenshot 01-game)"
pass "the title is drawn in white"
expect_eq "$(bright_pixels "$(crop "$shots/01-game.png" "$x" "$y" "$w" 6 above-title)")" "0" "nothing white above the title"
expect_buttons 01-game "$x" "$y" "$w"
expect_skin 01-game $((x + 5)) "$y" 5 $kBarHeight 159 5 0 "caption bar, left piece left of the title"
expect_skin 01-game $((x + 400)) "$y" 14 $kBarHeight 160 0 0 "caption bar, a middle tile"
expect_skin 01-game $((x + w - 140)) "$y" 30 $kBarHeight 161 11 0 "caption bar, right piece beside the buttons"

# 3. The edge bars: side tiles down both sides, the bottom bar's pieces along the bottom.
expect_skin 01-game "$x" $((y + kBarHeight)) $kEdge 20 157 0 0 "left bar, first tile"
expect_skin 01-game "$x" $((y + kBarHeight + 200)) $kEdge 20 157 0 0 "left bar, a tile further down"
expect_skin 01-game $((x + w - kEdge)) $((y + kBarHeight + 100)) $kEdge 20 157 0 0 "right bar, a tile"
expect_skin 01-game $((x + 20)) $((y + h - kEdge)) 120 $kEdge 154 20 0 "bottom bar, left piece"
expect_skin 01-game $((x + 600)) $((y + h - kEdge)) 14 $kEdge 155 0 0 "bottom bar, a middle tile"
expect_skin 01-game $((x + w - 140)) $((y + h - kEdge)) 120 $kEdge 156 11 0 "bottom bar, right piece"

# 4. The pointer over the close button shows its hover frame; leaving shows the normal frame again.
close_x=$((x + w - 20)) close_y=$((y + 3))
xdotool mousemove $((close_x + 9)) $((close_y + 9))
shot_until 02-hover 50 shows_skin 02-hover "$close_x" "$close_y" $kButton $kButton 140 $((3 * kButton)) 0 || true
expect_skin 02-hover "$close_x" "$close_y" $kButton $kButton 140 $((3 * kButton)) 0 "close button under the pointer, hover frame"
hovered=$(crop "$shots/02-hover.png" "$close_x" "$close_y" $kButton $kButton hovered)
normal=$(crop "$shots/01-game.png" "$close_x" "$close_y" $kButton $kButton normal)
(( $(differing "$hovered" "$normal") > 0 )) || fail "hovering changed no pixel of the close button"
pass "hovering changes the close button's pixels"
xdotool mousemove $((x + w / 2)) $((y + h / 2))
shot_until 03-left 50 shows_skin 03-left "$close_x" "$close_y" $kButton $kButton 140 0 0 || true
expect_skin 03-left "$close_x" "$close_y" $kButton $kButton 140 0 0 "close button after the pointer left, normal frame"

# 5. A double-click on the caption bar restores the window, centred; another maximises it again.
xdotool mousemove $((x + 400)) $((y + 12)) click --repeat 2 --delay 80 1
within 50 zoomed_is 0 || fail "a double-click on the caption bar did not restore the window"
read -r rx ry rw rh <<<"$(rect_of)"
read -r screen_w screen_h <<<"$(screen_size)"
expect_eq "$rw x $rh" "1200 x 800" "restored size after the double-click"
expect_eq "$rx $ry" "$((screen_w / 2 - 600)) $((screen_h / 2 - 400))" "restored window centred"
shot_until 04-restored 50 shows_skin 04-restored $((rx + rw - 20)) $((ry + 3)) $kButton $kButton 140 0 0 || true
expect_buttons 04-restored "$rx" "$ry" "$rw"
expect_skin 04-restored $((rx + rw - kEdge)) $((ry + kBarHeight + 100)) $kEdge 20 157 0 0 "right bar at the restored edge"
xdotool mousemove $((rx + 400)) $((ry + 12)) click --repeat 2 --delay 80 1
within 50 zoomed_is 1 || fail "a second double-click did not maximise the window again"
expect_eq "$(rect_of)" "$x $y $w $h" "maximised again to the same rectangle"
shot_until 05-maximised 50 shows_skin 05-maximised $((x + w - 20)) $((y + 3)) $kButton $kButton 140 0 0 || true
expect_buttons 05-maximised "$x" "$y" "$w"

drive post "$launcher_hwnd" $kWmClose 0 0 || fail "WM_CLOSE not posted"
expect_eq "$(launcher_exit_code)" "0" "exit code after WM_CLOSE"
