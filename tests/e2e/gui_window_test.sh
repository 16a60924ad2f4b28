#!/usr/bin/env bash
# The real window under Xvfb: start twk.exe without arguments on a fixture
# profile, scan with F5, read the items and the activity log back through the
# X clipboard, check colours at fixed points, scroll the log, untick a row and
# a module, save the plan with Control+S, answer the confirmation with Escape
# and then Enter, keep another copy of a duplicate group, cancel a long clean,
# stop a scan with Escape and quit with Escape.
#
# The expected items and counts come from twk's own console scan of the same
# profile. TWK_SCREENSHOT_DIR, when set, receives idle.png, items.png,
# confirm.png and clean.png.
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

clipboard() { timeout 5 xclip -o -selection clipboard 2>/dev/null | tr -d '\r'; }
show_log() { at 305 23 click 1 && sleep 0.3; }
show_items() { at 420 23 click 1 && sleep 0.3; }

# Shows the log, selects all of it and copies it, then prints the clipboard.
read_log() {
  show_log && at 500 400 click 1 && sleep 0.3 && press ctrl+a && sleep 0.2 && press ctrl+c && sleep 0.3
  clipboard
}

# Shows the items, highlights every row and copies their paths.
read_items() {
  show_items && press ctrl+a && sleep 0.2 && press ctrl+c && sleep 0.3
  clipboard
}

wait_for_log() {  # text: prints the log once it shows the text (30 s at most)
  local i log
  for i in $(seq 1 40); do
    log=$(read_log) && grep -qF "$1" <<<"$log" && printf '%s\n' "$log" && return 0
    sleep 0.5
  done
  fail "the log never showed '$1'; it holds: $log"
}

# F5, then the log's end of the scan; Control+L, then Enter at the confirmation.
rescan() { press F5 && sleep 0.5 && wait_for_log "Scan completed in" >/dev/null; }
confirmed_clean() { press ctrl+l && sleep 0.5 && press Return; }

# Counts and sizes of the console's JSON scan, as the window shows them.
json() { python3 -c "import json,sys; d=json.load(open(sys.argv[1])); $1" "$PROFILE/scan.json" "${@:2}"; }
size_text() {  # format_size's text for a byte count
  python3 -c 'import sys; b=int(sys.argv[1]); u=["KB","MB","GB","TB"]; print(f"{b} B" if b<1024 else next(f"{b/1024**(k+1):.2f} {u[k]}" for k in range(4) if b<1024**(k+2) or k==3))' "$1"
}
module_count() { json 'print(sum(1 for i in d["items"] if i["module"]==sys.argv[2]))' "$1"; }
module_size() { size_text "$(json 'print(sum(i["size"] for i in d["items"] if i["module"]==sys.argv[2]))' "$1")"; }
json_paths() { json 'print("\n".join(i["path"] for i in d["items"]))'; }

expected_scan_report() {
  printf '%s\n' "=== SCAN STARTING ===" "====================" "MODULE STATUS:" "--------------" \
    "⏳ Temporary Files: Scanning..." "⏳ Browser Cache: Scanning..." "⏳ Windows Caches & Logs: Scanning..." \
    "⏳ Duplicate Finder: Scanning..." "=== SCAN COMPLETE ===" "====================" \
    "SCAN SUMMARY:" "------------" "Total items found: $(json 'print(d["total_items"])')" \
    "Total size: $(size_text "$(json 'print(d["total_size"])')")" "MODULE DETAILS:" "--------------" \
    "📁 Temporary Files:" "   Status: ✓ Scanned" "   Items found: $(module_count temp_files)" \
    "   Total size: $(module_size temp_files)" "   Locations: %TEMP%, %TMP%, Windows\\Temp" \
    "🌐 Browser Cache:" "   Status: ✓ Scanned" "   Items found: $(module_count browser_cache)" \
    "   Total size: $(module_size browser_cache)" \
    "   Browsers checked: Google Chrome, Microsoft Edge, Mozilla Firefox, Opera, Brave" \
    "⊞ Windows Caches & Logs:" "   Status: ✓ Scanned" "   Items found: $(module_count windows_cleanup)" \
    "   Total size: $(module_size windows_cleanup)" "   Locations: Thumbnail Cache" \
    "📑 Duplicate Files:" "   Status: ✓ Scanned" "   Result: No duplicate files found" \
    "" "------------------------" "Scan completed in S seconds"
}

start_xvfb || exit 1
prepare_prefix
make_profile
# A browser cache and an Explorer thumbnail cache beside the temporary files.
cache="$PROFILE/Local/Google/Chrome/User Data/Default/Cache"
thumbnails="$PROFILE/Local/Microsoft/Windows/Explorer/thumbcache_32.db"
mkdir -p "$cache" "$(dirname "$thumbnails")"
head -c 4000 /dev/zero >"$cache/data_0"
head -c 2500 /dev/zero >"$thumbnails"

timeout 90 "${TWK_COMMAND[@]}" scan --json </dev/null >"$PROFILE/scan.json" 2>"$PROFILE/console.err"
json 'print(d["total_items"])' >/dev/null || fail "no JSON scan: $(cat "$PROFILE/console.err")"
[ "$(module_count temp_files)/$(module_count browser_cache)/$(module_count windows_cleanup)" = 2/1/1 ] ||
  fail "the console scan found other items: $(json_paths)"

# Duplicates are searched for in a folder of the profile, empty until later.
dups="$PROFILE/User/Dups"
mkdir -p "$dups"
start_window "--dup-path=$(win_path "$dups")" --dup-min-size=1K || exit 1
eval "$(x getwindowgeometry --shell "$WINDOW")"  # X and Y of the client area
sleep 1
shot "$PROFILE/idle.png"
expect_pixels "$PROFILE/idle.png" <<'EOF'
850 585 15,23,42 window background
100 400 15,23,42 sidebar
233 300 55,65,81 sidebar border
117 56 20,184,166 Select all button
780 300 31,41,55 log box
262 508 20,184,166 Scan button
350 508 200,200,200 Clean button before the scan
440 508 200,200,200 Cancel button while idle
EOF

# The scan brings the items view to the front: every item, as the console listed it.
press F5
for _ in $(seq 1 40); do listed=$(read_items); [ "$listed" = "$(json_paths)" ] && break; sleep 0.5; done
[ "$listed" = "$(json_paths)" ] || fail "the items view lists: $listed; the console: $(json_paths)"
press Home && at 700 300 && sleep 0.3 && shot "$PROFILE/items.png"
expect_pixels "$PROFILE/items.png" <<<"350 508 16,185,129 Clean button after a scan with items"

report=$(wait_for_log "Scan completed in") || exit 1
diff <(expected_scan_report) <(sed -E 's/completed in [0-9]+\.[0-9] seconds/completed in S seconds/' <<<"$report") ||
  fail "the scan report differs from the expected one"

# The report is longer than the log box. The wheel and the scroll keys show
# other lines; the selection (all of it) stays, so Control+C still copies it.
view() { shot "$PROFILE/$1.png" && mogrify -crop 620x420+250+60 +repage "$PROFILE/$1.png"; }
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
[ "$(clipboard)" = "$report" ] || fail "scrolling moved the selection"

# Untick the second row (Down, Space) and the browser module; the
# confirmation names what is left, and Escape there deletes nothing.
show_items && press Down && press space && sleep 0.2
kept_row=$(sed -n 2p <<<"$listed" | sed 's/^Z://; s/\\/\//g')
at 29 147 click 1 && sleep 0.3  # the browser module, below the first module's "all / none"

# Control+S saves the plan through the save dialog: the console's scan, with
# the window's choices as the items' "selected".
press ctrl+s
dialog=$(timeout 20 xdotool search --sync --name '^Save As$' 2>/dev/null | head -n 1)
[ -n "$dialog" ] || fail "Control+S showed no save dialog"
eval "$(x getwindowgeometry --prefix DIALOG_ --shell "$dialog")"
x mousemove "$((DIALOG_X + 236))" "$((DIALOG_Y + 190))" click 1 && sleep 0.3
x key ctrl+a && x type "$(win_path "$PROFILE/plan.json")" && sleep 0.3 && x key Return
for _ in $(seq 1 20); do [ -s "$PROFILE/plan.json" ] && break; sleep 0.5; done
python3 - "$PROFILE/scan.json" "$PROFILE/plan.json" "$(sed -n 2p <<<"$listed")" <<'PY' || fail "the saved plan differs"
import json, sys
scan, plan = (json.load(open(p)) for p in sys.argv[1:3])
assert plan["command"] == "scan" and plan["schema"] == scan["schema"], plan
assert [i["path"] for i in plan["items"]] == [i["path"] for i in scan["items"]]
for item in plan["items"]:
    kept = item["path"] == sys.argv[3] or item["module"] == "browser_cache"
    assert item["selected"] != kept, item
PY
press ctrl+l && sleep 0.5 && at 700 420 && sleep 0.3 && shot "$PROFILE/confirm.png"
expect_pixels "$PROFILE/confirm.png" <<<"450 250 31,41,55 the confirmation"
press Escape && sleep 1
[ "$(find "$PROFILE/Temp" "$PROFILE/Local" -type f | wc -l)" = 6 ] || fail "Escape at the confirmation deleted something"
kill -0 "$LAUNCH_PID" 2>/dev/null || fail "Escape at the confirmation closed the window"

confirmed_clean
clean=$(wait_for_log "Clean completed in") || exit 1
grep -qxF "✓ Items cleaned: 2" <<<"$clean" || fail "clean report: $clean"
[ -e "$kept_row" ] || fail "the unticked row $kept_row was cleaned"
[ -e "$cache/data_0" ] || fail "the browser cache was cleaned with its module unticked"
[ ! -e "$thumbnails" ] || fail "the thumbnail cache remains"
[ -e "$PROFILE/Temp/fresh.log" ] && [ -e "$PROFILE/Temp/setup.tmp" ] || fail "a file that was not listed is gone"
show_items && at 700 420 && sleep 0.3 && shot "$PROFILE/clean.png"
[ -z "${TWK_SCREENSHOT_DIR:-}" ] || { mkdir -p "$TWK_SCREENSHOT_DIR" && cp "$PROFILE"/{idle,items,confirm,clean}.png "$TWK_SCREENSHOT_DIR/"; }

# Three copies: the view lists the two that may go, not the kept one ("a",
# the first). "Keep this copy" (K) on the last row keeps "c" instead; ticking
# every row and cleaning then leaves exactly "c".
for copy in a b c; do mkdir -p "$dups/$copy" && head -c 5000 /dev/urandom >"$dups/$copy/copy.bin"; done
for copy in b c; do cp "$dups/a/copy.bin" "$dups/$copy/copy.bin"; done
rescan || exit 1
listed=$(read_items)
copies=$(grep -F "$(win_path "$dups")" <<<"$listed" | sort)
[ "$copies" = "$(printf '%s\n' "$(win_path "$dups/b/copy.bin")" "$(win_path "$dups/c/copy.bin")")" ] ||
  fail "the items view lists these copies: $copies"
press End && press k && press ctrl+a && press space && sleep 0.3
confirmed_clean
wait_for_log "Clean completed in" >/dev/null || exit 1
[ -e "$dups/c/copy.bin" ] && [ ! -e "$dups/a/copy.bin" ] && [ ! -e "$dups/b/copy.bin" ] ||
  fail "after keeping c, these copies are left: $(cd "$dups" && find . -type f)"

# A long clean stops at Cancel between two items and still reports.
mkdir -p "$PROFILE/Temp/many"
(cd "$PROFILE/Temp/many" && seq 1 4000 | sed 's/$/.old/' | xargs touch -d '3 days ago')
rescan || exit 1
confirmed_clean && sleep 0.3 && at 475 508 click 1
cancelled=$(wait_for_log "Clean completed in") || exit 1
grep -qxF "=== CLEAN CANCELLED ===" <<<"$cancelled" && grep -q "^Skipped: [1-9][0-9]* items$" <<<"$cancelled" ||
  fail "the cancelled clean reports: $(tail -n 20 <<<"$cancelled")"
left=$(find "$PROFILE/Temp/many" -type f | wc -l)
[ "$left" -gt 0 ] && [ "$left" -lt 4000 ] || fail "Cancel left $left of 4000 files"

# Escape during a scan stops the scan; Escape when idle closes the window.
press F5 && sleep 0.3 && press Escape
wait_for_log "Scan completed in" >/dev/null || exit 1
kill -0 "$LAUNCH_PID" 2>/dev/null || fail "Escape during a scan closed the window"
press Escape
timeout 4.5 tail --pid="$LAUNCH_PID" -f /dev/null || fail "twk.exe still ran 4.5 s after Escape"
wait "$LAUNCH_PID" || fail "twk.exe ended with status $?"
LAUNCH_PID=""
