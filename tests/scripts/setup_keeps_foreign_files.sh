#!/usr/bin/env bash
# The set-up script deletes only a Wine folder it made itself: pointed at a folder that holds other
# files, it refuses and leaves every file as it was.
set -uo pipefail
repo=$(cd "$(dirname "$0")/../.." && pwd)
folder=$(mktemp -d)
trap 'rm -rf "$folder"' EXIT
mkdir "$folder/notes"
echo "keep me" >"$folder/notes/todo.txt"
before=$(cd "$folder" && find . | sort; cat notes/todo.txt)

LUMVANE_WINE_DIR="$folder" "$repo/scripts/setup.sh" >/dev/null 2>"$folder.err"
status=$?
after=$(cd "$folder" && find . | sort; cat notes/todo.txt)
message=$(cat "$folder.err"); rm -f "$folder.err"

[ "$status" -ne 0 ] || { echo "FAIL: setup accepted a folder of someone else's"; exit 1; }
[ "$before" = "$after" ] || { echo "FAIL: setup changed the folder's files"; exit 1; }
grep -q "did not make" <<<"$message" || { echo "FAIL: setup did not say why it stopped: $message"; exit 1; }
echo "ok: setup refused a folder with other files (exit $status) and left them alone"
