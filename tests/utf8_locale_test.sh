#!/usr/bin/env bash
# The locale the Wine scripts run in: C.UTF-8 wherever the user's settings
# give no UTF-8 character set (none at all, C, or a locale that is not
# installed), and a UTF-8 choice of the user's own left exactly as it was.
set -uo pipefail
snippet=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)/scripts/utf8-locale.sh
failures=0

check() {  # the LC_ALL expected afterwards ("-": unset), then the user's settings
  local expected=$1 actual
  shift
  actual=$(env -i PATH="$PATH" "$@" bash -c '. "$0"; echo "${LC_ALL:--} $(locale charmap 2>/dev/null)"' "$snippet")
  [ "$actual" = "$expected UTF-8" ] || { echo "FAIL: ${*:-no locale}: got $actual"; failures=$((failures + 1)); }
}
check C.UTF-8
check C.UTF-8 LC_ALL=C LANG=C.UTF-8
check C.UTF-8 LANG=xx_XX.UTF-8
check C.UTF-8 LC_CTYPE=xx_XX.UTF-8 LANG=C.UTF-8
check - LANG=C.UTF-8
check - LC_CTYPE=C.UTF-8
exit $((failures > 0))
