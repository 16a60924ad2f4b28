#!/usr/bin/env bash
# Makes a temporary-files tree for the scan benchmark: FILES small files in
# 100 x 10 nested directories, with mixed ages (a third written in the last
# hours, the rest 2 to 30 days ago), mixed names (".log" and ".dat", with
# "*.tmp" and "~*" names among them, in both cases), and directories whose
# last-write times differ from one another.
#
#   bench/make_temp_tree.sh DIR [FILES]
set -euo pipefail
dir=${1:?usage: make_temp_tree.sh DIR [FILES]}
files=${2:-100000}
per_leaf=$(( (files + 999) / 1000 ))
rm -rf "$dir"
mkdir -p "$dir"
cd "$dir"
now=$(date +%s)

names() {  # every file name, one a line, with its age class as a prefix
  local n=0 top sub i name
  for top in $(seq -w 0 99); do
    for sub in $(seq 0 9); do
      for i in $(seq 1 "$per_leaf"); do
        (( n < files )) || return 0
        case $(( n % 20 )) in
          0) name="f$n.tmp" ;; 1) name="F$n.TMP" ;; 2) name="~f$n.docx" ;; 3) name="~\$F$n.XLSX" ;;
          4|5|6|7|8|9|10|11) name="f$n.log" ;; *) name="f$n.dat" ;;
        esac
        echo "$(( n % 3 )) d$top/s$sub/$name"
        n=$(( n + 1 ))
      done
    done
  done
}

names > .list
cut -d' ' -f2 .list | sed 's|/[^/]*$||' | sort -u | xargs mkdir -p
cut -d' ' -f2 .list | xargs truncate -s 64
# Age classes: 0 = three hours old, 1 = two days, 2 = thirty days.
for class in 0 1 2; do
  case $class in 0) age=$(( 3 * 3600 )) ;; 1) age=$(( 2 * 86400 )) ;; 2) age=$(( 30 * 86400 )) ;; esac
  awk -v c="$class" '$1 == c { print $2 }' .list | xargs touch -m -d "@$(( now - age ))"
done
rm .list
# Directories made at different moments, as in a real temporary directory.
find . -type d | awk -v now="$now" '{ printf "touch -m -d @%d \"%s\"\n", now - NR * 60, $0 }' | sh
echo "made $(find . -type f | wc -l) files in $dir"
