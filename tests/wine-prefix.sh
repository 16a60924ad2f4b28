#!/usr/bin/env bash
# Creates the test prefix (with a private HOME, so Wine links no real user
# folders into it) and keeps its wineserver alive for the run; `stop` ends it.
set -euo pipefail
here=$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)
. "$here/wine-env.sh"
: "${HOME:?}"

case "${1:-start}" in
  start)
    mkdir -p "$HOME" "${XDG_DATA_HOME:-$HOME/.local/share}"
    if [ ! -f "$WINEPREFIX/system.reg" ]; then
      mkdir -p "$(dirname "$WINEPREFIX")"
      wineboot -i </dev/null >/dev/null 2>&1
    fi
    # A persistent server makes each test program start in milliseconds.
    wineserver -p </dev/null >/dev/null 2>&1 &
    echo "wine prefix ready: $WINEPREFIX"
    ;;
  stop)
    wineserver -k </dev/null >/dev/null 2>&1 || true
    echo "wine server stopped: $WINEPREFIX"
    ;;
  *)
    echo "usage: $0 start|stop" >&2
    exit 2
    ;;
esac
