#!/usr/bin/env bash
# The launcher starts in login mode, centred, 888 x 591, titled "Quarnis-->Brevik";
# WM_CLOSE ends it at once with exit code 0.
source "$(dirname "$0")/lib.sh"

start_launcher
shot login
read -r x y w h <<<"$(drive rect "$launcher_hwnd")"
expect_eq "$w x $h" "888 x 591" "login window size"
read -r sw sh <<<"$(screen_size)"
expect_eq "$x $y" "$(( (sw - 888) / 2 )) $(( (sh - 591) / 2 ))" "login window centred"
expect_eq "$(drive title "$launcher_hwnd")" "Quarnis-->Brevik" "title"

drive post "$launcher_hwnd" 0x0010 0 0 || fail "WM_CLOSE not posted"
expect_eq "$(launcher_exit_code)" "0" "exit code after WM_CLOSE"
