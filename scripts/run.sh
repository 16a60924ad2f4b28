#!/usr/bin/env bash
# Sets up the machine, builds twk and runs `twk scan` (or the given command)
# under Wine, in a prefix of its own inside the build tree.
set -euo pipefail
cd "$(dirname "${BASH_SOURCE[0]}")/.."
bash scripts/build.sh >/dev/null
. scripts/utf8-locale.sh
export WINEPREFIX=$PWD/build/run-wine/prefix WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml="
if [ ! -f "$WINEPREFIX/system.reg" ]; then
  mkdir -p "$WINEPREFIX"
  wineboot -i </dev/null >/dev/null 2>&1
fi
status=0
wine build/twk.exe "${@:-scan}" || status=$?
wineserver -k || true
exit "$status"
