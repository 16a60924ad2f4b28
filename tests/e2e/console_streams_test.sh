#!/usr/bin/env bash
# twk.exe's standard streams as a Unix shell hands them over: files, pipes,
# /dev/null (a character device) and a terminal (which Wine makes a console)
# in every combination give the same output; the prompt reads its answer from
# a pipe and meets end of input on /dev/null; a fatal error with standard
# error in a file leaves its lines there rather than in a dialog.
set -uo pipefail
here=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
. "$here/wine-env.sh"
: "${TWK_EXE:?}"
work=$(mktemp -d /tmp/twk-streams.XXXXXX)
trap 'rm -rf "$work"' EXIT
twk="timeout 120 wine '$TWK_EXE'"
failures=0

expect() {  # what expected actual
  [ "$2" = "$3" ] && return
  printf 'FAIL: %s\n  expected: %q\n  actual:   %q\n' "$1" "$2" "$3"
  failures=$((failures + 1))
}

# Runs a command line on a new terminal that passes bytes through unchanged;
# prints what reached it, less the cursor hide and show of Wine's console.
on_terminal() {
  timeout 120 script -qec "stty raw -echo; $1" /dev/null </dev/null | sed 's/\x1b\[?25[lh]//g'
}

# Files only first: a Wine service started now must not hold a pipe of ours.
eval "$twk list-modules </dev/null >'$work/reference' 2>&1"
expect "list-modules into a file" "Available cleaning modules:" "$(head -n 1 "$work/reference" | tr -d '\r')"
reference=$(od -c "$work/reference")

declare -A input=([null]="</dev/null" [pipe]=": |" [terminal]="")
declare -A output=([file]=">'$work/out'" [pipe]="| cat >'$work/out'" [terminal]="")
declare -A error=([output]="2>&1" [null]="2>/dev/null" [terminal]="")
for in in "${!input[@]}"; do
  for out in "${!output[@]}"; do
    for err in "${!error[@]}"; do
      rm -f "$work/out"
      line="${input[$in]} $twk list-modules"
      case $out in pipe) line="$line ${error[$err]} ${output[$out]}" ;; *) line="$line ${output[$out]} ${error[$err]}" ;; esac
      on_terminal "$line" >"$work/terminal"
      [ "$out" = terminal ] && cp "$work/terminal" "$work/out"
      expect "stdin $in, stdout $out, stderr $err" "$reference" "$(od -c "$work/out")"
    done
  done
done

# The prompt, with one duplicate group to ask about (left alone: it is not selected).
# Each check: the exit status, then what the output shows.
mkdir "$work/dups" && head -c 10485760 /dev/zero | tee "$work/dups/a" >"$work/dups/b"
eval "echo y | $twk clean --dup-path='$work/dups' >'$work/out' 2>&1"
expect "echo y | twk clean" "0 Cleaning complete:" "$? $(grep -ao 'Cleaning complete:' "$work/out")"
eval "$twk clean --dup-path='$work/dups' </dev/null >'$work/out' 2>&1"
expect "twk clean </dev/null" "8 [y/N]: Cancelled." "$? $(tail -n 1 "$work/out" | tr -d '\r' | grep -ao '\[y/N\]: .*')"

on_terminal "$twk scan --dup-path='$work/none' 2>'$work/err'" >"$work/terminal"
expect "fatal error: standard error, nothing on the terminal" "1 ERROR: Invalid option - Not a directory: $work/none
Fatal error, exiting..." "$? $(tr -d '\r' <"$work/err")$(cat "$work/terminal")"

[ "$failures" -eq 0 ] && echo "console streams: all checks passed"
exit "$failures"
