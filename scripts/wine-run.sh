#!/usr/bin/env bash
# Runs a Windows program under Wine in the project's own Wine prefix, creating it on first use,
# and bringing it up to date when it was made before Debian's wine32 was installed.
# Every prefix it runs in, one that WINEPREFIX names included, gets Tahoma (regular and bold)
# from Debian's fonts-wine: Wine does not load those fonts by itself, and without them the
# window's texts come out in another, wider face.
set -euo pipefail

export WINEPREFIX="${WINEPREFIX:-${XDG_CACHE_HOME:-$HOME/.cache}/trasvidora/wine}"
export WINEDEBUG="${WINEDEBUG:--all}"
# No Mono or Gecko installers: the program needs neither.
export WINEDLLOVERRIDES="${WINEDLLOVERRIDES:-mscoree,mshtml=}"

if [ ! -f "$WINEPREFIX/system.reg" ]; then
  mkdir -p "$WINEPREFIX"
  wineboot --init >/dev/null 2>&1 || true
  wineserver --wait || true
fi

# With wine32 installed, the wine command starts every program with its 32-bit loader, which
# needs the prefix's 32-bit system files. A prefix made before lacks them, and no program starts
# there ("could not load kernel32.dll"). Without its time stamp, Wine updates the prefix as it
# makes a new one, loading what it needs from its own files.
wow64=$WINEPREFIX/drive_c/windows/syswow64
if [ -x /usr/lib/wine/wine ] && [ ! -f "$wow64/kernel32.dll" ]; then
  echo "wine-run.sh: se actualiza el prefijo de Wine $WINEPREFIX con los ficheros de 32 bits" >&2
  rm -f "$WINEPREFIX/.update-timestamp"
  wineboot --update >/dev/null 2>&1 || true
  timeout 120 wineserver --wait || true
  if [ ! -f "$wow64/kernel32.dll" ]; then
    echo "wine-run.sh: wineboot --update no puso los ficheros de 32 bits en $WINEPREFIX;" \
      "bórrelo para que se haga de nuevo" >&2
    exit 1
  fi
fi

fonts="$WINEPREFIX/drive_c/windows/Fonts"
for face in tahoma.ttf tahomabd.ttf; do
  if [ ! -f "$fonts/$face" ]; then
    mkdir -p "$fonts"
    cp /usr/share/wine/fonts/"$face" "$fonts/$face"
  fi
done

exec wine "$@"
