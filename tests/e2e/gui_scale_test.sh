#!/usr/bin/env bash
# The real window under Xvfb at 96 and at 144 dpi: its client area is 900x600
# scaled to the DPI, and a resize below the minimum stops at the minimum.
# Sizes are read through Win32: Wine sets no X size hints (and without a
# window manager a maximised window keeps its X size, so maximising is not
# tested here). TWK_SCREENSHOT_DIR, when set, receives idle-144.png.
set -uo pipefail
here=$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)
. "$here/gui-session.sh"
trap gui_session_stop EXIT

fail() { echo "FAIL: $*" >&2; exit 1; }
sizes() { timeout 30 wine "$TWK_TEST_TOOLS/window_sizes.exe" "$@" </dev/null 2>/dev/null | tr -d '\r'; }
size_of() { sed -n "s/^$1 //p" <<<"$2"; }

start_xvfb || exit 1
for dpi in 96 144; do
  TWK_DPI=$dpi prepare_prefix
  make_profile
  start_window || exit 1
  report=$(sizes)
  expected="$((900 * dpi / 96)) $((600 * dpi / 96))"
  [ "$(size_of client "$report")" = "$expected" ] || fail "client area at $dpi dpi: $report (expected $expected)"
  read -r min_w min_h <<<"$(size_of minimum "$report")"
  [ "$min_w" -gt 0 ] && [ "$min_h" -gt 0 ] && [ "$min_w" -lt "${expected% *}" ] && [ "$min_h" -lt "${expected#* }" ] ||
    fail "minimum at $dpi dpi: $report"
  [ "$(size_of shrunk "$report")" = "$min_w $min_h" ] || fail "a resize below the minimum at $dpi dpi: $report"
  if [ "$dpi" = 144 ] && [ -n "${TWK_SCREENSHOT_DIR:-}" ]; then
    sleep 1
    eval "$(timeout 5 xdotool getwindowgeometry --shell "$WINDOW")"
    timeout 20 import -window root -crop "${expected% *}x${expected#* }+$X+$Y" +repage "$TWK_SCREENSHOT_DIR/idle-144.png"
  fi

  timeout 5 xdotool key --window "$WINDOW" Escape 2>/dev/null
  timeout 20 tail --pid="$LAUNCH_PID" -f /dev/null || fail "twk.exe did not end at $dpi dpi"
  LAUNCH_PID=""
  rm -rf "$PROFILE"
  PROFILE=""
done
echo "window sizes at 96 and 144 dpi: ok"
