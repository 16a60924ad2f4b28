#!/usr/bin/env bash
# The real window under Xvfb: start twk.exe without arguments on a fixture
# profile, scan with F5, read the activity log back through the X clipboard,
# check colours at fixed points, clean with Control+L, quit with Escape.
#
# The expected counts come from twk's own console scan of the same profile,
# so the test holds whichever cleaning modules are registered.
# TWK_SCREENSHOT_DIR, when set, receives idle.png and scan.png.
set -uo pipefail
here=$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)
. "$here/gui-session.sh"
trap gui_session_stop EXIT

fail() { echo "FAIL: $*" >&2; exit 1; }

origin_x=0
origin_y=0
window_origin() {
  local geometry
  geometry=$(timeout 5 xdotool getwindowgeometry "$WINDOW" | sed -n 's/.*Position: \([0-9]*\),\([0-9]*\).*/\1 \2/p') 2>/dev/null
  read -r origin_x origin_y <<<"$geometry"
}

# Keys go in as real input to the window under the pointer (Xvfb has no window
# manager, so the focus follows the pointer); events sent to a window directly
# do not carry the Control state reliably under Wine.
press() {
  timeout 5 xdotool mousemove "$((origin_x + 500))" "$((origin_y + 400))" 2>/dev/null
  timeout 5 xdotool key "$1" 2>/dev/null
}

shot() { timeout 20 import -window root -crop "900x600+$origin_x+$origin_y" +repage "$1"; }

# "r,g,b" of a client pixel in a screenshot.
pixel() { convert "$1" -format "%[fx:int(255*p{$2,$3}.r)],%[fx:int(255*p{$2,$3}.g)],%[fx:int(255*p{$2,$3}.b)]" info:; }

expect_pixel() {  # picture x y "r,g,b" what
  local got
  got=$(pixel "$1" "$2" "$3")
  [ "$got" = "$4" ] || fail "$5 at ($2,$3) is $got, expected $4"
  echo "ok: $5 ($4)"
}

# Selects the whole log and copies it, then prints the clipboard.
read_log() {
  timeout 5 xdotool mousemove "$((origin_x + 500))" "$((origin_y + 400))" click 1 2>/dev/null
  sleep 0.3
  press ctrl+a 2>/dev/null
  sleep 0.2
  press ctrl+c 2>/dev/null
  sleep 0.3
  timeout 5 xclip -o -selection clipboard 2>/dev/null
}

# Waits (30 s at most) for the log to contain a text; prints the log.
wait_for_log() {
  local i log
  for i in $(seq 1 40); do
    log=$(read_log)
    if grep -qF "$1" <<<"$log"; then
      printf '%s\n' "$log"
      return 0
    fi
    sleep 0.5
  done
  fail "the log never showed '$1'; it holds: $log"
}

mask_elapsed() { sed -E 's/completed in [0-9]+\.[0-9] seconds/completed in S seconds/'; }

expected_scan_report() {  # items size
  printf '%s\n' "=== SCAN STARTING ===" "====================" "MODULE STATUS:" "--------------" \
    "⏳ Temporary Files: Scanning..." "⏳ Browser Cache: Scanning..." "⏳ Windows Update: Scanning..." \
    "⏳ Duplicate Finder: Scanning..." "=== SCAN COMPLETE ===" "====================" \
    "SCAN SUMMARY:" "------------" "Total items found: $1" "Total size: $2" \
    "MODULE DETAILS:" "--------------" "📁 Temporary Files:" "   Status: ✓ Scanned"
  if [ "$1" -gt 0 ]; then
    printf '%s\n' "   Items found: $1" "   Total size: $2" "   Locations: %TEMP%, %TMP%, Windows\\Temp"
  else
    printf '%s\n' "   Result: No temporary files found"
  fi
  printf '%s\n' "🌐 Browser Cache:" "   Status: ⚠ Scanned with warnings" \
    "   Result: No cache found (browsers may be running)" \
    "   Note: Close all browsers before scanning for best results" \
    "⊞ Windows Update:" "   Status: ✓ Scanned" "   Result: No cleanable update files found" \
    "📑 Duplicate Files:" "   Status: ✓ Scanned" "   Result: No duplicate files found" \
    "" "------------------------" "Scan completed in S seconds"
}

start_xvfb || exit 1
prepare_prefix
make_profile

# What the console finds in the same profile.
timeout 90 "${TWK_COMMAND[@]}" scan </dev/null >"$PROFILE/console.txt" 2>&1
items=$(tr -d '\r' <"$PROFILE/console.txt" | sed -n 's/^Total items: \([0-9]*\)$/\1/p')
size=$(tr -d '\r' <"$PROFILE/console.txt" | sed -n 's/^Total size: \(.*\)$/\1/p')
[ -n "$items" ] && [ -n "$size" ] || fail "no totals in the console scan: $(cat "$PROFILE/console.txt")"
echo "console scan: $items items ($size)"

start_window || exit 1
window_origin
sleep 1
shot "$PROFILE/idle.png"
expect_pixel "$PROFILE/idle.png" 850 585 "15,23,42" "window background"
expect_pixel "$PROFILE/idle.png" 100 400 "15,23,42" "sidebar"
expect_pixel "$PROFILE/idle.png" 233 300 "55,65,81" "sidebar border"
expect_pixel "$PROFILE/idle.png" 117 56 "20,184,166" "Select all button"
expect_pixel "$PROFILE/idle.png" 780 300 "31,41,55" "log box"
expect_pixel "$PROFILE/idle.png" 262 532 "20,184,166" "Scan button"
expect_pixel "$PROFILE/idle.png" 350 532 "200,200,200" "Clean button before the scan"

press F5 2>/dev/null
report=$(wait_for_log "Scan completed in") || exit 1
diff <(expected_scan_report "$items" "$size") <(printf '%s\n' "$report" | mask_elapsed) ||
  fail "the scan report differs from the expected one"
echo "ok: scan report"
sleep 1  # the worker lets the report show before it ends
timeout 5 xdotool mousemove "$((origin_x + 700))" "$((origin_y + 510))" click 1 2>/dev/null  # drops the selection
timeout 5 xdotool mousemove "$((origin_x + 700))" "$((origin_y + 300))" 2>/dev/null
sleep 0.3
shot "$PROFILE/scan.png"
expect_pixel "$PROFILE/scan.png" 780 300 "31,41,55" "log box after the scan"
expect_pixel "$PROFILE/scan.png" 262 532 "20,184,166" "Scan button after the scan"
if [ "$items" -gt 0 ]; then
  expect_pixel "$PROFILE/scan.png" 350 532 "16,185,129" "Clean button after a scan with items"
else
  expect_pixel "$PROFILE/scan.png" 350 532 "200,200,200" "Clean button after a scan without items"
fi
if [ -n "${TWK_SCREENSHOT_DIR:-}" ]; then
  mkdir -p "$TWK_SCREENSHOT_DIR"
  cp "$PROFILE/idle.png" "$PROFILE/scan.png" "$TWK_SCREENSHOT_DIR/"
fi

# The report is longer than the log box. The wheel and the scroll keys show
# other lines; the selection (all of it) stays, so Control+C still copies it.
view() { shot "$1" && convert "$1" -crop 620x440+250+60 +repage "$1"; }
differ() { [ "$(compare -metric AE "$PROFILE/$1.png" "$PROFILE/$2.png" null: 2>&1)" != 0 ]; }
scroll() {  # picture key|wheel-up
  if [ "$2" = wheel-up ]; then
    timeout 5 xdotool mousemove "$((origin_x + 500))" "$((origin_y + 300))" click 4 2>/dev/null
  else
    press "$2"
  fi
  sleep 0.4
  view "$PROFILE/$1.png"
}
press ctrl+a
sleep 0.3
view "$PROFILE/end.png"
scroll wheel wheel-up && differ wheel end || fail "the wheel did not scroll the log"
scroll top ctrl+Home && differ top wheel && differ top end || fail "Control+Home did not show the top"
scroll page Next && differ page top || fail "Page Down did not scroll the log"
scroll up Prior && ! differ up top || fail "Page Up did not go back to the top"
scroll end-again ctrl+End && ! differ end-again end || fail "Control+End did not show the end again"
echo "sentinel" | timeout 5 xclip -selection clipboard -i 2>/dev/null
press ctrl+c
sleep 0.3
[ "$(timeout 5 xclip -o -selection clipboard 2>/dev/null | mask_elapsed)" = "$(printf '%s\n' "$report" | mask_elapsed)" ] ||
  fail "scrolling moved the selection"
echo "ok: the log scrolls by wheel and keys, the selection stays"

press ctrl+l 2>/dev/null
if [ "$items" -gt 0 ]; then
  clean=$(wait_for_log "Clean completed in") || exit 1
  grep -qxF "✓ Items cleaned: $items" <<<"$clean" || fail "clean report: $clean"
  [ ! -e "$PROFILE/Temp/old-report.log" ] && [ ! -e "$PROFILE/Temp/sub/old-cache.dat" ] ||
    fail "old temporary files are still there"
  echo "ok: clean report and files gone"
else
  sleep 2
  [ "$(read_log | mask_elapsed)" = "$(printf '%s\n' "$report" | mask_elapsed)" ] ||
    fail "Control+L without items changed the log"
  echo "ok: Control+L does nothing without items"
fi
[ -e "$PROFILE/Temp/fresh.log" ] && [ -e "$PROFILE/Temp/setup.tmp" ] || fail "a file that was not listed is gone"

# Escape during a scan: the teardown keeps painting for the reporting worker,
# so the program ends with the scan instead of after its 5 s wait.
sleep 1
press F5 2>/dev/null
sleep 0.3
press Escape 2>/dev/null
start=$(date +%s%N)
for i in $(seq 1 60); do
  kill -0 "$LAUNCH_PID" 2>/dev/null || break
  sleep 0.1
done
kill -0 "$LAUNCH_PID" 2>/dev/null && fail "Escape did not end twk.exe"
wait "$LAUNCH_PID"
status=$?
LAUNCH_PID=""
elapsed_ms=$((($(date +%s%N) - start) / 1000000))
[ "$status" -eq 0 ] || fail "twk.exe ended with status $status"
[ "$elapsed_ms" -lt 4500 ] || fail "twk.exe took $elapsed_ms ms to end after Escape during a scan"
echo "ok: Escape during a scan ends twk.exe with status 0 after $elapsed_ms ms"
