#!/usr/bin/env bash
# A clean of N old temporary files (default 300) in the window against the
# same clean on the command line, each on a fresh copy of one profile. The
# command line is timed as a whole run (start, scan, clean) and as its scan
# alone; the window from the key that confirms the clean to the moment the
# last file is gone. Usage: bench/window_clean.sh [build-dir] [files]
set -uo pipefail
here=$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)
build=$(cd "${1:-$here/../build}" && pwd)
count=${2:-300}
export WINEPREFIX="$build/test-wine/prefix" HOME="$build/test-wine/home" XDG_DATA_HOME="$build/test-wine/data"
export TWK_EXE="$build/twk.exe" TWK_TEST_TOOLS="$build/tests"
. "$here/../tests/e2e/gui-session.sh"
trap gui_session_stop EXIT

x() { timeout 5 xdotool "$@" 2>/dev/null; }
press() { x mousemove "$((X + 500))" "$((Y + 400))" && x key "$1"; }
fill_temp() {
  mkdir -p "$PROFILE/Temp/many"
  (cd "$PROFILE/Temp/many" && seq 1 "$count" | sed 's/$/.old/' | xargs touch -d '3 days ago')
}
left() { find "$PROFILE/Temp/many" -type f | wc -l; }
seconds() { local start=$1; python3 -c "import time,sys; print(f'{time.time()-float(sys.argv[1]):.2f}')" "$start"; }

start_xvfb || exit 1
prepare_prefix
make_profile
timeout 60 "${TWK_COMMAND[@]}" list-modules </dev/null >/dev/null 2>&1  # warm

fill_temp
start=$(date +%s.%N); timeout 300 "${TWK_COMMAND[@]}" scan </dev/null >/dev/null 2>&1; scan=$(seconds "$start")
start=$(date +%s.%N); timeout 300 "${TWK_COMMAND[@]}" clean --force </dev/null >/dev/null 2>&1; cli=$(seconds "$start")
[ "$(left)" = 0 ] || { echo "the command line left $(left) files" >&2; exit 1; }

fill_temp
start_window || exit 1
eval "$(x getwindowgeometry --shell "$WINDOW")"
sleep 1 && press F5 && sleep 3 && press ctrl+l && sleep 1
start=$(date +%s.%N); press Return
while [ "$(left)" != 0 ]; do sleep 0.02; done
window=$(seconds "$start")

echo "| $count files | command line, whole run | its scan alone | window, from Enter to the last file gone |"
echo "|---|---|---|---|"
echo "| seconds | $cli | $scan | $window |"
