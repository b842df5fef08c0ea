#!/usr/bin/env bash
# Runs a Windows program under Wine in the project's own Wine prefix, creating it on first use.
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

fonts="$WINEPREFIX/drive_c/windows/Fonts"
for face in tahoma.ttf tahomabd.ttf; do
  if [ ! -f "$fonts/$face" ]; then
    mkdir -p "$fonts"
    cp /usr/share/wine/fonts/"$face" "$fonts/$face"
  fi
done

exec wine "$@"
