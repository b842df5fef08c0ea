#!/usr/bin/env bash
# Makes the benchmark tables: builds the optimised Windows harness and program (32-bit where the
# machine runs 32-bit code, as the program ships; 64-bit elsewhere), times the full conversion of
# 1, 10 and 100 MiB remittances under Wine against cp + sync and sed (medians with their spread,
# and the conversion's steps), measures the program's peak memory over a remittance of a little
# over 4 GiB against one of 1 MiB; where it timed the 32-bit build, times the 64-bit one's
# conversion after it, in the same run; times the read-back's checksum in each build, with SSE2
# and, where the processor has it, AVX2; times the program's start to a visible window over 1,
# 1,000 and 20,000 remittances against a minimal lister; then runs the in-process benchmarks of
# the core.
#   scripts/bench.sh [--gigabyte]     (or TRASVIDORA_BENCH_1GB=1) also times a 1 GiB remittance
#   scripts/bench.sh --startup        only the start to a visible window
# With no display, the whole run goes on a virtual one.
set -euo pipefail
cd "$(dirname "$0")/.."

startup_only=""
conversion_options=()
for option in "$@"; do
  if [ "$option" = --startup ]; then startup_only=1; else conversion_options+=("$option"); fi
done

scripts/setup.sh
if ! xdpyinfo >/dev/null 2>&1; then
  [ -z "${TRASVIDORA_VIRTUAL_DISPLAY:-}" ] || { echo "La pantalla virtual no responde." >&2; exit 1; }
  TRASVIDORA_VIRTUAL_DISPLAY=1 exec xvfb-run -a -s "-screen 0 1280x1024x24 -nolisten tcp" scripts/bench.sh "$@"
fi
# The 32-bit build, as it ships, where the machine runs 32-bit code; the 64-bit one elsewhere.
if why_not=$(scripts/runs-32-bit.sh); then
  preset=bench-windows
else
  preset=bench-windows64
  echo "Se mide la versión de 64 bits (build/$preset): $why_not."
fi
build=build/$preset
cmake --preset "$preset" >/dev/null
cmake --build --preset "$preset"
beside=""
if [ "$preset" = bench-windows ]; then
  beside=build/bench-windows64
  cmake --preset bench-windows64 >/dev/null
  cmake --build --preset bench-windows64
fi

# One Wine server for the whole run, so that "with Wine's start-up" is the start of the program
# alone.
export WINEPREFIX="${WINEPREFIX:-${XDG_CACHE_HOME:-$HOME/.cache}/trasvidora/wine}"
source scripts/wine-session.sh
trap end_wine_session EXIT
wine_quietly --version  # makes the prefix on first use
start_wine_session

if [ -z "$startup_only" ]; then
  cmake --preset bench >/dev/null
  cmake --build --preset bench
  bench/run_benchmarks.py --harness "$build/bench/convert_remittance.exe" \
    --program "$build/window/trasvidora.exe" "${conversion_options[@]}"
  if [ -n "$beside" ]; then
    echo; echo "The 64-bit build, in the same run ($beside):"; echo
    bench/run_benchmarks.py --harness "$beside/bench/convert_remittance.exe" "${conversion_options[@]}"
  fi
  echo
  for timed_build in "$build" $beside; do
    scripts/wine-run.sh "$timed_build/bench/checksum_speed.exe" | sed "s|^|$timed_build: |"
  done
  echo
fi
bench/time_startup.py --program "$build/window/trasvidora.exe" \
  --lister "$build/bench/remittance_lister.exe"
if [ -z "$startup_only" ]; then
  echo
  build/bench/bench/core_benchmarks
fi
