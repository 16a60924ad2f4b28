# Sourced by the window test and the idle benchmark: a private X server, a
# Wine prefix bound to it, and a fixture profile for twk.exe. Every wait is
# bounded; gui_session_stop ends what was started, by PID.
#
# The window gets a prefix of its own (beside the unit tests' one): Wine's
# desktop process, which also carries the clipboard to X, starts with the
# DISPLAY of the first program that needs it and keeps it for the server's life.

. "$(dirname "${BASH_SOURCE[0]}")/../../scripts/utf8-locale.sh"
: "${WINEPREFIX:?run under the test environment}"
: "${TWK_EXE:?}" "${TWK_TEST_TOOLS:?}"
export WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml="
export WINEPREFIX="$(dirname "$WINEPREFIX")/gui-prefix"

XVFB_PID="" LAUNCH_PID="" PROFILE="" WINDOW=""

# Unix path to the Z: form Wine shows.
win_path() { local p="Z:$1"; echo "${p//\//\\}"; }

gui_session_stop() {
  [ -n "$LAUNCH_PID" ] && kill "$LAUNCH_PID" 2>/dev/null
  timeout 20 wineserver -k </dev/null >/dev/null 2>&1 || true
  [ -n "${XVFB_PID:-}" ] && kill "$XVFB_PID" 2>/dev/null
  [ -n "$PROFILE" ] && rm -rf "$PROFILE"
  return 0
}

# Starts Xvfb on a display number the server itself finds free, so sessions
# started at the same time never share one.
start_xvfb() {
  local number
  coproc XVFB { exec Xvfb -displayfd 1 -screen 0 1600x1000x24 -nolisten tcp </dev/null 2>/dev/null; }
  read -t 10 -r number <&"${XVFB[0]}" || { echo "Xvfb did not start" >&2; return 1; }
  export DISPLAY=":$number"
}

# The prefix, made once, with the fonts Windows has (scripts/prefix-fonts.sh),
# at 96 dpi unless TWK_DPI names another (Wine reads it when its server starts).
prepare_prefix() {
  local here_session
  here_session=$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)
  mkdir -p "$HOME" "${XDG_DATA_HOME:-$HOME/.local/share}"
  [ -f "$WINEPREFIX/system.reg" ] || timeout 180 wineboot -i </dev/null >/dev/null 2>&1
  "$here_session/../../scripts/prefix-fonts.sh"
  timeout 60 wine reg add 'HKCU\Control Panel\Desktop' /v LogPixels /t REG_DWORD /d "${TWK_DPI:-96}" /f \
    </dev/null >/dev/null 2>&1
  timeout 20 wineserver -k </dev/null >/dev/null 2>&1 || true
  wineserver -p </dev/null >/dev/null 2>&1 &
}

# A user profile under /tmp: old and fresh files in TEMP, the rest empty.
make_profile() {
  PROFILE=$(mktemp -d /tmp/twk-gui-XXXXXX)
  mkdir -p "$PROFILE"/{Temp/sub,Local,Roaming,ProgramData,User,Windows}
  head -c 3000 /dev/zero >"$PROFILE/Temp/old-report.log"
  head -c 5000 /dev/zero >"$PROFILE/Temp/sub/old-cache.dat"
  head -c 700 /dev/zero >"$PROFILE/Temp/fresh.log"
  head -c 900 /dev/zero >"$PROFILE/Temp/setup.tmp"
  touch -d '3 days ago' "$PROFILE/Temp/old-report.log" "$PROFILE/Temp/setup.tmp"
  touch -d '2 days ago' "$PROFILE/Temp/sub/old-cache.dat"
  local pair
  PROFILE_ENV=()
  for pair in TEMP=Temp TMP=Temp LOCALAPPDATA=Local APPDATA=Roaming PROGRAMDATA=ProgramData USERPROFILE=User WINDIR=Windows; do
    PROFILE_ENV+=("${pair%%=*}=$(win_path "$PROFILE/${pair#*=}")")
  done

  # The command that runs twk.exe with the profile; twk's arguments follow it.
  TWK_COMMAND=(wine "$TWK_TEST_TOOLS/launch_with_env.exe" "${PROFILE_ENV[@]}" -- "$(win_path "$TWK_EXE")")
}

# Starts the window in the background, with twk's options if any, and waits
# for it (60 s at most).
start_window() {
  "${TWK_COMMAND[@]}" "$@" </dev/null >"$PROFILE/window.out" 2>&1 &
  LAUNCH_PID=$!
  WINDOW=$(timeout 60 xdotool search --sync --name '^Tidewick$' 2>/dev/null | head -n 1)
  [ -n "$WINDOW" ] || { echo "the window did not appear" >&2; return 1; }
}

# CPU seconds (user + system) a process has used.
cpu_seconds() { awk -v tck="$(getconf CLK_TCK)" '{printf "%.2f\n", ($14 + $15) / tck}' "/proc/$1/stat"; }
