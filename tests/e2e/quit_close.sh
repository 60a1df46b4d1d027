#!/usr/bin/env bash
# Closing the launcher window quits at once without asking, with exit code 0 and the tray icon
# removed: WM_CLOSE posted to it, then Alt+F4 typed on it. Nobody answers any question here, so a
# question would keep the process alive and fail the run. The launcher's own removal of its icon
# is read from its shell's trace of Shell_NotifyIcon (Wine removes a destroyed window's icons too).
source "$(dirname "$0")/lib.sh"

readonly kWmClose=0x0010 kTrayIcon=128

start_with_icon() {
  start_traced_launcher
  expect_eq "$(tray_icons) $(drive trayicon "$launcher_hwnd" $kTrayIcon)" "1 1" "tray icon there"
}
expect_closed() {
  expect_eq "$(launcher_exit_code)" "0" "$1: exit code"
  expect_eq "$(tray_calls)" "0 2 " "$1: the icon added once and removed before the exit"
  expect_eq "$(tray_icons)" "0" "$1: no icon left in the notification area"
}

start_with_icon
drive post "$launcher_hwnd" $kWmClose 0 0 || fail "WM_CLOSE not posted"
expect_closed "WM_CLOSE"

start_with_icon
read -r x y _ <<<"$(drive rect "$launcher_hwnd")"
xdotool mousemove $((x + 600)) $((y + 350)) click 1   # into the page rectangle: the launcher is active
sleep 0.3
xdotool key alt+F4
expect_closed "Alt+F4"
