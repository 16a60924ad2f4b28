#!/usr/bin/env bash
# The duplicate finder's walk over many empty files, all below its minimum
# size: `twk --no-gui scan --dup-path=TREE` against walk_baseline.exe, the
# bare FindFirstFileA/FindNextFileA walk, over the same tree under the same
# Wine. The files are new, so the baseline opens none of them either.
#
#   bench/duplicate_scan_walk.sh [build-dir] [FILES] [RUNS]   (defaults: build, 1000000, 5)
#
# Prints each round and the medians; the tree is made under /tmp and deleted.
set -euo pipefail
root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
build=$(cd "${1:-$root/build}" && pwd)
files=${2:-1000000}
runs=${3:-5}
tree=$(mktemp -d /tmp/twk-bench-walk-XXXXXX)
work=$build/bench-wine
export WINEPREFIX=$work/prefix HOME=$work/home XDG_DATA_HOME=$work/home/.local/share
export WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml="
mkdir -p "$HOME"
trap 'rm -rf "$tree"; wineserver -k </dev/null >/dev/null 2>&1 || true' EXIT

x86_64-w64-mingw32-g++-posix -O2 -static -o "$work/walk_baseline.exe" "$root/bench/walk_baseline.cpp" -lshlwapi
python3 - "$tree" "$files" <<'PY'
import os, sys
root, files = sys.argv[1], int(sys.argv[2])
for n in range(files):
    folder = os.path.join(root, f"d{n // 1000 % 100}", f"e{n // 100000}", f"f{n % 1000 // 100}")
    if n % 100 == 0:
        os.makedirs(folder, exist_ok=True)
    open(os.path.join(folder, f"file{n}.dat"), "wb").close()
PY
[ -f "$WINEPREFIX/system.reg" ] || { wineboot -i </dev/null >/dev/null 2>&1; wineserver -w; }
wineserver -p </dev/null >/dev/null 2>&1 &
timeout 300 wineboot </dev/null >/dev/null 2>&1 || true
wintree="Z:${tree//\//\\}"

seconds() {
  local start end
  start=$(date +%s.%N)
  "$@" >/dev/null 2>&1 </dev/null
  end=$(date +%s.%N)
  echo "$end - $start" | bc -l
}
median() { printf '%s\n' "$@" | sort -g | awk '{ v[NR] = $1 } END { print (NR % 2) ? v[(NR + 1) / 2] : (v[NR / 2] + v[NR / 2 + 1]) / 2 }'; }

declare -a b t
for run in $(seq 0 "$runs"); do  # the first round only warms the caches
  if (( run % 2 )); then
    bs=$(seconds wine "$work/walk_baseline.exe" "$wintree"); ts=$(seconds wine "$build/twk.exe" --no-gui scan --modules=duplicate_finder "--dup-path=$wintree")
  else
    ts=$(seconds wine "$build/twk.exe" --no-gui scan --modules=duplicate_finder "--dup-path=$wintree"); bs=$(seconds wine "$work/walk_baseline.exe" "$wintree")
  fi
  (( run )) || continue
  printf 'round %d: baseline %.2f s, twk %.2f s\n' "$run" "$bs" "$ts"
  b+=("$bs"); t+=("$ts")
done
bm=$(median "${b[@]}"); tm=$(median "${t[@]}")
printf '%d files; medians of %d: baseline %.2f s, twk %.2f s, twk / baseline %.2fx; load average %s\n' \
  "$files" "$runs" "$bm" "$tm" "$(echo "$tm / $bm" | bc -l)" "$(cut -d' ' -f1 /proc/loadavg)"
