#!/usr/bin/env bash
# Start-up: `twk --no-gui version` with its output in a pipe, against the least
# a GUI-subsystem program can do (write one line to the standard output it
# was given), under the same Wine and prefix, all in the same rounds.
#
#   bench/startup.sh [RUNS] [TWK_EXE...]     (defaults: 11 runs, build/twk.exe)
#
# Several twk.exe builds may be given to compare them side by side. Uses its
# own Wine prefix under build/bench/ and keeps its wineserver alive for the
# rounds (so every start is warm), then stops it.
set -euo pipefail
runs=${1:-11}
root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
. "$root/scripts/utf8-locale.sh"
work=$root/build/bench
builds=("${@:2}")
[ ${#builds[@]} -gt 0 ] || builds=("$root/build/twk.exe")
for exe in "${builds[@]}"; do [ -f "$exe" ] || { echo "no $exe: build twk first (bash scripts/build.sh)" >&2; exit 1; }; done

export WINEPREFIX=$work/prefix HOME=$work/home XDG_DATA_HOME=$work/home/.local/share
export WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml="
mkdir -p "$work" "$HOME"
trap 'wineserver -k 2>/dev/null || true' EXIT

printf '#include <stdio.h>\nint main(void) { puts("one line"); return 0; }\n' >"$work/one_line.c"
x86_64-w64-mingw32-gcc -O2 -mwindows -o "$work/one_line.exe" "$work/one_line.c"

[ -f "$WINEPREFIX/system.reg" ] || wineboot -i </dev/null >/dev/null 2>&1
wineserver -p </dev/null >/dev/null 2>&1 &
sleep 1
# Wine starts its services with the first program and they keep that
# program's handles: give them no pipe of ours to hold open.
wine "$work/one_line.exe" </dev/null >/dev/null 2>&1

seconds() {  # runs "$@" with its output in a pipe; prints the elapsed seconds
  local start end
  start=$(date +%s.%N)
  "$@" </dev/null 2>&1 | cat >"$work/last.out"
  end=$(date +%s.%N)
  echo "$end - $start" | bc -l
}

programs=("wine $work/one_line.exe")
for exe in "${builds[@]}"; do programs+=("wine $exe --no-gui version"); done
count=${#programs[@]}
declare -a times  # times[program * runs + round]
echo "round,$(seq -s, 0 $((count - 1)) | sed 's/[0-9]*/program&_s/g')"
for run in $(seq 0 "$runs"); do  # round 0 only warms caches
  row=()
  for k in $(seq 0 $((count - 1))); do  # each round starts with another program
    p=$(( (k + run) % count ))
    # shellcheck disable=SC2086  # the program line is split into its words
    row[p]=$(seconds ${programs[p]})
    [ "$p" -gt 0 ] && { grep -q '^Tidewick v' "$work/last.out" || { echo "no version from ${programs[p]}" >&2; exit 1; }; }
  done
  [ "$run" -eq 0 ] && continue
  echo "$run,$(IFS=,; echo "${row[*]}")"
  for p in "${!row[@]}"; do times[p * runs + run - 1]=${row[p]}; done
done

median() { printf '%s\n' "$@" | sort -g | awk '{ v[NR] = $1 } END { print v[int((NR + 1) / 2)] }'; }
base=$(median "${times[@]:0:runs}")
printf 'median %.4f s  one-line program\n' "$base"
for p in $(seq 1 $((count - 1))); do
  m=$(median "${times[@]:p * runs:runs}")
  printf 'median %.4f s  ratio %.2f  %s\n' "$m" "$(echo "$m / $base" | bc -l)" "${programs[p]#wine }"
done
