#!/usr/bin/env bash
# Builds trasvidora.exe and starts it under Wine: the 32-bit build, the program that ships, where
# the machine runs 32-bit code; elsewhere the 64-bit build of the same source, saying why. Where
# the program has no "remesas" folder yet, a demo folder of generated remittances is laid out
# beside it.
#   scripts/run.sh               runs the program; with no display, does what --screenshot does
#   scripts/run.sh --screenshot  saves a screenshot of the window to build/trasvidora-window.png
#                                and ends the program (with no display, on a virtual one)
#   scripts/run.sh --long-names  runs a copy of the program over three remittances whose long
#                                names differ only at their ends; with --screenshot, the list is
#                                scrolled to their ends with the keyboard and the screenshot goes
#                                to build/trasvidora-long-names.png
set -euo pipefail
cd "$(dirname "$0")/.."

screenshot=""
long_names=""
for option in "$@"; do
  case $option in
    --screenshot) screenshot=1 ;;
    --long-names) long_names=1 ;;
    *) echo "Uso: scripts/run.sh [--screenshot] [--long-names]" >&2; exit 2 ;;
  esac
done

scripts/setup.sh
if ! xdpyinfo >/dev/null 2>&1; then
  [ -z "${TRASVIDORA_VIRTUAL_DISPLAY:-}" ] || { echo "La pantalla virtual no responde." >&2; exit 1; }
  echo "No hay pantalla: se usa una pantalla virtual (Xvfb) para hacer una captura de la ventana."
  TRASVIDORA_VIRTUAL_DISPLAY=1 exec xvfb-run -a -s "-screen 0 1280x1024x24 -nolisten tcp" scripts/run.sh --screenshot "$@"
fi
if why_not=$(scripts/runs-32-bit.sh); then
  preset=windows
else
  preset=windows64
  echo "Se usa la versión de 64 bits (build/$preset): $why_not."
fi
cmake --preset "$preset" >/dev/null
cmake --build --preset "$preset" --target trasvidora

program_folder=build/$preset/window
program="$program_folder/trasvidora.exe"
remittances="$program_folder/remesas"
picture=trasvidora-window

if [ -n "$long_names" ]; then
  mkdir -p "build/$preset/long-names"
  cp "$program" "build/$preset/long-names/"
  program_folder=build/$preset/long-names
  program="$program_folder/trasvidora.exe"
  remittances="$program_folder/remesas"
  picture=trasvidora-long-names
  if [ ! -d "$remittances" ]; then
    mkdir -p "$remittances"
    for end in "" _enero _febrero; do
      scripts/make_remittance.py "$remittances/Remesa_ES12000B12345678_2026-12-01_cuotas_socios$end.xml" \
        --msg-id PRE2026120100001 --transactions 12 --seed 5
    done
  fi
elif [ ! -d "$remittances" ]; then
  echo "Creando remesas de ejemplo en $remittances"
  mkdir -p "$remittances"
  scripts/make_remittance.py "$remittances/remesa-diciembre.xml" --msg-id PRE2026120700001 --transactions 14 --seed 1
  scripts/make_remittance.py "$remittances/remesa-noviembre.xml" --msg-id PRE2026110300002 --transactions 9 --seed 2
  scripts/make_remittance.py "$remittances/Cuotas socios Año 2026.xml" --msg-id PRE2026010200007 --transactions 31 --seed 3
  scripts/make_remittance.py "$remittances/remesa-ya-anticipada.xml" --msg-id FSDD2026100100003 --transactions 5 --seed 4
fi

if [ -z "$screenshot" ]; then
  exec scripts/wine-run.sh "$program"
fi

export WINEPREFIX="${WINEPREFIX:-${XDG_CACHE_HOME:-$HOME/.cache}/trasvidora/wine}"
scripts/wine-run.sh "$program" &
program_pid=$!
# The program ends with the script, and Wine's session a moment later, before the display goes.
end_program() {
  kill "$program_pid" 2>/dev/null || true
  wait "$program_pid" 2>/dev/null || true
  timeout 15 wineserver --wait 2>/dev/null || true
}
trap end_program EXIT

window=""
for attempt in $(seq 1 300); do
  window=$(xdotool search --onlyvisible --name "Cambia remesa SEPA a anticipos de cobro" 2>/dev/null | head -n 1 || true)
  [ -n "$window" ] && break
  sleep 0.1
done
if [ -z "$window" ]; then
  echo "La ventana de trasvidora no apareció." >&2
  exit 1
fi
if [ -n "$long_names" ]; then
  # Tab takes the focus from CAMBIAR to the list; Right scrolls it to the ends of the names.
  xdotool windowfocus --sync "$window"
  xdotool key --clearmodifiers Tab Right Right Right Right Right Right Right Right
fi
sleep 1
screenshot="$PWD/build/$picture.png"
import -window "$window" "$screenshot"
echo "Captura de la ventana: $screenshot"
