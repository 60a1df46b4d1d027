#!/usr/bin/env bash
# The launcher under bad conditions, through the remote shim (Lumvane_e2e.exe and its variants):
# - built without the caption bar's tile PNG, and without any PNG at all, it still starts, enters
#   game mode (the caption bar paints with an empty tile), returns to login mode and quits with 0;
# - 100,000 random URLs handed over as completed documents never crash it; those without "auth="
#   never change the title, those with a random payload leave a server title, and a good payload
#   still names the server afterwards.
source "$(dirname "$0")/lib.sh"

readonly kWmClose=0x0010 kWmNull=0x0000
readonly kLoginTitle="Quarnis-->Brevik"
seed=${LUMVANE_FUZZ_SEED:-20240}
bin=$(dirname "$exe")

remote() { local answer; answer=$(drive remote "$launcher_hwnd" "$@") || fail "remote $*: $answer"; echo "$answer"; }
alive() { drive send "$launcher_hwnd" $kWmNull 0 0 >/dev/null || fail "the launcher stopped answering: $1"; }
zoomed_is() { [ "$(drive zoomed "$launcher_hwnd")" = "$1" ]; }
within() {
  local tenths=$1; shift
  for _ in $(seq "$tenths"); do "$@" && return 0; sleep 0.1; done
  "$@"
}
quit_with_close() {
  drive post "$launcher_hwnd" $kWmClose 0 0 || fail "WM_CLOSE not posted"
  expect_eq "$(launcher_exit_code)" "0" "$1: exit code after WM_CLOSE"
  launcher_pid=""
}
# The launcher's visible children relative to its origin, "x y w h" sorted.
panes() {
  local ox oy
  read -r ox oy _ <<<"$(drive rect "$launcher_hwnd")"
  drive children "$launcher_hwnd" | grep ' visible=1 ' |
    sed -E 's/.* rect=([-0-9]+) ([-0-9]+) ([0-9]+) ([0-9]+) title=.*/\1 \2 \3 \4/' |
    while read -r x y w h; do echo "$((x - ox)) $((y - oy)) $w $h"; done | sort | tr '\n' ';'
}
game_layout() {
  local cx=$1 cy=$2
  printf '%s\n' "5 25 $((cx - 10)) $((cy - 30))" "0 0 $cx 25" "0 25 5 $((cy - 30))" "$((cx - 5)) 25 5 $((cy - 30))" \
    "0 $((cy - 5)) $cx 5" | sort | tr '\n' ';'
}

# Both mode switches and a quit on a launcher built with resources left out.
missing_resources() { # variant, what is missing
  local variant=$1 login_rect login_region w h
  [ -f "$bin/Lumvane_$variant.exe" ] || fail "$bin/Lumvane_$variant.exe is missing: build the Lumvane_$variant target"
  start_launcher "$bin/Lumvane_$variant.exe"
  shot "$variant-login"
  login_rect=$(drive rect "$launcher_hwnd")
  login_region=$(drive region "$launcher_hwnd")
  expect_eq "$(drive title "$launcher_hwnd")" "$kLoginTitle" "$2: starts titled"
  if [ "$variant" = without_png ]; then
    expect_eq "$login_region" "none" "$2: no backdrop image, so no shape"
  fi
  expect_eq "$(remote call EnterGame)" "VT_EMPTY" "$2: EnterGame"
  within 50 zoomed_is 1 || fail "$2: game mode is not maximised"
  alive "$2: after the caption bar's first paints"
  read -r _ _ w h <<<"$(drive rect "$launcher_hwnd")"
  expect_eq "$(panes)" "$(game_layout "$w" "$h")" "$2: game-mode panes laid out"
  shot "$variant-game"
  expect_eq "$(remote call GotoLogin)" "VT_EMPTY" "$2: GotoLogin"
  within 50 zoomed_is 0 || fail "$2: still maximised after GotoLogin"
  alive "$2: back in login mode"
  expect_eq "$(drive rect "$launcher_hwnd")" "$login_rect" "$2: login rectangle as at start"
  expect_eq "$(drive region "$launcher_hwnd")" "$login_region" "$2: login region as at start"
  shot "$variant-login-again"
  quit_with_close "$2"
}

rm -f "$shots"/*.png
missing_resources without_tile "without the caption tile PNG"
missing_resources without_png "without any PNG"

# Random URLs as completed documents, 10,000 to a batch; the seed is printed so a failure can be
# replayed with LUMVANE_FUZZ_SEED.
echo "random URLs from seed $seed"
/usr/bin/python3 - "$work" "$seed" <<'PY'
import base64, random, sys
folder, seed = sys.argv[1], int(sys.argv[2])
rng = random.Random(seed)
# ASCII (no line feed, which separates the URLs of a batch), NUL, CJK ideographs and characters
# outside code page 936 and outside the basic plane.
ascii_chars = [chr(c) for c in range(0, 128) if c != 10]
wide_chars = [chr(c) for c in range(0x4E00, 0x9FA6, 97)] + ["\U0001F600", "\u20AC", "\uFFFD", "\u00E9", "\u0430"]
near_misses = ["aut=", "auth", "Auth=", "AUTH=", "au th=", "a%75th=", "auth%3D", "&sign=", "sid=12", "=", "&",
               "%", "http://127.0.0.1:8731/", "?", "#", "autH=", "uth=", "aauth"]
pieces = ascii_chars * 6 + wide_chars * 2 + near_misses * 10

def text(limit):
    return "".join(rng.choices(pieces, k=rng.randint(0, limit)))

# A URL that holds no "auth=".
def plain_url():
    size = rng.choice([0, 5, 40, 120, 120, 400]) if rng.random() > 0.001 else 60000
    url = text(size)
    while "auth=" in url:
        url = url.replace("auth=", "a#uth=")
    return url

def payload():
    kind = rng.random()
    if kind < 0.4:
        pairs = "&".join("%s=%s" % (rng.choice(["sid", "uid", "time", "", "sid", "x"]), text(8))
                         for _ in range(rng.randint(0, 6)))
        return base64.b64encode(pairs.encode("utf-8")).decode("ascii")
    if kind < 0.7:
        alphabet = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/=\r-_%"
        return "".join(rng.choice(alphabet) for _ in range(rng.randint(0, 64)))
    return text(rng.choice([3, 30, 1000]))

def auth_url():
    url = text(30) + "auth=" + payload()
    if rng.random() < 0.7:
        url += "&sign=" + text(10)
    return url.replace("\n", "")

def write(name, urls):
    with open("%s/%s" % (folder, name), "w", encoding="utf-8", newline="") as out:
        out.write("complete " + "\n".join(urls))

for batch in range(1, 9):
    write("plain-%d.txt" % batch, [plain_url() for _ in range(10000)])
for batch in range(1, 3):
    write("auth-%d.txt" % batch, [auth_url() for _ in range(10000)])
PY

start_launcher "$bin/Lumvane_e2e.exe"
server_title="Quarnis-->Brevik-->12服"
remote complete "http://127.0.0.1:8731/play?auth=$(printf 'uid=1&sid=12' | base64)&sign=x" >/dev/null
expect_eq "$(drive title "$launcher_hwnd")" "$server_title" "a good payload names the server"
for batch in 1 2 3 4 5 6 7 8; do
  answer=$(remote "@$(winepath -w "$work/plain-$batch.txt" 2>/dev/null)")
  expect_eq "$answer" "completed 10000 1" "plain URL batch $batch handed over"
  expect_eq "$(drive title "$launcher_hwnd")" "$server_title" "title unchanged by plain URL batch $batch"
done
for batch in 1 2; do
  answer=$(remote "@$(winepath -w "$work/auth-$batch.txt" 2>/dev/null)")
  expect_eq "$answer" "completed 10000 1" "random payload batch $batch handed over"
  alive "after random payload batch $batch"
  [[ $(drive title "$launcher_hwnd") == "Quarnis-->Brevik-->"* ]] || fail "title after random payloads: $(drive title "$launcher_hwnd")"
  pass "a server title after random payload batch $batch"
done
remote complete "http://127.0.0.1:8731/play?auth=$(printf 'uid=1&sid=7&time=1' | base64)&sign=x" >/dev/null
expect_eq "$(drive title "$launcher_hwnd")" "Quarnis-->Brevik-->7服" "a good payload still names the server"
shot random-urls
quit_with_close "after 100,000 random URLs"
