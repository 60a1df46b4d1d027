#!/usr/bin/env bash
# The launcher's texts read the same on every system language: the same run on a Simplified
# Chinese (936), a Traditional Chinese (950) and a Western (1252) system, one Wine prefix and display
# for all three, each launcher started in its own locale. Read through the W functions from outside:
# the login and server titles (a sid in Simplified Chinese too), the tray tip as the notification
# area shows it, the game-mode caption bar and the exit question; then OK ends it with exit code 0.
source "$(dirname "$0")/lib.sh"

e2e_exe="$(dirname "$exe")/Lumvane_e2e.exe"
[ -f "$e2e_exe" ] || fail "$e2e_exe is missing: build the Lumvane_e2e target"

readonly kWmCommand=0x0111 kExit=32776 kOk=1
readonly kLoginTitle="Quarnis-->Brevik" kTrayTip="Brevik极速登陆器" kQuestion="当前正在游戏中，你确认要退出吗？"
readonly kAuth12="http://127.0.0.1:8731/play?auth=$(printf 'uid=1&sid=12' | base64)&sign=x"
readonly kAuthChinese="http://127.0.0.1:8731/play?auth=$(printf 'sid=\xd2\xbb\xc7\xf8' | base64)&sign=x" # 一区 in 936

remote() { local answer; answer=$(drive remote "$launcher_hwnd" "$@") || fail "remote $*: $answer"; echo "$answer"; }

for system in "zh_CN 936" "zh_TW 950" "en_US 1252"; do
  read -r locale code_page <<<"$system"
  export LC_ALL=$locale.UTF-8
  start_launcher "$e2e_exe"
  expect_eq "$(remote codepage)" "$code_page" "$locale: the launcher runs in code page $code_page"
  expect_eq "$(drive title "$launcher_hwnd")" "$kLoginTitle" "$locale: login title"
  expect_eq "$(drive traytips 10000)" "tip=$kTrayTip" "$locale: the tray tip"

  remote complete "$kAuthChinese" >/dev/null
  expect_eq "$(drive title "$launcher_hwnd")" "$kLoginTitle-->一区服" "$locale: a sid in Simplified Chinese"
  remote complete "$kAuth12" >/dev/null
  expect_eq "$(drive title "$launcher_hwnd")" "$kLoginTitle-->12服" "$locale: the server title"

  expect_eq "$(remote call EnterGame)" "VT_EMPTY" "$locale: EnterGame"
  for _ in $(seq 50); do [ "$(drive zoomed "$launcher_hwnd")" = 1 ] && break; sleep 0.1; done
  sleep 0.5
  shot "game-$locale"
  expect_eq "$(drive title "$launcher_hwnd")" "$kLoginTitle-->12服" "$locale: the game-mode title"

  drive post "$launcher_hwnd" $kWmCommand $kExit 0 || fail "$locale: Exit not posted"
  question=$(drive msgbox Lumvane $kOk) || fail "$locale: no exit question"
  expect_eq "$question" "text=$kQuestion" "$locale: the exit question"
  expect_eq "$(launcher_exit_code)" "0" "$locale: exit code after OK"
done
