#!/usr/bin/env bash
# Installs what the build and the tests need (Debian packages) and makes the private Wine prefix.
# Safe to run again: it only does what is missing.
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)

packages=(cmake g++ make googletest mingw-w64 g++-mingw-w64-x86-64-posix wine wine64 xvfb xauth
          xdotool x11-utils imagemagick fonts-wqy-microhei python3 python3-pil liblnk-utils clang
          libclang-rt-14-dev xcompmgr locales git osslsigncode openssl)
"$here/install-packages.sh" "${packages[@]}"

source "$here/wine-env.sh"
made_here="$LUMVANE_WINE_DIR/.made-by-lumvane-setup"
if [ ! -f "$LUMVANE_WINE_DIR/ready" ]; then
  # A half-made folder of this script's own is made again; a folder with anything else in it is
  # someone else's and is left alone.
  if [ -d "$LUMVANE_WINE_DIR" ] && [ ! -f "$made_here" ] && [ -n "$(ls -A "$LUMVANE_WINE_DIR")" ]; then
    echo "setup: $LUMVANE_WINE_DIR holds files this script did not make; set LUMVANE_WINE_DIR to a new or empty folder" >&2
    exit 1
  fi
  echo "setup: making the Wine prefix in $LUMVANE_WINE_DIR"
  rm -rf "$LUMVANE_WINE_DIR"
  mkdir -p "$LUMVANE_WINE_DIR"
  touch "$made_here"
  mkdir -p "$HOME/Desktop" "$XDG_CONFIG_HOME" "$XDG_DATA_HOME" "$LOCPATH"
  # No Gecko prompt while the prefix is made: the HTML engine is left out of wineboot only.
  WINEDLLOVERRIDES="$WINEDLLOVERRIDES;mshtml=" wineboot --init >/dev/null 2>&1
  wineserver -w
  cat > "$LUMVANE_WINE_DIR/settings.reg" <<'REG'
Windows Registry Editor Version 5.00

[HKEY_CURRENT_USER\Software\Wine\X11 Driver]
"Managed"="N"
"Decorated"="N"

[HKEY_CURRENT_USER\Software\Wine\WineDbg]
"ShowCrashDialog"=dword:00000000

[HKEY_CURRENT_USER\Software\Wine\Fonts\Replacements]
"宋体"="WenQuanYi Micro Hei"
"SimSun"="WenQuanYi Micro Hei"
"MS Shell Dlg"="WenQuanYi Micro Hei"
"新宋体"="WenQuanYi Micro Hei"
REG
  iconv -f UTF-8 -t UTF-16LE "$LUMVANE_WINE_DIR/settings.reg" | { printf '\xff\xfe'; cat; } > "$LUMVANE_WINE_DIR/settings-utf16.reg"
  wine regedit /S "$(winepath -w "$LUMVANE_WINE_DIR/settings-utf16.reg")" >/dev/null 2>&1
  wineserver -w
  # The prefix's Desktop must be a real folder the tests can look into.
  desktop="$WINEPREFIX/drive_c/users/$(id -un)/Desktop"
  if [ -L "$desktop" ] || [ ! -d "$desktop" ]; then rm -f "$desktop"; ln -s "$HOME/Desktop" "$desktop"; fi
  touch "$LUMVANE_WINE_DIR/ready"
fi
# The system languages the tests run the launcher in: code pages 936, 950 and 1252.
for locale in zh_CN zh_TW en_US; do
  [ -d "$LOCPATH/$locale.UTF-8" ] || localedef -i "$locale" -f UTF-8 "$LOCPATH/$locale.UTF-8" 2>/dev/null || true
done
