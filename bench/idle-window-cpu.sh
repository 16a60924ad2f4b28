#!/usr/bin/env bash
# CPU seconds an idle twk window uses over a measuring period, read from
# /proc/PID/stat of the twk.exe process (Wine runs the program in place).
# Run from the build tree's test environment, e.g.:
#   WINEPREFIX=build/test-wine/prefix HOME=build/test-wine/home \
#   TWK_EXE=$PWD/build/twk.exe TWK_TEST_TOOLS=$PWD/build/tests bench/idle-window-cpu.sh [seconds]
set -uo pipefail
here=$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)
export XDG_DATA_HOME=${XDG_DATA_HOME:-$HOME/.local/share}
. "$here/../tests/e2e/gui-session.sh"
trap gui_session_stop EXIT
period=${1:-10}

start_xvfb || exit 1
prepare_prefix
make_profile
start_window || exit 1
pid=$(timeout 5 xdotool getwindowpid "$WINDOW")
sleep 3  # past start-up and the first frames
before=$(cpu_seconds "$pid")
sleep "$period"
after=$(cpu_seconds "$pid")
echo "idle window, $period s: $(awk -v a="$after" -v b="$before" 'BEGIN{printf "%.2f", a - b}') CPU-s (twk.exe pid $pid)"
