#!/usr/bin/env bash
# The close spot in login mode, pressed from outside: the pointer over it leaves the normal image
# painted (the platform reports it as caption activity), a click asks the exit question, and
# Cancel leaves the launcher exactly as it was.
source "$(dirname "$0")/lib.sh"
png="$e2e_repo/res/png"

# Which of the two close-spot images a screen shot shows at (x, y): "normal", "hover" or "neither",
# judged on the disc's inner pixels where the two images differ.
close_spot_image() { # shot x y
  /usr/bin/python3 - "$shots/$1.png" "$2" "$3" "$png" <<'PY'
import sys
from PIL import Image
shot = Image.open(sys.argv[1]).convert("RGB")
ox, oy, png = int(sys.argv[2]), int(sys.argv[3]), sys.argv[4]
normal, hover = (Image.open(f"{png}/{k}.png").convert("RGBA") for k in (131, 132))
def near(a, b):
    return max(abs(p - q) for p, q in zip(a[:3], b[:3])) <= 8
votes = {"normal": 0, "hover": 0}
samples = 0
for y in range(6, 18):
    for x in range(6, 18):
        if normal.getpixel((x, y))[3] < 255 or hover.getpixel((x, y))[3] < 255 or near(normal.getpixel((x, y)), hover.getpixel((x, y))):
            continue
        samples += 1
        seen = shot.getpixel((ox + x, oy + y))
        votes["normal"] += near(seen, normal.getpixel((x, y)))
        votes["hover"] += near(seen, hover.getpixel((x, y)))
best = max(votes, key=votes.get)
print(best if samples >= 10 and votes[best] * 10 >= samples * 9 else "neither")
PY
}

start_launcher
read -r x y w h <<<"$(drive rect "$launcher_hwnd")"
backdrop=$(drive owned "$launcher_hwnd" | awk '/exstyle=...[89a-f]/ {print $1; exit}')
[ -n "$backdrop" ] || fail "no layered window owned by the launcher"
region=$(drive region "$launcher_hwnd")
backdrop_rect=$(drive rect "$backdrop")

# The pointer over the disc: no client-area move arrives, so the normal image stays.
xdotool mousemove $((x + 859)) $((y + 169)); sleep 0.8
shot over
expect_eq "$(close_spot_image over $((x + 847)) $((y + 157)))" "normal" "close spot under the pointer"

xdotool click 1
question=$(drive msgbox Lumvane 2) || fail "no exit question captioned Lumvane"
expect_eq "$question" "text=当前正在游戏中，你确认要退出吗？" "the exit question"
sleep 0.5
[ ! -f "$work/exit" ] || fail "the launcher ended after Cancel"
pass "the launcher runs on after Cancel"
expect_eq "$(drive rect "$launcher_hwnd")" "$x $y $w $h" "launcher rectangle"
expect_eq "$(drive visible "$launcher_hwnd")$(drive visible "$backdrop")" "11" "launcher and backdrop visible"
expect_eq "$(drive rect "$backdrop")" "$backdrop_rect" "backdrop rectangle"
expect_eq "$(drive region "$launcher_hwnd")" "$region" "window region"
xdotool mousemove 5 5; sleep 0.5
shot after
expect_eq "$(close_spot_image after $((x + 847)) $((y + 157)))" "normal" "close spot after Cancel"

drive post "$launcher_hwnd" 0x0010 0 0 || fail "WM_CLOSE not posted"
expect_eq "$(launcher_exit_code)" "0" "exit code after WM_CLOSE"
