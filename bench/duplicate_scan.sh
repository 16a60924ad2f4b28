#!/usr/bin/env bash
# Duplicate scan benchmark: twk under Wine against jdupes and rdfind over one
# generated tree, warm cache. Usage: bench/duplicate_scan.sh [build-dir] [--large]
# Prints a Markdown table; the tree is made under /tmp and deleted afterwards.
set -euo pipefail
here=$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)
build=$(cd "${1:-$here/../build}" && pwd)
. "$here/../scripts/utf8-locale.sh"

missing=()
for tool in jdupes rdfind; do command -v "$tool" >/dev/null || missing+=("$tool"); done
if [ ${#missing[@]} -gt 0 ]; then
  sudo=""; [ "$(id -u)" -eq 0 ] || sudo=sudo
  $sudo apt-get install -y "${missing[@]}"
fi

# A prefix of its own with a private home, kept warm for the timed runs.
export WINEPREFIX="$build/bench-wine/prefix" HOME="$build/bench-wine/home"
export XDG_DATA_HOME="$HOME/.local/share" WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml="
mkdir -p "$HOME"
[ -f "$WINEPREFIX/system.reg" ] || timeout 300 wineboot -i </dev/null >/dev/null 2>&1
wineserver -p </dev/null >/dev/null 2>&1 &
trap 'wineserver -k </dev/null >/dev/null 2>&1 || true' EXIT
# Start Wine's services now, with no pipe for them to inherit and keep open.
timeout 300 wineboot </dev/null >/dev/null 2>&1 || true

timeout 3000 python3 "$here/duplicate_scan.py" --twk "$build/twk.exe" "${@:2}"
