#!/usr/bin/env bash
# Sets up the machine, builds twk and runs the whole test suite under Wine.
set -euo pipefail
cd "$(dirname "${BASH_SOURCE[0]}")/.."
bash scripts/build.sh
ctest --test-dir build --output-on-failure -j2
