#!/usr/bin/env bash
# Gives the Wine prefix in WINEPREFIX (after wineboot) the fonts the window
# asks for, as Windows has them: Wine's own fonts, which a new prefix does not
# find (every UI face would become Liberation Sans), with "Segoe UI" drawn by
# Tahoma, and Symbola standing in for Windows' emoji font, "Segoe UI Emoji".
set -euo pipefail
: "${WINEPREFIX:?}"
marker="$WINEPREFIX/.twk-fonts-v2"
[ -f "$marker" ] && exit 0
fonts="$WINEPREFIX/drive_c/windows/Fonts"
mkdir -p "$fonts"
cp -n /usr/share/wine/fonts/* "$fonts/"
reg=$(mktemp --suffix=.reg)
trap 'rm -f "$reg"' EXIT
printf '%s\r\n' 'REGEDIT4' '' '[HKEY_CURRENT_USER\Software\Wine\Fonts\Replacements]' \
  '"Segoe UI"="Tahoma"' '"Segoe UI Emoji"="Symbola"' '' >"$reg"
timeout 60 wine regedit /s "$(winepath -w "$reg")" </dev/null >/dev/null 2>&1
touch "$marker"
