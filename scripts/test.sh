#!/usr/bin/env bash
# Runs every test: installs what is missing, builds the Linux and the Windows presets and runs
# their test suites, then fuzzes the conversion core for about 30 seconds. Where the machine runs
# 32-bit code, the Windows suites run under Wine on the 32-bit build, the program that ships, and
# its package is checked. Elsewhere they run on the 64-bit build, the package is checked without
# running the program, and the run ends with one line that says so and why. With no display, the
# whole run goes on a virtual one.
#   TRASVIDORA_32_BIT=no scripts/test.sh    runs as on a machine that runs no 32-bit code
#   scripts/test.sh PRESET [CTEST OPTION...]  builds one preset and runs its tests only, for
#                                             instance: scripts/test.sh windows -R files_tests
set -euo pipefail
cd "$(dirname "$0")/.."

scripts/setup.sh
if ! xdpyinfo >/dev/null 2>&1; then
  if [ -n "${TRASVIDORA_VIRTUAL_DISPLAY:-}" ]; then
    echo "La pantalla virtual no responde." >&2
    exit 1
  fi
  TRASVIDORA_VIRTUAL_DISPLAY=1 exec xvfb-run -a -s "-screen 0 1280x1024x24 -nolisten tcp" scripts/test.sh "$@"
fi

# Unless WINEPREFIX says otherwise, the Windows tests get a Wine prefix of their own, made before
# the first test needs it.
export WINEPREFIX="${WINEPREFIX:-${XDG_CACHE_HOME:-$HOME/.cache}/trasvidora/wine-tests}"
source scripts/wine-session.sh
# No window manager runs here, so Wine is told not to wait for one whenever a window goes away.
start_wine_for_tests() {
  wine_quietly reg add 'HKCU\Software\Wine\X11 Driver' /v Managed /d N /f
  start_wine_session
}

if [ $# -gt 0 ]; then
  preset=$1
  shift
  build=${preset%-package}
  cmake --preset "$build"
  cmake --build --preset "$build"
  trap end_wine_session EXIT
  case $build in windows*) start_wine_for_tests ;; esac
  ctest --preset "$preset" "$@"
  exit
fi

not_run=""
if why_not=$(scripts/runs-32-bit.sh); then
  suites=windows
else
  suites=windows64
  not_run="No se ha ejecutado el programa que se distribuye (32 bits, build/windows): $why_not."
  not_run+=" Las pruebas de Windows han corrido en la versión de 64 bits (build/windows64)."
fi
trap 'end_wine_session; [ -z "$not_run" ] || echo "$not_run"' EXIT

# The workflow that runs the Windows tests on Windows itself cannot run here: its form and its
# PowerShell scripts are checked.
scripts/lint-workflows.sh

cmake --preset host
cmake --build --preset host
cmake --preset windows
cmake --build --preset windows
# The 64-bit build is built everywhere, so that it stays whole for the machines that test it.
cmake --preset windows64
cmake --build --preset windows64
# The libFuzzer target needs clang: a build of its own.
cmake --preset fuzz
cmake --build --preset fuzz

start_wine_for_tests

ctest --preset host
if [ "$suites" = windows ]; then
  # Every Windows suite on the program that ships, and its package.
  ctest --preset windows
else
  ctest --preset windows64
  ctest --preset windows-package
fi
# About 30 seconds of fuzzing over the kept corpus; a crash, leak or broken property fails.
ctest --preset fuzz
