# Private Wine environment of the project; source it. LUMVANE_WINE_DIR picks the state folder
# (default build/wine): prefix, HOME with a real Desktop folder, XDG folders and the locales. Wine
# takes a process's ANSI code page from its locale: zh_CN (936) unless LUMVANE_LOCALE names
# another of the prefix's locales (zh_TW.UTF-8 for 950, en_US.UTF-8 for 1252).
lumvane_repo=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
: "${LUMVANE_WINE_DIR:=$lumvane_repo/build/wine}"
export LUMVANE_WINE_DIR
export WINEARCH=win64
export WINEPREFIX="$LUMVANE_WINE_DIR/prefix"
export HOME="$LUMVANE_WINE_DIR/home"
export XDG_CONFIG_HOME="$HOME/.config"
export XDG_DATA_HOME="$HOME/.local/share"
export WINEDEBUG=-all
export WINEDLLOVERRIDES="mscoree=;winemenubuilder.exe=d"
# Debian's Wine starts without a preloader, so with the kernel's heap randomisation a process now
# and then finds its heap where Wine must map the shared user data (0x7ffe0000) and ends at once,
# silently ("failed to map the shared user data: c0000018"). Every Wine process here, and all it
# starts, keeps the address layout the loader was linked for.
lumvane_wine=(setarch "$(uname -m)" --addr-no-randomize wine)
wine() { "${lumvane_wine[@]}" "$@"; }
export LOCPATH="$LUMVANE_WINE_DIR/locale"
[ -d "$LOCPATH/zh_CN.UTF-8" ] && { export LC_ALL=${LUMVANE_LOCALE:-zh_CN.UTF-8}; } 2>/dev/null
unset LANGUAGE
