#!/usr/bin/env bash
# The exit question (menu command Exit) answered with Cancel, with the Escape key and with the
# box's close button: each time the launcher runs on exactly as before, its tray icon included.
# Asking again while the question is open (more Exit picks, the close spot) opens no second one.
source "$(dirname "$0")/lib.sh"

readonly kWmClose=0x0010 kWmCommand=0x0111 kWmLButtonDown=0x0201 kExit=32776 kTrayIcon=128 kCancel=2
readonly kCloseSpotMiddle=$(( (157 + 12) << 16 | (847 + 12) ))
readonly kQuestion="当前正在游戏中，你确认要退出吗？"

# Everything Cancel must leave as it was: style (enabled), visibility, rectangle, title, tray icon.
launcher_state() {
  echo "$(drive info "$launcher_hwnd") tray=$(drive trayicon "$launcher_hwnd" $kTrayIcon) icons=$(tray_icons)"
}
# Asks the exit question through the menu command and waits for its box; sets box.
ask() {
  drive post "$launcher_hwnd" $kWmCommand $kExit 0 || fail "Exit not posted"
  box=$(drive waitclass '#32770' Lumvane) || fail "no exit question"
  sleep 0.3
}
expect_unchanged() {
  drive gone "$box" 5000 || fail "$1 did not close the question"
  sleep 0.3
  [ ! -f "$work/exit" ] || fail "the launcher ended after $1"
  expect_eq "$(launcher_state)" "$before" "$1: launcher, tray icon and state as before"
}

start_launcher
expect_eq "$(tray_icons)" "1" "one icon in the notification area"
expect_eq "$(drive trayicon "$launcher_hwnd" $kTrayIcon)" "1" "the launcher window's icon 128 is there"
expect_eq "$(drive trayicon "$launcher_hwnd" $((kTrayIcon + 1)))" "0" "no icon 129 (the check tells icons apart)"
before=$(launcher_state)

ask
shot question
children=$(drive children "$box")
expect_eq "$(grep -c "title=$kQuestion\$" <<<"$children")" "1" "the question's text"
expect_eq "$(grep -c 'class=Static style=5.....03 ' <<<"$children")" "1" "an icon beside it"
expect_eq "$(grep -o 'id=[0-9]* class=Button' <<<"$children" | tr '\n' ' ')" \
  "id=1 class=Button id=2 class=Button " "OK and Cancel, nothing else"
drive post "$box" $kWmCommand $kCancel 0 || fail "Cancel not posted"
expect_unchanged "Cancel"

ask
xdotool key Escape
expect_unchanged "Escape"

ask
read -r x y w _ <<<"$(drive rect "$box")"
xdotool mousemove $((x + w - 12)) $((y + 13)) click 1
expect_unchanged "the close button"
shot after-cancels

ask
drive post "$launcher_hwnd" $kWmCommand $kExit 0
drive post "$launcher_hwnd" $kWmCommand $kExit 0
drive post "$launcher_hwnd" $kWmLButtonDown 1 $kCloseSpotMiddle
sleep 1
expect_eq "$(drive count '#32770' Lumvane)" "1" "Exit picked three times and the close spot pressed: one question"
drive post "$box" $kWmCommand $kCancel 0 || fail "Cancel not posted"
expect_unchanged "Cancel of the one question"
expect_eq "$(drive count '#32770' Lumvane)" "0" "no question left open"

drive post "$launcher_hwnd" $kWmClose 0 0 || fail "WM_CLOSE not posted"
expect_eq "$(launcher_exit_code)" "0" "exit code after WM_CLOSE"
