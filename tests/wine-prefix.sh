#!/usr/bin/env bash
# Creates the test prefix (with a private HOME, so Wine links no real user
# folders into it) and keeps its wineserver alive for the run; `stop` ends it.
set -euo pipefail
here=$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)
. "$here/wine-env.sh"
: "${HOME:?}"

if [ "${1:-start}" = stop ]; then
  wineserver -k </dev/null >/dev/null 2>&1 || true
  echo "wine server stopped: $WINEPREFIX"
  exit 0
fi
mkdir -p "$HOME" "${XDG_DATA_HOME:-$HOME/.local/share}" "$(dirname "$WINEPREFIX")"
[ -f "$WINEPREFIX/system.reg" ] || wineboot -i </dev/null >/dev/null 2>&1
"$here/../scripts/prefix-fonts.sh"
# A persistent server makes each test program start in milliseconds.
wineserver -p </dev/null >/dev/null 2>&1 &
echo "wine prefix ready: $WINEPREFIX"
