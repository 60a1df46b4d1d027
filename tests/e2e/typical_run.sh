#!/usr/bin/env bash
# A typical run, step by step, on Lumvane_e2e.exe (the product plus the remote shim that does what
# the browser would) with the demo platform serving the built-in start URL on 127.0.0.1:8731:
# login window, start page requested, server title from a completed auth document, game mode,
# drag, edge resize, tray hide and show, Refresh, Clear cache, back to login, and both ways of
# quitting. A screenshot of every step is kept.
source "$(dirname "$0")/lib.sh"

e2e_exe="$(dirname "$exe")/Lumvane_e2e.exe"
[ -f "$e2e_exe" ] || fail "$e2e_exe is missing: build the Lumvane_e2e target"

readonly kWmClose=0x0010 kWmCommand=0x0111 kWmNull=0x0000 kTrayCallback=0x0401 kTrayIcon=128 kLButtonUp=0x202
readonly kRefresh=32774 kClearCache=32775 kExit=32776 kLayered=0x00080000
readonly kLoginTitle="Quarnis-->Brevik" kServerTitle="Quarnis-->Brevik-->12服"
readonly kAuthUrl="http://127.0.0.1:8731/play?auth=$(printf 'uid=1&sid=12' | base64)&sign=x"

demo_log="$work/demo.log"
/usr/bin/python3 "$e2e_repo/tools/demo_platform/server.py" --port 8731 --log "$demo_log" --peers >"$work/demo.out" 2>&1 &
demo_pid=$!
trap 'kill "$demo_pid" 2>/dev/null || true; e2e_cleanup' EXIT
for _ in $(seq 100); do
  grep -q '^demo platform: http' "$work/demo.out" 2>/dev/null && break
  kill -0 "$demo_pid" 2>/dev/null || break
  sleep 0.1
done
grep -q '^demo platform: http' "$work/demo.out" 2>/dev/null ||
  fail "the demo platform cannot serve 127.0.0.1:8731, the launcher's built-in start URL (is the port taken?): $(cat "$work/demo.out")"

# Waits up to $1 tenths of a second for the command after it to succeed.
within() {
  local tenths=$1; shift
  for _ in $(seq "$tenths"); do "$@" && return 0; sleep 0.1; done
  "$@"
}
# Requests for the start page that this launcher's process made (other programs on the machine with
# the same built-in start URL reach this server too).
start_page_requests() {
  local n
  n=$(grep -cE "^GET /ct .* pid=([0-9]+,)*$(cat "$work/pid")(,|\$)" "$demo_log" 2>/dev/null) || true
  echo "${n:-0}"
}
more_start_page_requests_than() { [ "$(start_page_requests)" -gt "$1" ]; }
is_visible() { [ "$(drive visible "$1")" = 1 ]; }
is_hidden() { [ "$(drive visible "$1")" = 0 ]; }
remote() { local answer; answer=$(drive remote "$launcher_hwnd" "$@") || fail "remote $*: $answer"; echo "$answer"; }
rect_of() { drive rect "$launcher_hwnd"; }
field() { sed -nE "s/.* $1=([^ ]+).*/\1/p"; }

# The owned layered backdrop: "visible x y w h".
backdrop() {
  local line
  line=$(drive owned "$launcher_hwnd" | grep -m1 'class=#32770') || return 1
  (( 0x$(field exstyle <<<"$line") & kLayered )) || return 1
  echo "$(field visible <<<"$line") $(sed -E 's/.* rect=([-0-9]+ [-0-9]+ [0-9]+ [0-9]+) title=.*/\1/' <<<"$line")"
}

# The launcher's visible children relative to its origin, "x y w h" sorted; the window is borderless,
# so its client area starts at its window origin.
panes() {
  local ox oy
  read -r ox oy _ <<<"$(rect_of)"
  drive children "$launcher_hwnd" | grep ' visible=1 ' |
    sed -E 's/.* rect=([-0-9]+) ([-0-9]+) ([0-9]+) ([0-9]+) title=.*/\1 \2 \3 \4/' |
    while read -r x y w h; do echo "$((x - ox)) $((y - oy)) $w $h"; done | sort
}
# The game layout for a client area of $1 x $2: page host, caption bar, left, right and bottom bar.
game_layout() {
  local cx=$1 cy=$2
  printf '%s\n' "5 25 $((cx - 10)) $((cy - 30))" "0 0 $cx 25" "0 25 5 $((cy - 30))" "$((cx - 5)) 25 5 $((cy - 30))" \
    "0 $((cy - 5)) $cx 5" | sort
}
expect_game_layout() {
  local x y w h cw ch
  read -r x y w h <<<"$(rect_of)"
  read -r _ _ cw ch <<<"$(drive client "$launcher_hwnd")"
  expect_eq "$cw x $ch" "$w x $h" "$1: borderless (client area is the whole window)"
  expect_eq "$(panes | tr '\n' ';')" "$(game_layout "$w" "$h" | tr '\n' ';')" "$1: panes laid out for $w x $h"
}
# The caption bar: the visible child at 0, 0 that is 25 high.
caption_bar() {
  local ox oy
  read -r ox oy _ <<<"$(rect_of)"
  drive children "$launcher_hwnd" | grep ' visible=1 ' | grep " rect=$ox $oy [0-9]* 25 " | cut -d' ' -f1
}
tray_icon_left() { [ "$(drive trayicon "$launcher_hwnd" $kTrayIcon)" = 1 ]; }

# The backdrop's pixels in a screenshot, with the page rectangle (where the page shows through) blanked.
backdrop_pixels() { # screenshot, x, y
  convert "$shots/$1.png" -crop "888x591+$2+$3" +repage -fill black -draw "rectangle 319,180 845,528" \
    "$work/$1-backdrop.png"
  echo "$work/$1-backdrop.png"
}

read -r screen_w screen_h <<<"$(screen_size)"
# Where centring puts a window of $1 x $2: its middle on the screen's middle, each halved apart.
centred() { echo "$((screen_w / 2 - $1 / 2)) $((screen_h / 2 - $2 / 2))"; }
rm -f "$shots"/*.png

# 1. Login mode: 888 x 591, centred, shaped, under the layered backdrop at the same place.
start_launcher "$e2e_exe"
within 50 is_visible "$launcher_hwnd" || fail "the login window is not visible"
within 50 backdrop >/dev/null || fail "no layered backdrop window owned by the launcher"
within 20 eval '[ "$(backdrop | cut -d" " -f1)" = 1 ]' || fail "the backdrop is not visible"
sleep 0.5
shot 01-login
read -r login_x login_y login_w login_h <<<"$(rect_of)"
expect_eq "$login_w x $login_h" "888 x 591" "login window size"
expect_eq "$login_x $login_y" "$(centred 888 591)" "login window centred"
expect_eq "$(drive title "$launcher_hwnd")" "$kLoginTitle" "login title"
expect_eq "$(remote apartment)" "ole" "the UI thread runs OLE, not COM alone"
login_region=$(drive region "$launcher_hwnd")
[[ $login_region == rects* ]] || fail "the login window has no region: $login_region"
read -r _ _ _ rx ry rw rh <<<"$login_region"
expect_eq "$rx $((ry + rh))" "319 529" "region bounds from the page's left edge to below its last row"
((ry >= 157 && ry <= 180 && rx + rw > 846 && rx + rw <= 871)) || fail "region bounds $login_region: the close spot is not its top right"
pass "region bounds reach up and right to the close spot"
for point in "319 180 1" "845 528 1" "859 169 1" "846 180 0" "318 300 0" "847 157 0" "100 100 0"; do
  read -r px py inside <<<"$point"
  expect_eq "$(drive inregion "$launcher_hwnd" "$px" "$py")" "$inside" "region holds ($px, $py): $inside"
done
expect_eq "$(backdrop)" "1 $login_x $login_y 888 591" "backdrop visible at the launcher's rectangle"
login_backdrop=$(backdrop_pixels 01-login "$login_x" "$login_y")
[ "$(identify -format %k "$login_backdrop")" -gt 100 ] || fail "the backdrop shows no picture (screenshot 01-login)"
pass "the backdrop shows a picture"
within 20 tray_icon_left || fail "no tray icon"
pass "tray icon present"

# 2. The start page was asked of the platform.
within 100 more_start_page_requests_than 0 || fail "the demo platform never saw GET /ct"
pass "start page requested (GET /ct)"
shot 02-start-page

# 3. A completed document whose URL carries an auth payload names the server in the title.
remote complete "$kAuthUrl" >/dev/null
expect_eq "$(drive title "$launcher_hwnd")" "$kServerTitle" "title after the auth document completed"
shot 03-server-title

# 4. The page calls EnterGame: maximised, no region, no backdrop, caption bar and edge bars laid out.
expect_eq "$(remote call EnterGame)" "VT_EMPTY" "EnterGame returns no value"
within 50 eval '[ "$(drive zoomed "$launcher_hwnd")" = 1 ]' || fail "game mode is not maximised"
sleep 0.5
shot 04-game
expect_eq "$(drive region "$launcher_hwnd")" "none" "no region in game mode"
expect_eq "$(backdrop | cut -d' ' -f1)" "0" "backdrop hidden in game mode"
expect_game_layout "maximised"
bar=$(caption_bar)
[ -n "$bar" ] || fail "no caption bar"
read -r x y w h <<<"$(rect_of)"
expect_eq "$(drive children "$bar" | grep -c 'class=Button .*visible=1')" "5" "five buttons on the caption bar"
buttons=$(drive children "$bar" | sed -E 's/.* rect=([-0-9]+) ([-0-9]+) ([0-9]+) ([0-9]+) title=.*/\1 \2 \3 \4/' |
            while read -r bx by bw bh; do echo "$((bx - x)) $((by - y)) $bw $bh"; done | sort -n | tr '\n' ';')
expected=""
for offset in 100 80 60 40 20; do expected+="$((w - offset)) 3 19 19;"; done
expect_eq "$buttons" "$expected" "caption buttons at the right end"
expect_eq "$(drive title "$launcher_hwnd")" "$kServerTitle" "server title kept in game mode"

# 5. Restore with the maximise button, then drag the window by its caption bar.
xdotool mousemove $((x + w - 40 + 9)) $((y + 3 + 9)) click 1
within 50 eval '[ "$(drive zoomed "$launcher_hwnd")" = 0 ]' || fail "the maximise button did not restore"
sleep 0.3
read -r x y w h <<<"$(rect_of)"
expect_eq "$w x $h" "1200 x 800" "restored to 1200 x 800"
expect_eq "$x $y" "$(centred 1200 800)" "restored window centred"
shot 05-restored
xdotool mousemove $((x + 300)) $((y + 12)) mousedown 1
sleep 0.2
for step in 1 2 3 4 5 6; do xdotool mousemove $((x + 300 + 10 * step)) $((y + 12 + 5 * step)); sleep 0.05; done
xdotool mouseup 1
sleep 0.5
read -r dx dy dw dh <<<"$(rect_of)"
expect_eq "$dx $dy $dw $dh" "$((x + 60)) $((y + 30)) 1200 800" "dragged by the caption bar"
shot 05-dragged

# 6. Resize from the right edge band (over the right bar); the panes follow.
edge_x=$((dx + dw - 2)) edge_y=$((dy + 400))
xdotool mousemove "$edge_x" "$edge_y" mousedown 1
sleep 0.2
for step in 1 2 3 4; do xdotool mousemove $((edge_x - 20 * step)) "$edge_y"; sleep 0.05; done
xdotool mouseup 1
sleep 0.5
read -r rx ry rw rh <<<"$(rect_of)"
expect_eq "$rx $ry $rw $rh" "$dx $dy $((dw - 80)) $dh" "resized by the right edge"
expect_game_layout "resized"
shot 06-resized

# 7. Tray icon: a left click hides the window, another shows it.
drive post "$launcher_hwnd" $kTrayCallback $kTrayIcon $kLButtonUp || fail "tray click not posted"
within 30 is_hidden "$launcher_hwnd" || fail "the tray click did not hide the window"
pass "tray click hides"
shot 07-hidden
drive post "$launcher_hwnd" $kTrayCallback $kTrayIcon $kLButtonUp || fail "tray click not posted"
within 30 is_visible "$launcher_hwnd" || fail "the tray click did not show the window"
pass "tray click shows"
expect_eq "$(backdrop | cut -d' ' -f1)" "0" "backdrop stays hidden in game mode"
sleep 0.3
shot 07-shown

# 8. Menu Refresh opens the start page again and stays in game mode.
before=$(start_page_requests)
drive post "$launcher_hwnd" $kWmCommand $kRefresh 0 || fail "Refresh not posted"
within 100 more_start_page_requests_than "$before" || fail "Refresh did not ask for /ct again"
pass "Refresh asked for the start page again ($(start_page_requests) requests of /ct)"
expect_eq "$(drive visible "$bar") $(drive region "$launcher_hwnd")" "1 none" "still game mode after Refresh"
shot 08-refreshed

# 9. Menu Clear cache (sent, so it has run when the send returns); the launcher keeps running.
drive send "$launcher_hwnd" $kWmCommand $kClearCache 0 >/dev/null || fail "Clear cache was not handled"
drive send "$launcher_hwnd" $kWmNull 0 0 >/dev/null || fail "the launcher stopped answering after Clear cache"
[ ! -f "$work/exit" ] || fail "the launcher ended after Clear cache"
expect_eq "$(drive visible "$bar")" "1" "still running in game mode after Clear cache"
shot 09-cache-cleared

# 10. The page calls GotoLogin (any letter case): login mode again, same shape, same backdrop, title kept.
expect_eq "$(remote call gotologin)" "VT_EMPTY" "gotologin returns no value"
within 50 eval '[ "$(backdrop | cut -d" " -f1)" = 1 ]' || fail "the backdrop did not come back"
sleep 0.5
shot 10-login-again
expect_eq "$(rect_of)" "$login_x $login_y 888 591" "login window back at its size, centred"
expect_eq "$(drive region "$launcher_hwnd")" "$login_region" "same region as at start"
expect_eq "$(backdrop)" "1 $login_x $login_y 888 591" "backdrop back at the launcher's rectangle"
expect_eq "$(drive visible "$bar")" "0" "caption bar hidden in login mode"
expect_eq "$(drive title "$launcher_hwnd")" "$kServerTitle" "server title kept in login mode"
again_backdrop=$(backdrop_pixels 10-login-again "$login_x" "$login_y")
differing=$(compare -metric AE "$login_backdrop" "$again_backdrop" null: 2>&1) || true
expect_eq "$differing" "0" "same backdrop picture as at start (differing pixels)"

# 11. Exit confirmation answered OK: exit code 0, tray icon gone.
drive post "$launcher_hwnd" $kWmCommand $kExit 0 || fail "Exit not posted"
question=$(drive msgbox Lumvane 1) || fail "no exit confirmation"
expect_eq "$(grep -c '当前正在游戏中，你确认要退出吗？' <<<"$question")" "1" "exit confirmation asked"
expect_eq "$(launcher_exit_code)" "0" "exit code after confirming"
launcher_pid=""
tray_icon_left && fail "the tray icon is left after the exit"
pass "no tray icon left after the exit"
shot 11-exited

# 12. A second run, ended with WM_CLOSE.
start_launcher "$e2e_exe"
within 20 tray_icon_left || fail "no tray icon in the second run"
shot 12-second-run
drive post "$launcher_hwnd" $kWmClose 0 0 || fail "WM_CLOSE not posted"
expect_eq "$(launcher_exit_code)" "0" "exit code after WM_CLOSE"
launcher_pid=""
tray_icon_left && fail "the tray icon is left after WM_CLOSE"
pass "no tray icon left after WM_CLOSE"
shot 12-closed
echo "screenshots: $shots"
