#!/usr/bin/env bash
# Installs what is missing, then configures and builds twk.exe and its tests.
set -euo pipefail
cd "$(dirname "${BASH_SOURCE[0]}")/.."
bash scripts/setup.sh
cmake --preset release >/dev/null
cmake --build build -j"$(nproc)"
