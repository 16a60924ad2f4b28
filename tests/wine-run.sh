#!/usr/bin/env bash
# Runs a Windows program under Wine in the test prefix (CTest's cross-compiling
# emulator). The program's output goes through a file, not a pipe, because a
# Wine service started on its behalf may hold an inherited pipe open for good.
set -uo pipefail
here=$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)
. "$here/wine-env.sh"
[ -f "$WINEPREFIX/system.reg" ] || "$here/wine-prefix.sh" start >/dev/null
log=$(mktemp)
trap 'rm -f "$log"' EXIT
wine "$@" </dev/null >"$log" 2>&1
status=$?
cat "$log"
# A test program that dies mid-run can still leave Wine with status 0: one
# that started its tests must also have said that they passed.
if [ "$status" = 0 ] && grep -q '^\[==========\] Running' "$log" && ! grep -q '^\[  PASSED  \]' "$log"; then
  echo "wine-run: $1 ended without finishing its tests" >&2
  status=1
fi
exit $status
