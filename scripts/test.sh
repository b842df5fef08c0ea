#!/usr/bin/env bash
# Runs every test: installs what is missing, builds the Linux and the Windows presets and runs
# both test suites (the Windows one under Wine, on a virtual display when there is none), then
# fuzzes the conversion core for about 30 seconds.
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
# The libFuzzer target needs clang: a build of its own.
cmake --preset fuzz
cmake --build --preset fuzz

# Create the Wine prefix once, before the tests start using it.
scripts/wine-run.sh --version >/dev/null

ctest --preset host
ctest --preset windows
# About 30 seconds of fuzzing over the kept corpus; a crash, leak or broken property fails.
ctest --preset fuzz
