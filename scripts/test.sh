#!/usr/bin/env bash
# Runs every test: installs what is missing, builds the Linux and the Windows presets and runs
# both test suites (the Windows one under Wine, on a virtual display when there is none).
set -euo pipefail
cd "$(dirname "$0")/.."

scripts/setup.sh
source scripts/virtual-display.sh
start_virtual_display
trap stop_virtual_display EXIT

cmake --preset host
cmake --build --preset host
cmake --preset windows
cmake --build --preset windows

# Create the Wine prefix once, before the tests start using it.
scripts/wine-run.sh --version >/dev/null

ctest --preset host
ctest --preset windows
