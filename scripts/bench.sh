#!/usr/bin/env bash
# Makes the benchmark table: builds the optimised harness for Linux and for Windows, times the
# full conversion of 1, 10 and 100 MiB remittances against cp + sync and sed (and the Windows build
# under Wine on the 100 MiB one), then runs the in-process benchmarks of the core.
#   scripts/bench.sh [--gigabyte]     (or TRASVIDORA_BENCH_1GB=1) also times a 1 GiB remittance
set -euo pipefail
cd "$(dirname "$0")/.."

scripts/setup.sh
cmake --preset bench >/dev/null
cmake --build --preset bench
cmake --preset bench-windows >/dev/null
cmake --build --preset bench-windows

bench/run_benchmarks.py --harness build/bench/bench/convert_remittance \
  --windows-harness build/bench-windows/bench/convert_remittance.exe "$@"
echo
build/bench/bench/core_benchmarks
