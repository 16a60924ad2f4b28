#!/usr/bin/env bash
# Sets up the machine, builds twk and runs the whole test suite under Wine.
set -euo pipefail
cd "$(dirname "${BASH_SOURCE[0]}")/.."
bash scripts/build.sh
status=0
ctest --test-dir build --output-on-failure -j2 || status=$?

# CTest counts test programs; add up the test cases they ran.
log=build/Testing/Temporary/LastTest.log
count() { { grep -hoE "$1" "$log" || true; } | awk '{s += $4} END {print s + 0}'; }
passed=$(count '^\[  PASSED  \] [0-9]+ test')
failed=$(count '^\[  FAILED  \] [0-9]+ tests?, listed below')
# A test program that crashed or hung reports no count of its own.
if [ "$status" -ne 0 ] && [ "$failed" -eq 0 ]; then failed=1; fi
echo "test cases: $passed passed, $failed failed"
exit "$status"
