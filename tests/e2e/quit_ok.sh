#!/usr/bin/env bash
# The exit question answered OK ends the launcher with exit code 0 and takes its tray icon away:
# once in login mode (OK posted to the box) and once in game mode (OK clicked), the latter on
# Lumvane_e2e.exe, whose remote shim lets the page's EnterGame be called from outside.
# Wine removes the icons of a destroyed window by itself, so the launcher's own removal is read
# from its shell's trace of Shell_NotifyIcon (dwMessage 0 adds, 2 deletes).
source "$(dirname "$0")/lib.sh"

readonly kWmCommand=0x0111 kExit=32776 kTrayIcon=128 kOk=1
readonly kQuestion="当前正在游戏中，你确认要退出吗？"
e2e_exe="$(dirname "$exe")/Lumvane_e2e.exe"

expect_quit_with_ok() { # what: the run's name; the exit question is open
  expect_eq "$(launcher_exit_code)" "0" "$1: exit code after OK"
  drive gone "$launcher_hwnd" 5000 || fail "$1: the launcher window is still there"
  expect_eq "$(tray_calls)" "0 2 " "$1: the icon added once and removed before the exit"
  expect_eq "$(tray_icons)" "0" "$1: no icon left in the notification area"
}

# Login mode: OK posted to the box, as its button does.
start_traced_launcher "$exe"
expect_eq "$(tray_icons) $(drive trayicon "$launcher_hwnd" $kTrayIcon)" "1 1" "login mode: tray icon there"
drive post "$launcher_hwnd" $kWmCommand $kExit 0 || fail "Exit not posted"
answer=$(drive msgbox Lumvane $kOk) || fail "login mode: no exit question"
expect_eq "$(grep -c "$kQuestion" <<<"$answer")" "1" "login mode: the exit question asked"
expect_quit_with_ok "login mode"

# Game mode: the same question, OK clicked.
[ -f "$e2e_exe" ] || fail "$e2e_exe is missing: build the Lumvane_e2e target"
start_traced_launcher "$e2e_exe"
expect_eq "$(drive remote "$launcher_hwnd" call EnterGame)" "VT_EMPTY" "EnterGame"
for _ in $(seq 50); do [ "$(drive zoomed "$launcher_hwnd")" = 1 ] && break; sleep 0.1; done
expect_eq "$(drive zoomed "$launcher_hwnd") $(drive trayicon "$launcher_hwnd" $kTrayIcon)" "1 1" \
  "game mode: maximised, tray icon there"
drive post "$launcher_hwnd" $kWmCommand $kExit 0 || fail "Exit not posted"
box=$(drive waitclass '#32770' Lumvane) || fail "game mode: no exit question"
sleep 0.3
shot game-mode-question
ok_button=$(drive children "$box" | grep ' id=1 class=Button ') || fail "game mode: no OK button"
read -r x y w h <<<"$(sed -E 's/.* rect=([-0-9]+ [-0-9]+ [0-9]+ [0-9]+) title=.*/\1/' <<<"$ok_button")"
xdotool mousemove $((x + w / 2)) $((y + h / 2)) click 1
expect_quit_with_ok "game mode"
