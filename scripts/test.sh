#!/usr/bin/env bash
# Runs every test: installs what is missing, builds the Linux and the Windows presets and runs
# their test suites, then fuzzes the conversion core for about 30 seconds. The program that ships
# is the 32-bit Windows build, whose package is checked; the Windows suites run under Wine on the
# 64-bit build, since this machine runs no 32-bit code. With no display, the whole run goes on a
# virtual one.
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

# The workflow that runs the Windows tests on Windows itself cannot run here: actionlint checks it.
scripts/lint-workflows.sh

cmake --preset host
cmake --build --preset host
cmake --preset windows
cmake --build --preset windows
cmake --preset windows64
cmake --build --preset windows64
# The libFuzzer target needs clang: a build of its own.
cmake --preset fuzz
cmake --build --preset fuzz

# Unless WINEPREFIX says otherwise, the Windows tests get a Wine prefix of their own, made before
# the first test needs it. No window manager runs here, so Wine is told not to wait for one
# whenever a window goes away. Nothing of Wine's own services may hold on to the test runner's
# output: they start here, quietly.
export WINEPREFIX="${WINEPREFIX:-${XDG_CACHE_HOME:-$HOME/.cache}/trasvidora/wine-tests}"
scripts/wine-run.sh reg add 'HKCU\Software\Wine\X11 Driver' /v Managed /d N /f </dev/null >/dev/null 2>&1
# One Wine server for the whole run: left to itself it ends a few seconds after each test program,
# and a test that starts just then finds it going ("recvmsg: Connection reset by peer"). Its
# services start quietly once it is up.
# The server of the commands above ends by itself (and saves the registry); one left persistent
# by an interrupted run never would, and is ended after a minute.
timeout 60 wineserver -w || wineserver -k 2>/dev/null || true
wineserver -p </dev/null >/dev/null 2>&1
trap 'wineserver -k 2>/dev/null || true' EXIT
scripts/wine-run.sh cmd /c exit </dev/null >/dev/null 2>&1

ctest --preset host
ctest --preset windows64
ctest --preset windows
# About 30 seconds of fuzzing over the kept corpus; a crash, leak or broken property fails.
ctest --preset fuzz
