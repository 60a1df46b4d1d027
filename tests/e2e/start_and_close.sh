#!/usr/bin/env bash
# The launcher starts in login mode, centred, 888 x 591, titled "Quarnis-->Brevik", shaped to the
# page and the close spot, under its backdrop (and the tooltips of the close spot and the caption
# bar), with the page host in place and the tray icon added;
# WM_CLOSE ends it at once with exit code 0.
source "$(dirname "$0")/lib.sh"

# The colour of a pixel of one of the program's PNGs as ImageMagick names it, or "transparent".
png_pixel() {
  /usr/bin/python3 - "$e2e_repo/res/png/$1.png" "$2" "$3" <<'PY'
import sys
from PIL import Image
r, g, b, a = Image.open(sys.argv[1]).convert("RGBA").getpixel((int(sys.argv[2]), int(sys.argv[3])))
print(f"srgb({r},{g},{b})" if a == 255 else "transparent")
PY
}

start_launcher
shot login
read -r x y w h <<<"$(drive rect "$launcher_hwnd")"
expect_eq "$w x $h" "888 x 591" "login window size"
read -r sw sh <<<"$(screen_size)"
# CenterWindow: the middle of the screen (the work area here) less half the window.
expect_eq "$x $y" "$(( sw / 2 - 888 / 2 )) $(( sh / 2 - 591 / 2 ))" "login window centred"
expect_eq "$(drive title "$launcher_hwnd")" "Quarnis-->Brevik" "title"
expect_eq "$(drive visible "$launcher_hwnd") $(drive zoomed "$launcher_hwnd")" "1 0" "shown, not maximised"

# The shape: the page rectangle and the close spot's middle, nothing in the frame's corner.
expect_eq "$(drive inregion "$launcher_hwnd" 319 180) $(drive inregion "$launcher_hwnd" 845 528)" "1 1" "page in the shape"
expect_eq "$(drive inregion "$launcher_hwnd" 859 169)" "1" "close spot in the shape"
expect_eq "$(drive inregion "$launcher_hwnd" 5 5) $(drive inregion "$launcher_hwnd" 318 180)" "0 0" "frame cut away"

owned=$(drive owned "$launcher_hwnd")
expect_eq "$(grep -c 'class=tooltips_class32 .*visible=0' <<<"$owned")" "2" \
  "the close spot's and the caption bar's tooltips, hidden"
owned=$(grep -v 'class=tooltips_class32' <<<"$owned")
expect_eq "$(grep -c . <<<"$owned")" "1" "one owned window besides them, the backdrop"
expect_eq "$(grep -o 'visible=[01] rect=[-0-9 ]*' <<<"$owned" | sed 's/ *$//')" "visible=1 rect=$x $y 888 591" \
  "backdrop shown over the launcher"
expect_eq "$(drive children "$launcher_hwnd" | grep -c 'visible=1 rect='"$((x + 319)) $((y + 180)) 527 349")" "1" \
  "page host in the page rectangle"
expect_eq "$(drive trayicon "$launcher_hwnd" 128)" "1" "tray icon added"

# Hard-edged pixels: an opaque frame pixel of the backdrop, and the middle of the close spot.
expect_eq "$(png_pixel 130 870 300)" "$(pixel login $((x + 870)) $((y + 300)))" "frame drawn by the backdrop"
expect_eq "$(png_pixel 131 12 12)" "$(pixel login $((x + 859)) $((y + 169)))" "close spot painted"

drive post "$launcher_hwnd" 0x0010 0 0 || fail "WM_CLOSE not posted"
expect_eq "$(launcher_exit_code)" "0" "exit code after WM_CLOSE"
