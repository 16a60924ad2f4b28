#!/usr/bin/env bash
# Runs bench/items_view_frames.cpp under a private Xvfb, in the window test's
# prefix. Usage: bench/items_view_frames.sh [build-dir] [rows]
set -uo pipefail
here=$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)
build=$(cd "${1:-$here/../build}" && pwd)
ninja -C "$build" items_view_frames >/dev/null || exit 1
export WINEPREFIX="$build/test-wine/prefix" HOME="$build/test-wine/home" XDG_DATA_HOME="$build/test-wine/data"
export TWK_EXE="$build/twk.exe" TWK_TEST_TOOLS="$build/tests"
. "$here/../tests/e2e/gui-session.sh"
trap gui_session_stop EXIT
start_xvfb || exit 1
prepare_prefix
timeout 600 wine "$build/items_view_frames.exe" "${2:-1000000}"
