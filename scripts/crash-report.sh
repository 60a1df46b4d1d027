#!/usr/bin/env bash
# Reads a crash report (a minidump from %LOCALAPPDATA%\Lumvane\crashes\) and prints the exception,
# the faulting address and the crashed thread's stack, with functions and source lines where
# symbols are at hand.
#   ./scripts/crash-report.sh REPORT [SYMBOLS]
# SYMBOLS: the program file with debug information (a test build's Lumvane.exe or Lumvane_e2e.exe),
# or a symbol folder as the release keeps it (dist/symbols/). LUMVANE_MODULE_PATH lists folders
# (separated by ':') with other modules' PE files for unwinding through them; by default Wine's own
# 64-bit DLLs, which serve reports written under Wine (only a file of the very same build is used).
set -euo pipefail
repo=$(cd "$(dirname "$0")/.." && pwd)
"$repo/scripts/install-packages.sh" python3 binutils-mingw-w64-x86-64
export LUMVANE_MODULE_PATH=${LUMVANE_MODULE_PATH-/usr/lib/x86_64-linux-gnu/wine/x86_64-windows}
exec /usr/bin/python3 "$repo/tools/crash_report.py" "$@"
