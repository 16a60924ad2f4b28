#!/usr/bin/env bash
# The real window under Xvfb: start twk.exe without arguments on a fixture
# profile, scan with F5, read the activity log back through the X clipboard,
# check colours at fixed points, scroll the log, clean with Control+L, quit
# with Escape during a scan.
#
# The expected totals come from twk's own console scan of the same profile.
# TWK_SCREENSHOT_DIR, when set, receives idle.png and scan.png.
set -uo pipefail
here=$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)
. "$here/gui-session.sh"
trap gui_session_stop EXIT

fail() { echo "FAIL: $*" >&2; exit 1; }
x() { timeout 5 xdotool "$@" 2>/dev/null; }
at() { x mousemove "$((X + $1))" "$((Y + $2))" "${@:3}"; }  # client x y [then xdotool commands]
# Keys go in as real input to the window under the pointer (Xvfb has no window
# manager, so the focus follows the pointer); events sent to a window directly
# do not carry the Control state reliably under Wine.
press() { at 500 400 && x key "$1"; }
shot() { timeout 20 import -window root -crop "900x600+$X+$Y" +repage "$1"; }

# Reads "x y r,g,b what" rows and compares each with the client pixel of picture $1.
expect_pixels() {
  local px py rgb what got
  while read -r px py rgb what; do
    got=$(convert "$1" -format "%[fx:int(255*p{$px,$py}.r)],%[fx:int(255*p{$px,$py}.g)],%[fx:int(255*p{$px,$py}.b)]" info:)
    [ "$got" = "$rgb" ] || fail "$what at ($px,$py) is $got, expected $rgb"
  done
}

# Selects the whole log and copies it, then prints the clipboard.
read_log() {
  at 500 400 click 1 && sleep 0.3 && press ctrl+a && sleep 0.2 && press ctrl+c && sleep 0.3
  timeout 5 xclip -o -selection clipboard 2>/dev/null
}

wait_for_log() {  # text: prints the log once it shows the text (30 s at most)
  local i log
  for i in $(seq 1 40); do
    log=$(read_log) && grep -qF "$1" <<<"$log" && printf '%s\n' "$log" && return 0
    sleep 0.5
  done
  fail "the log never showed '$1'; it holds: $log"
}

expected_scan_report() {  # items size
  printf '%s\n' "=== SCAN STARTING ===" "====================" "MODULE STATUS:" "--------------" \
    "⏳ Temporary Files: Scanning..." "⏳ Browser Cache: Scanning..." "⏳ Windows Update: Scanning..." \
    "⏳ Duplicate Finder: Scanning..." "=== SCAN COMPLETE ===" "====================" \
    "SCAN SUMMARY:" "------------" "Total items found: $1" "Total size: $2" "MODULE DETAILS:" "--------------" \
    "📁 Temporary Files:" "   Status: ✓ Scanned" "   Items found: $1" "   Total size: $2" \
    "   Locations: %TEMP%, %TMP%, Windows\\Temp" "🌐 Browser Cache:" "   Status: ⚠ Scanned with warnings" \
    "   Result: No cache found (browsers may be running)" \
    "   Note: Close all browsers before scanning for best results" \
    "⊞ Windows Update:" "   Status: ✓ Scanned" "   Result: No cleanable update files found" \
    "📑 Duplicate Files:" "   Status: ✓ Scanned" "   Result: No duplicate files found" \
    "" "------------------------" "Scan completed in S seconds"
}

start_xvfb || exit 1
prepare_prefix
make_profile

timeout 90 "${TWK_COMMAND[@]}" scan </dev/null >"$PROFILE/console.txt" 2>&1
items=$(sed -n 's/^Total items: \([1-9][0-9]*\)\r\?$/\1/p' "$PROFILE/console.txt")
size=$(sed -n 's/^Total size: \([^\r]*\)\r\?$/\1/p' "$PROFILE/console.txt")
[ -n "$items" ] && [ -n "$size" ] || fail "no items in the console scan: $(cat "$PROFILE/console.txt")"

start_window || exit 1
eval "$(x getwindowgeometry --shell "$WINDOW")"  # X and Y of the client area
sleep 1
shot "$PROFILE/idle.png"
expect_pixels "$PROFILE/idle.png" <<'EOF'
850 585 15,23,42 window background
100 400 15,23,42 sidebar
233 300 55,65,81 sidebar border
117 56 20,184,166 Select all button
780 300 31,41,55 log box
262 532 20,184,166 Scan button
350 532 200,200,200 Clean button before the scan
EOF

press F5
report=$(wait_for_log "Scan completed in") || exit 1
diff <(expected_scan_report "$items" "$size") <(sed -E 's/completed in [0-9]+\.[0-9] seconds/completed in S seconds/' <<<"$report") ||
  fail "the scan report differs from the expected one"
sleep 1  # the worker lets the report show before it ends
at 700 510 click 1 && at 700 300 && sleep 0.3  # drops the selection, leaves the buttons
shot "$PROFILE/scan.png"
expect_pixels "$PROFILE/scan.png" <<<"350 532 16,185,129 Clean button after a scan with items"
[ -z "${TWK_SCREENSHOT_DIR:-}" ] || { mkdir -p "$TWK_SCREENSHOT_DIR" && cp "$PROFILE"/{idle,scan}.png "$TWK_SCREENSHOT_DIR/"; }

# The report is longer than the log box. The wheel and the scroll keys show
# other lines; the selection (all of it) stays, so Control+C still copies it.
view() { shot "$PROFILE/$1.png" && mogrify -crop 620x440+250+60 +repage "$PROFILE/$1.png"; }
differ() { [ "$(compare -metric AE "$PROFILE/$1.png" "$PROFILE/$2.png" null: 2>&1)" != 0 ]; }
scroll() { "${@:2}"; sleep 0.4; view "$1"; }  # picture, then the command that scrolls
scroll end press ctrl+a
scroll wheel at 500 300 click 4 && differ wheel end || fail "the wheel did not scroll the log"
scroll top press ctrl+Home && differ top wheel && differ top end || fail "Control+Home did not show the top"
scroll page press Next && differ page top || fail "Page Down did not scroll the log"
scroll up press Prior && ! differ up top || fail "Page Up did not go back to the top"
scroll end-again press ctrl+End && ! differ end-again end || fail "Control+End did not show the end again"
echo "sentinel" | timeout 5 xclip -selection clipboard -i 2>/dev/null
press ctrl+c && sleep 0.3
[ "$(timeout 5 xclip -o -selection clipboard 2>/dev/null)" = "$report" ] || fail "scrolling moved the selection"

press ctrl+l
clean=$(wait_for_log "Clean completed in") || exit 1
grep -qxF "✓ Items cleaned: $items" <<<"$clean" || fail "clean report: $clean"
[ ! -e "$PROFILE/Temp/old-report.log" ] && [ ! -e "$PROFILE/Temp/sub/old-cache.dat" ] || fail "old temporary files remain"
[ -e "$PROFILE/Temp/fresh.log" ] && [ -e "$PROFILE/Temp/setup.tmp" ] || fail "a file that was not listed is gone"

# Escape during a scan: the teardown keeps painting for the reporting worker,
# so the program ends with the scan rather than after its 5 s wait.
sleep 1
press F5 && sleep 0.3 && press Escape
timeout 4.5 tail --pid="$LAUNCH_PID" -f /dev/null || fail "twk.exe still ran 4.5 s after Escape during a scan"
wait "$LAUNCH_PID" || fail "twk.exe ended with status $?"
LAUNCH_PID=""
