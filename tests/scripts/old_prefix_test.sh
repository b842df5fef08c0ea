#!/bin/sh
# A Wine prefix made before wine32 was installed has an empty 32-bit system folder, and no program
# starts there. wine-run.sh must bring it up to date, say so, and then run the program.
#   old_prefix_test.sh WINE_RUN PREFIX    (a copy of WINEPREFIX's prefix, when it has one)
set -u
wine_run=$1
made=${WINEPREFIX:-}
export WINEPREFIX=$2
log=$WINEPREFIX.log
trap 'wineserver -k 2>/dev/null; rm -rf "$WINEPREFIX" "$log"' EXIT
fail() {
  echo "old_prefix_test.sh: $*"
  cat "$log" 2>/dev/null
  exit 1
}
[ -x /usr/lib/wine/wine ] || { echo "wine32 is not installed: no prefix lacks it"; exit 77; }

rm -rf "$WINEPREFIX"
if [ -f "$made/drive_c/windows/syswow64/kernel32.dll" ]; then
  cp -a "$made" "$WINEPREFIX" || fail "no copy of $made"
else
  "$wine_run" cmd /c exit </dev/null >"$log" 2>&1 || fail "no new prefix"
  wineserver -w
fi
rm -rf "$WINEPREFIX/drive_c/windows/syswow64"/*
# The output goes to a file: Wine's services, which start here, keep it open.
"$wine_run" cmd /c exit </dev/null >"$log" 2>&1 || fail "no program started in the old prefix"
grep -q "se actualiza el prefijo" "$log" || fail "the update was not told"
[ -f "$WINEPREFIX/drive_c/windows/syswow64/kernel32.dll" ] || fail "no 32-bit system files"
