#!/usr/bin/env bash
# The shell loses the launcher's tray icon (Explorer restarts) and announces its new taskbar with
# "TaskbarCreated": the launcher adds its icon again, and the icon works as before.
source "$(dirname "$0")/lib.sh"

readonly kWmClose=0x0010 kTrayCallback=0x0401 kTrayIcon=128 kLButtonUp=0x0202

start_launcher
expect_eq "$(drive trayicon "$launcher_hwnd" $kTrayIcon)" "1" "the icon at start"

for round in 1 2; do
  drive untray "$launcher_hwnd" $kTrayIcon || fail "the icon could not be taken away"
  expect_eq "$(drive trayicon "$launcher_hwnd" $kTrayIcon)" "0" "round $round: the shell lost the icon"
  drive taskbarcreated "$launcher_hwnd" || fail "TaskbarCreated not delivered"
  expect_eq "$(drive trayicon "$launcher_hwnd" $kTrayIcon)" "1" "round $round: the icon is back"
done

drive taskbarcreated "$launcher_hwnd" || fail "TaskbarCreated not delivered"
expect_eq "$(drive trayicon "$launcher_hwnd" $kTrayIcon)" "1" "an announcement with the icon still there keeps it"

drive post "$launcher_hwnd" $kTrayCallback $kTrayIcon $kLButtonUp
sleep 0.5
expect_eq "$(drive visible "$launcher_hwnd")" "0" "a click on the icon hides the launcher"
drive post "$launcher_hwnd" $kTrayCallback $kTrayIcon $kLButtonUp
sleep 0.5
expect_eq "$(drive visible "$launcher_hwnd")" "1" "and shows it again"

drive post "$launcher_hwnd" $kWmClose 0 0 || fail "WM_CLOSE not posted"
expect_eq "$(launcher_exit_code)" "0" "exit code after WM_CLOSE"
expect_eq "$(drive trayicon "$launcher_hwnd" $kTrayIcon)" "0" "no icon left behind"
