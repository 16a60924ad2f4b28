# Sourced by the Wine scripts: closes every descriptor a caller passed down
# beyond the standard three. Wine's server and services outlive the programs
# they serve, and would keep such a descriptor (often the test runner's
# output pipe) open long after the test ended.
for fd in /proc/$$/fd/*; do
  fd=${fd##*/}
  if [ "$fd" -gt 2 ] 2>/dev/null; then eval "exec $fd>&-" 2>/dev/null || true; fi
done
. "$(dirname "${BASH_SOURCE[0]}")/../scripts/utf8-locale.sh"
: "${WINEPREFIX:?WINEPREFIX must name the test prefix}"
export WINEDEBUG=${WINEDEBUG:--all}
export WINEDLLOVERRIDES=${WINEDLLOVERRIDES:-mscoree,mshtml=}
