#!/usr/bin/env bash
# Tells whether this machine runs 32-bit x86 code, which Wine needs (Debian's wine32) to run the
# 32-bit program that ships. Exits 0 when it does; otherwise prints why not, in one line, and
# exits 1. The probe is a tiny 32-bit Linux program, written here and run once: it only exits.
# No package is installed to find out.
#   TRASVIDORA_32_BIT=no scripts/runs-32-bit.sh    answers no, as a machine without it would
set -uo pipefail

if [ "${TRASVIDORA_32_BIT:-}" = no ]; then
  echo "TRASVIDORA_32_BIT=no lo pide"
  exit 1
fi
architecture=$(dpkg --print-architecture 2>/dev/null || uname -m)
if [ "$architecture" != amd64 ] && [ "$architecture" != x86_64 ]; then
  echo "este equipo no es x86-64 ($architecture)"
  exit 1
fi

folder=$(mktemp -d) || {
  echo "no se pudo crear una carpeta temporal para la prueba"
  exit 1
}
trap 'rm -rf "$folder"' EXIT
probe=$folder/probe32
# ELF header (52 bytes), one loadable segment (32 bytes), then the code:
# mov eax, 1 (exit); mov ebx, 42; int 0x80.
printf '\x7fELF\x01\x01\x01\x00\x00\x00\x00\x00\x00\x00\x00\x00' >"$probe"
printf '\x02\x00\x03\x00\x01\x00\x00\x00\x54\x80\x04\x08\x34\x00\x00\x00' >>"$probe"
printf '\x00\x00\x00\x00\x00\x00\x00\x00\x34\x00\x20\x00\x01\x00\x00\x00\x00\x00\x00\x00' >>"$probe"
printf '\x01\x00\x00\x00\x00\x00\x00\x00\x00\x80\x04\x08\x00\x80\x04\x08' >>"$probe"
printf '\x60\x00\x00\x00\x60\x00\x00\x00\x05\x00\x00\x00\x00\x10\x00\x00' >>"$probe"
printf '\xb8\x01\x00\x00\x00\xbb\x2a\x00\x00\x00\xcd\x80' >>"$probe"
chmod +x "$probe"

said=$("$probe" 2>&1)
status=$?
if [ "$status" -eq 42 ]; then
  exit 0
fi
case $said in
  *"Exec format error"*)
    echo "el núcleo de este equipo no ejecuta programas de 32 bits (Exec format error)" ;;
  *"Permission denied"*)
    echo "la prueba no se pudo ejecutar en $folder (Permission denied)" ;;
  *)
    echo "la prueba de 32 bits terminó con el estado $status${said:+: ${said##*$'\n'}}" ;;
esac
exit 1
