#!/usr/bin/env bash
# Temporary-files scan rate and memory: `twk --no-gui scan` over a generated
# tree against (a) a native `find` walk of the same tree and (b)
# walk_baseline.exe, the least a Windows program must do for the same rules,
# under the same Wine.
#
#   bench/temp_scan.sh [FILES] [RUNS]      (defaults: 100000 files, 3 runs)
#
#   TWK_BENCH_TREE=DIR   use the tree in DIR, making it first when DIR does not
#                        exist, and keep it afterwards (a tree of a million
#                        files takes minutes to make)
#   TWK_EXE=PATH         time another build of twk.exe
#
# Needs a release build in build/ (cmake --preset release && cmake --build build).
# Uses its own Wine prefix under build/bench/, whose TEMP and TMP point at the
# tree, and its own wineserver, which it stops at the end.
set -euo pipefail
files=${1:-100000}
runs=${2:-3}
root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
. "$root/scripts/utf8-locale.sh"
work=$root/build/bench
tree=${TWK_BENCH_TREE:-/tmp/twk-bench-temp-$$}
empty=/tmp/twk-bench-empty-$$
twk=${TWK_EXE:-$root/build/twk.exe}
[ -x "$twk" ] || { echo "build twk first: cmake --preset release && cmake --build build" >&2; exit 1; }

export WINEPREFIX=$work/prefix HOME=$work/home XDG_DATA_HOME=$work/home/.local/share
export WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml="
mkdir -p "$work" "$HOME"
cleanup() {
  [ -n "${TWK_BENCH_TREE:-}" ] || rm -rf "$tree"
  rm -rf "$empty"
  wineserver -k 2>/dev/null || true
}
trap cleanup EXIT

x86_64-w64-mingw32-g++-posix -O2 -static -o "$work/walk_baseline.exe" "$root/bench/walk_baseline.cpp" -lshlwapi
[ -d "$tree" ] || "$root/bench/make_temp_tree.sh" "$tree" "$files"
mkdir -p "$empty"
windows_path() { echo "Z:${1//\//\\}"; }
wintree=$(windows_path "$tree")
winempty=$(windows_path "$empty")

# A new prefix's own server goes away a few seconds after wineboot; the
# persistent one, whose CPU time is counted below, starts once it has gone.
[ -f "$WINEPREFIX/system.reg" ] || { wineboot -i </dev/null >/dev/null 2>&1; wineserver -w; }
wineserver -p </dev/null >/dev/null 2>&1 &
# Wine takes TEMP and TMP from the user's registry environment, not from Unix.
point_temp_at() {
  local name
  for name in TEMP TMP; do wine reg add 'HKCU\Environment' /v "$name" /d "$1" /f >/dev/null 2>&1; done
}

seconds() {  # runs "$@" with output to $work/last.out, prints the elapsed seconds
  local start end
  start=$(date +%s.%N)
  "$@" >"$work/last.out" 2>&1 </dev/null
  end=$(date +%s.%N)
  echo "$end - $start" | bc -l
}

# Elapsed time on a shared machine moves with everybody else's load, so the
# CPU time spent for a Wine program is measured too: the program's own user
# and system time plus what this prefix's wineserver spent meanwhile. Peak
# memory is the largest resident set of the process (Wine runs the program in
# the process it starts, so that is the Windows program's own), in MiB.
server_pid() {
  local p
  for p in /proc/[0-9]*; do
    case "$(cat "$p/comm" 2>/dev/null)" in wineserver*) ;; *) continue ;; esac
    tr '\0' '\n' 2>/dev/null <"$p/environ" | grep -qx "WINEPREFIX=$WINEPREFIX" && { echo "${p#/proc/}"; return; }
  done
}
server_ticks() { awk '{ print $14 + $15 }' "/proc/$server/stat"; }
measure() {  # runs a Wine program "$@"; prints "elapsed cpu peak" in seconds and MiB
  local before after elapsed
  before=$(server_ticks)
  elapsed=$(seconds /usr/bin/time -f '%U %S %M' -o "$work/cpu" "$@")
  after=$(server_ticks)
  echo "$elapsed $(awk -v s=$((after - before)) -v hz="$(getconf CLK_TCK)" \
    '{ print $1 + $2 + s / hz, $3 / 1024 }' "$work/cpu")"
}

sleep 1
server=$(server_pid)
[ -n "$server" ] || { echo "cannot find the wineserver of $WINEPREFIX" >&2; exit 1; }

median() {  # of an even count, the mean of the middle two
  printf '%s\n' "$@" | sort -g | awk '{ v[NR] = $1 } END { print (v[int((NR + 1) / 2)] + v[int(NR / 2) + 1]) / 2 }'
}
range() { printf '%s\n' "$@" | sort -g | awk 'NR == 1 { lo = $1 } { hi = $1 } END { printf "%.3f-%.3f", lo, hi }'; }
items_of() { grep -a 'Total items' "$work/last.out" | tr -d '\r' | awk '{ print $3 }'; }

# The empty-scan baseline: everything twk holds before it lists anything.
point_temp_at "$winempty"
declare -a ep
for run in $(seq 0 "$runs"); do  # the first run only warms caches
  read -r _ _ peak < <(measure wine "$twk" --no-gui scan)
  (( run )) && ep+=("$peak")
done
empty_items=$(items_of)
point_temp_at "$wintree"

find_walk() { find "$tree" -type f -mmin +1440 ! -iname '*.tmp' ! -name '~*' | wc -l; }

echo "run,find_s,baseline_s,twk_s,baseline_cpu_s,twk_cpu_s,baseline_peak_mib,twk_peak_mib,baseline_start_s,twk_start_s"
declare -a f b t bc tc bp tp bs0 ts0
run_baseline() { read -r bs bcpu bpeak < <(measure wine "$work/walk_baseline.exe" "$wintree"); base=$(cat "$work/last.out"); }
run_twk() { read -r ts tcpu tpeak < <(measure wine "$twk" --no-gui scan); items=$(items_of); }
for run in $(seq 1 $((runs + 1))); do  # the first round only warms caches
  fs=$(seconds find_walk); found=$(cat "$work/last.out")
  # The two Wine programs take turns going first, so neither always meets a
  # warmer cache or a quieter machine.
  if (( run % 2 )); then run_baseline; run_twk; else run_twk; run_baseline; fi
  # Each round also times what each program costs before it walks anything:
  # starting twk (a GUI program that loads the shell and prepares a console)
  # and the baseline on an empty directory.
  b0=$(seconds wine "$work/walk_baseline.exe" "$winempty")
  t0=$(seconds wine "$twk" --version)
  [ "$run" -eq 1 ] && { echo "# find: $found candidates; baseline: $base; twk: $items items"; continue; }
  echo "$((run - 1)),$fs,$bs,$ts,$bcpu,$tcpu,$bpeak,$tpeak,$b0,$t0"
  f+=("$fs"); b+=("$bs"); t+=("$ts"); bc+=("$bcpu"); tc+=("$tcpu"); bp+=("$bpeak"); tp+=("$tpeak")
  bs0+=("$b0"); ts0+=("$t0")
done

fm=$(median "${f[@]}"); bm=$(median "${b[@]}"); tm=$(median "${t[@]}")
printf 'median seconds: find %.3f  baseline %.3f  twk %.3f\n' "$fm" "$bm" "$tm"
printf 'ranges:         find %s  baseline %s  twk %s\n' "$(range "${f[@]}")" "$(range "${b[@]}")" "$(range "${t[@]}")"
printf 'files/second:   find %.0f  baseline %.0f  twk %.0f\n' \
  "$(echo "$files / $fm" | bc -l)" "$(echo "$files / $bm" | bc -l)" "$(echo "$files / $tm" | bc -l)"
printf 'twk / baseline: %.3f   twk / find: %.1f\n' "$(echo "$tm / $bm" | bc -l)" "$(echo "$tm / $fm" | bc -l)"
ratios=(); for i in "${!t[@]}"; do ratios+=("$(echo "${t[$i]} / ${b[$i]}" | bc -l)"); done
printf 'twk / baseline per round: %s (median %.3f)\n' "$(printf '%.3f ' "${ratios[@]}")" "$(median "${ratios[@]}")"
bcm=$(median "${bc[@]}"); tcm=$(median "${tc[@]}")
printf 'median CPU seconds (program + wineserver): baseline %.3f  twk %.3f  ratio %.3f\n' "$bcm" "$tcm" \
  "$(echo "$tcm / $bcm" | bc -l)"
printf 'CPU ranges: baseline %s  twk %s\n' "$(range "${bc[@]}")" "$(range "${tc[@]}")"
b0m=$(median "${bs0[@]}"); t0m=$(median "${ts0[@]}")
printf 'start-up seconds: baseline %.3f  twk %.3f\n' "$b0m" "$t0m"
printf 'twk / baseline without start-up: %.3f\n' "$(echo "($tm - $t0m) / ($bm - $b0m)" | bc -l)"
epm=$(median "${ep[@]}"); tpm=$(median "${tp[@]}")
printf 'peak MiB: baseline %.1f (%s)  twk %.1f (%s)  twk empty scan (%s items) %.1f (%s)\n' \
  "$(median "${bp[@]}")" "$(range "${bp[@]}")" "$tpm" "$(range "${tp[@]}")" "$empty_items" "$epm" "$(range "${ep[@]}")"
printf 'twk bytes per item beyond the empty scan: %.0f\n' "$(echo "($tpm - $epm) * 1048576 / $items" | bc -l)"
