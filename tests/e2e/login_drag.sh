#!/usr/bin/env bash
# Login mode from outside: pressing the backdrop's opaque frame, or the artwork where it covers
# the page, drags the launcher window with its backdrop; a press on a clear margin pixel (outside
# the window region and transparent in the backdrop) goes to the window beneath.
source "$(dirname "$0")/lib.sh"
png="$e2e_repo/res/png"

# A window beneath the launcher that reports the presses it gets: placed where the launcher will
# stand, centred on the screen, before the launcher maps over it.
read -r sw sh <<<"$(screen_size)"
lx=$(( sw / 2 - 888 / 2 )); ly=$(( sh / 2 - 591 / 2 ))
xev -geometry "888x591+$lx+$ly" -event button >"$work/beneath.log" 2>&1 &
beneath_pid=$!
trap 'kill $beneath_pid 2>/dev/null || true; e2e_cleanup' EXIT
sleep 1

start_launcher
read -r x y w h <<<"$(drive rect "$launcher_hwnd")"
expect_eq "$x $y $w $h" "$lx $ly 888 591" "launcher over the window beneath"
backdrop=$(drive owned "$launcher_hwnd" | awk '/exstyle=...[89a-f]/ {print $1; exit}')
[ -n "$backdrop" ] || fail "no layered window owned by the launcher"
expect_eq "$(drive rect "$backdrop")" "$x $y $w $h" "backdrop over the launcher"

# The frame: a dark, opaque pixel of the top bar above the page.
shot before
frame_colour=$(pixel before $((x + 700)) $((y + 165)))
drag $((x + 700)) $((y + 165)) 100 50
x=$((x + 100)); y=$((y + 50))
expect_eq "$(drive rect "$launcher_hwnd")" "$x $y 888 591" "a drag on the frame moves the launcher"
expect_eq "$(drive rect "$backdrop")" "$x $y 888 591" "the backdrop moves with it"
shot moved
expect_eq "$(pixel moved $((x + 700)) $((y + 165)))" "$frame_colour" "the frame is drawn at the new place"
expect_eq "$(drive inregion "$launcher_hwnd" 319 180)$(drive inregion "$launcher_hwnd" 318 300)" "10" "the window keeps its region"

# The artwork over the page: find which picture is shown, and a point of it inside the page.
art_point=$(/usr/bin/python3 - "$shots/moved.png" "$x" "$y" "$png" <<'PY'
import sys
from PIL import Image
shot = Image.open(sys.argv[1]).convert("RGB")
ox, oy, png = int(sys.argv[2]), int(sys.argv[3]), sys.argv[4]
art = {k: Image.open(f"{png}/{k}.png").convert("RGBA") for k in (135, 136, 137)}
def alpha(k, x, y):
    a = art[k]
    return a.getpixel((x, y))[3] if x < a.width and y < a.height else 0
for k in art:
    # Points inside the page where this picture alone is opaque, with an opaque neighbourhood.
    points = [(x, y) for y in range(184, 525, 2) for x in range(321, min(art[k].width - 2, 842), 2)
              if all(alpha(k, x + dx, y + dy) == 255 for dx in (-2, 0, 2) for dy in (-2, 0, 2))
              and all(alpha(o, x, y) == 0 for o in art if o != k)]
    shown = [p for p in points
             if max(abs(c - s) for c, s in zip(art[k].getpixel(p)[:3], shot.getpixel((ox + p[0], oy + p[1])))) <= 2]
    if points and len(shown) == len(points):
        print(k, *shown[len(shown) // 2])
        break
PY
)
[ -n "$art_point" ] || fail "none of the three pictures shows over the page"
read -r art ax ay <<<"$art_point"
pass "picture $art covers the page at $ax, $ay"
drag $((x + ax)) $((y + ay)) -60 40
x=$((x - 60)); y=$((y + 40))
expect_eq "$(drive rect "$launcher_hwnd")" "$x $y 888 591" "a drag on the artwork over the page moves the launcher"
expect_eq "$(drive rect "$backdrop")" "$x $y 888 591" "the backdrop moves with it"

# Back over the window beneath: a clear margin pixel lets the press through and drags nothing.
drag $((x + 700)) $((y + 165)) $((lx - x)) $((ly - y))
x=$lx; y=$ly
expect_eq "$(drive rect "$launcher_hwnd")" "$x $y 888 591" "a drag on the frame moves the launcher back"
: >"$work/beneath.log"
sleep 0.3
# Two pixels in from the left edge: the left resize band, were it inside the region.
expect_eq "$(drive inregion "$launcher_hwnd" 2 300)" "0" "the margin pixel is outside the region"
drag $((x + 2)) $((y + 300)) 100 50
expect_eq "$(drive rect "$launcher_hwnd")" "$x $y 888 591" "a drag on a clear margin pixel moves and sizes nothing"
grep -q "ButtonPress" "$work/beneath.log" || fail "the press on a clear margin pixel did not reach the window beneath"
pass "the press on a clear margin pixel reached the window beneath"

drive post "$launcher_hwnd" 0x0010 0 0 || fail "WM_CLOSE not posted"
expect_eq "$(launcher_exit_code)" "0" "exit code after WM_CLOSE"
