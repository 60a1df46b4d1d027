#!/usr/bin/env bash
# Crashes, from outside (a thread started at an invalid address) and inside the program's own code:
# each leaves a minidump that crash-report.sh reads. A launcher that ran for ten seconds comes back
# in a fresh process and leaves no tray icon behind; one that crashes sooner does not come back.
source "$(dirname "$0")/lib.sh"

readonly kWmClose=0x0010 kTrayIcon=128 kAccessViolationExit=5 # C0000005, as Wine's 8-bit exit code
e2e_exe="$(dirname "$exe")/Lumvane_e2e.exe"
[ -f "$e2e_exe" ] || fail "$e2e_exe is missing: build the Lumvane_e2e target"
reports="$WINEPREFIX/drive_c/users/$(id -un)/AppData/Local/Lumvane/crashes"
rm -rf "$reports"

report_count() { find "$reports" -name 'Lumvane-1.0.0.1-*Z-*.dmp' 2>/dev/null | wc -l; }
newest_report() { ls -t "$reports"/*.dmp | head -n1; }
# Waits for a launcher window of another process than the given one; prints it.
launcher_of_another_process() { # old process id
  local window
  for _ in $(seq 60); do
    window=$(drive wait "Quarnis-->Brevik" 250) && [ "$(drive pid "$window")" != "$1" ] && { echo "$window"; return; }
    sleep 0.25
  done
  return 1
}
close_fresh_launchers() {
  local window
  while window=$(drive wait "Quarnis-->Brevik" 0); do drive post "$window" $kWmClose 0 0; drive gone "$window" 5000; done
}
trap 'close_fresh_launchers; e2e_cleanup' EXIT

start_launcher "$e2e_exe" -all,warn+seh # Wine prints OutputDebugString's lines on that channel
first_pid=$(drive pid "$launcher_hwnd")
sleep 10 # the launcher has run for ten seconds: a crash now is not a crash at start
crashed_at=$(date +%s%N)
drive crash "$launcher_hwnd" || fail "no thread could be started in the launcher"
expect_eq "$(launcher_exit_code)" "$kAccessViolationExit" "the crashed launcher ends with the access violation's code"
expect_eq "$(report_count)" "1" "one report in the folder"
report=$(newest_report)
expect_eq "$(head -c 4 "$report")" "MDMP" "the report is a minidump"
summary=$("$e2e_repo/scripts/crash-report.sh" "$report")
grep -q '^Exception: 0xC0000005 EXCEPTION_ACCESS_VIOLATION executing address 0x10$' <<<"$summary" ||
  fail "the report's exception: $summary"
pass "its exception stream holds the access violation at the thread's start address"
grep -aqF "Lumvane: crashed (0xC0000005), report C:\\\\users\\\\$(id -un)\\\\AppData\\\\Local\\\\Lumvane\\\\crashes\\\\$(basename "$report")" "$work/stderr" ||
  fail "no trace line naming the report"
pass "one trace line names the crash and its report"

fresh=$(launcher_of_another_process "$first_pid") || fail "no fresh launcher came up"
pass "a fresh launcher came up in another process, $(( ($(date +%s%N) - crashed_at) / 1000000 )) ms after the crash"
expect_eq "$(drive trayicon "$launcher_hwnd" $kTrayIcon)" "0" "the crashed launcher's tray icon is gone"
expect_eq "$(drive trayicon "$fresh" $kTrayIcon)" "1" "the fresh launcher has its own"
expect_eq "$(drive visible "$fresh")" "1" "the fresh launcher shows in login mode"

# The fresh launcher crashes inside the program's own code before it has run ten seconds.
expect_eq "$(drive remote "$fresh" crash)" "crashing" "the fresh launcher crashes in the program's own code"
drive gone "$fresh" 30000 || fail "the fresh launcher did not end after its crash"
expect_eq "$(report_count)" "2" "a second report"
summary=$("$e2e_repo/scripts/crash-report.sh" "$(newest_report)" "$e2e_exe")
fault_line=$(grep -n '^    \*target = 1;$' "$e2e_repo/tests/e2e/remote.cpp" | cut -d: -f1)
grep -q "^Address: Lumvane_e2e.exe+0x[0-9a-f]* in CrashOnPurpose\(()\)\? at tests/e2e/remote.cpp:$fault_line\$" <<<"$summary" ||
  fail "the report does not name the function and line of the crash: $summary"
grep -q '^  #1 Lumvane_e2e.exe+0x[0-9a-f]* \[CrashingThread' <<<"$summary" || fail "the stack does not lead back to its caller: $summary"
pass "crash-report.sh names the function, file and line of the crash, and walks back to its caller"
sleep 3
expect_eq "$(drive count "#32770" "Quarnis-->Brevik")" "0" "a launcher that crashed within ten seconds of its start is not started again"
