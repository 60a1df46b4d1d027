#!/usr/bin/env bash
# Every start writes one desktop link to the started executable: read with an independent reader
# (lnkinfo, with the narrow texts in code page 936) and from the file's header bytes (show command
# at 0x3C, hot key at 0x40, which this lnkinfo does not read). A second start from a copy of the
# program in another folder rewrites the link to point there, also from a folder whose name has
# characters outside code page 936, beside a folder that the name's "?"-for-each-such-character
# spelling would also match: the shell resolves the link's item list to the started program.
source "$(dirname "$0")/lib.sh"

readonly kWmClose=0x0010
readonly kLinkName="Quarnis·Brevik极速登陆器.lnk"
desktop="$HOME/Desktop"
link="$desktop/$kLinkName"
[ -d "$desktop" ] || fail "no desktop folder $desktop: run scripts/setup.sh"

desktop_listing() { ls -A "$desktop" | sort; }
link_field() { lnkinfo -c windows-936 "$link" | sed -nE "s/^\t$1[[:space:]]*: (.*)$/\1/p"; }
header_value() { od -An -t "u$2" -j "$1" -N "$2" "$link" | tr -d ' '; }

run_once() { # exe, what
  start_launcher "$1"
  drive post "$launcher_hwnd" $kWmClose 0 0 || fail "WM_CLOSE not posted"
  expect_eq "$(launcher_exit_code)" "0" "$2: exit code"
  rm -f "$work/exit"
}
expect_link_to() { # exe, what
  expect_eq "$(comm -13 <(echo "$others") <(desktop_listing))" "$kLinkName" "$2: exactly one new file, the link"
  expect_eq "$(link_field 'Local path')" "$(winepath -w "$1" 2>/dev/null)" "$2: target is the started executable"
  expect_eq "$(link_field 'Description')" "Orvaskel" "$2: description"
  expect_eq "$(link_field 'Command line arguments')$(link_field 'Working directory')" "" \
    "$2: no arguments, no working directory"
  expect_eq "$(header_value $((0x3C)) 4)" "1" "$2: show command SW_SHOWNORMAL"
  expect_eq "$(printf '0x%04X' "$(header_value $((0x40)) 2)")" "0x027B" "$2: hot key Ctrl+F12"
}

rm -f "$link"
others=$(desktop_listing)

run_once "$exe" "first start"
expect_link_to "$exe" "first start"

copy="$work/另一个文件夹/Lumvane.exe"
mkdir -p "$(dirname "$copy")"
cp "$exe" "$copy"
run_once "$copy" "start of a copy"
expect_link_to "$copy" "start of a copy"

foreign="$work/게임 Ñandú/Lumvane.exe"    # in code page 936: "?? ?and" and "ú"
lookalike="$work/ab Xandú/Lumvane.exe"    # matched by that spelling read as a pattern
mkdir -p "$(dirname "$foreign")" "$(dirname "$lookalike")"
cp "$exe" "$foreign"
cp "$exe" "$lookalike"
run_once "$foreign" "start from a folder named outside code page 936"
expect_eq "$(drive linktarget "$(winepath -w "$link" 2>/dev/null)")" "$(winepath -w "$foreign" 2>/dev/null)" \
  "the shell resolves the link to the started program"
rm -f "$link"
