#!/bin/sh
# Makes (mount) or removes (unmount) a disk of the file systems an office uses, for the file tests
# to run on, all of it in FOLDER (in the build tree):
#
#   file_systems.sh mount|unmount KIND FOLDER [LETTER WINE_RUN NETWORK_DRIVE_EXE]
#
#   fat32    a 64 MiB FAT32 image (mkfs.vfat) through fusefat, in FOLDER/mnt
#   exfat    a 64 MiB exFAT image (mkfs.exfat) on a loop device through exfat-fuse, in FOLDER/mnt
#   ntfs     a 64 MiB NTFS image (mkntfs) through ntfs-3g, in FOLDER/mnt
#   samba    FOLDER/share shared by a Samba server of its own (smbd on 127.0.0.1 only, a free
#            port, guests allowed), reached through smbnetfs in FOLDER/mnt, and drive LETTER:
#            mapped to the share as a network drive; the tests' folder is LETTER:\remesas
#   network  the plain folder FOLDER/share, mapped to drive LETTER: as a network drive; the tests'
#            folder is LETTER:\remesas
#   unc      the plain folder FOLDER/share, reached as \\localhost\oficina in the Wine prefix
#            (WINEPREFIX, or wine-run.sh's own); the tests' folder is \\localhost\oficina\remesas
#
# NTFS and Samba get FOLDER/.../link-folder, with remesas/enlace.xml a symbolic link to
# otra/remesa.xml, for the link test. Drive letters are mapped by NETWORK_DRIVE_EXE run with
# WINE_RUN. When anything cannot be made (no root, no FUSE, a tool missing, a server that does
# not start) the mount says so in one line and fails, so that the tests that need it fail too.
# Unmount removes everything, even from a mount that failed half-way or a driver that hangs.
set -u

action=$1
kind=$2
folder=$3
letter=${4:-}
wine_run=${5:-}
drive_exe=${6:-}
mnt=$folder/mnt
log=$folder/log
unc_server=${WINEPREFIX:-${XDG_CACHE_HOME:-$HOME/.cache}/trasvidora/wine}/dosdevices/unc/localhost

fail() {
  echo "file_systems.sh: no $kind disk for the file tests: $*" >&2
  exit 1
}

need() {
  for tool in "$@"; do
    command -v "$tool" >/dev/null 2>&1 || fail "$tool is missing (scripts/setup.sh installs it)"
  done
}

# The last line a tool wrote, to name the reason of a failure.
last_words() {
  tail -n 1 "$log" 2>/dev/null | tr -d '\r'
}

# Waits up to 15 seconds for a command to succeed.
wait_for() {
  tries=0
  until "$@" >/dev/null 2>&1; do
    tries=$((tries + 1))
    [ "$tries" -lt 150 ] || return 1
    sleep 0.1
  done
}

# Starts a program in the background, on its own, its output in the log, its process id kept.
start() {
  name=$1
  shift
  setsid "$@" </dev/null >>"$log" 2>&1 &
  echo $! >"$folder/$name.pid"
}

make_image() {
  truncate -s 64M "$folder/disk.img" || fail "cannot make the image $folder/disk.img"
  "$@" >>"$log" 2>&1 || fail "$1 failed: $(last_words)"
}

wait_for_mount() {
  wait_for mounted || fail "$1 did not mount $mnt: $(last_words)"
}

map_drive() {
  [ -n "$letter" ] || fail "no drive letter given"
  "$wine_run" "$drive_exe" "$letter" "$1" >>"$log" 2>&1 ||
    fail "drive $letter: was not mapped to $1: $(last_words)"
}

# A symbolic link for the link test, made on the file system itself.
make_link_folder() {
  mkdir -p "$1/remesas" "$1/otra" && touch "$1/otra/remesa.xml" &&
    ln -s ../otra/remesa.xml "$1/remesas/enlace.xml" ||
    fail "cannot make a symbolic link in $1"
}

# A port on 127.0.0.1 that nothing listens on.
free_port() {
  python3 -c 'import socket; s = socket.socket(); s.bind(("127.0.0.1", 0)); print(s.getsockname()[1])'
}

mount_samba() {
  need smbd smbnetfs python3
  port=$(free_port) || fail "no free port on 127.0.0.1"
  echo "$port" >"$folder/port"
  server=$folder/server
  mkdir -p "$folder/share/remesas" "$server/private" "$server/lock" "$server/state" "$server/cache" \
    "$server/pid" "$server/ncalrpc" "$folder/client/.smb"
  chmod 0777 "$folder/share" "$folder/share/remesas"
  cat >"$server/smb.conf" <<EOF
[global]
  netbios name = TRASVIDORA
  workgroup = WORKGROUP
  server role = standalone server
  interfaces = 127.0.0.1
  bind interfaces only = yes
  smb ports = $port
  disable netbios = yes
  map to guest = Bad User
  guest account = nobody
  private dir = $server/private
  lock directory = $server/lock
  state directory = $server/state
  cache directory = $server/cache
  pid directory = $server/pid
  ncalrpc dir = $server/ncalrpc
  log file = $server/smbd.log
  load printers = no
  printing = bsd
  printcap name = /dev/null
  disable spoolss = yes
[oficina]
  path = $folder/share
  read only = no
  guest ok = yes
  guest only = yes
  force user = root
EOF
  # The client's own settings: smbnetfs and its Samba library read them from $HOME/.smb. A failed
  # look-up is remembered for half a second only (neg_cache "false" hangs smbnetfs 0.6.3).
  cat >"$folder/client/.smb/smb.conf" <<EOF
[global]
  workgroup = WORKGROUP
  disable netbios = yes
EOF
  cat >"$folder/client/.smb/smbnetfs.conf" <<EOF
smb_query_browsers "false"
use_libsecret "false"
neg_cache_timeout 500
auth "guest" ""
EOF
  chmod 0600 "$folder/client/.smb/smbnetfs.conf"
  start smbd smbd --foreground --no-process-group --configfile="$server/smb.conf"
  share=$mnt/127.0.0.1:$port/oficina
  # smbnetfs reaches the server as it is named in the path: address and port, then the share. It
  # numbers files itself, and a file the kernel forgets (under memory pressure) came back with a new
  # number, which Wine gives as the file's index: the conversion took the remittance for another
  # file and refused it. With noforget a file keeps its number, as a Windows server's file keeps
  # its id.
  start smbnetfs env "HOME=$folder/client" smbnetfs "$mnt" -f \
    -o "config=$folder/client/.smb/smbnetfs.conf,noforget"
  wait_for_mount smbnetfs
  wait_for ls "$share" || fail "smbd on 127.0.0.1:$port does not answer: $(tail -n 1 "$server/smbd.log" 2>/dev/null)"
  make_link_folder "$folder/share/link-folder"
  map_drive "$share"
}

mount_kind() {
  # What an interrupted run left goes first.
  unmount_kind
  [ ! -e "$folder" ] || fail "$folder is left from an earlier run and cannot be removed"
  mkdir -p "$mnt" 2>/dev/null || fail "cannot make $mnt"
  case $kind in
    fat32 | exfat | ntfs | samba)
      [ -e /dev/fuse ] || fail "this system has no FUSE (/dev/fuse)"
      [ "$(id -u)" -eq 0 ] || fail "mounting needs root"
      ;;
  esac
  case $kind in
    fat32)
      need mkfs.vfat fusefat
      make_image mkfs.vfat -F 32 "$folder/disk.img"
      # fusefat writes only when told to (rw+), and answers one request at a time (-s): its
      # writing is experimental, and it has been seen looping for ever.
      start fusefat fusefat -f -s -o rw+ "$folder/disk.img" "$mnt"
      wait_for_mount fusefat
      ;;
    exfat)
      need mkfs.exfat mount.exfat-fuse losetup
      make_image mkfs.exfat "$folder/disk.img"
      losetup --find --show "$folder/disk.img" >"$folder/loop" 2>>"$log" ||
        fail "no loop device: $(last_words)"
      mount.exfat-fuse "$(cat "$folder/loop")" "$mnt" </dev/null >>"$log" 2>&1 ||
        fail "exfat-fuse did not mount $mnt: $(last_words)"
      wait_for_mount exfat-fuse
      ;;
    ntfs)
      need mkntfs ntfs-3g
      make_image mkntfs --force --quick --quiet "$folder/disk.img"
      # With permissions, ntfs-3g keeps a file's Unix mode, where Wine keeps its read-only mark.
      start ntfs-3g ntfs-3g -o no_detach,permissions "$folder/disk.img" "$mnt"
      wait_for_mount ntfs-3g
      make_link_folder "$mnt/link-folder"
      ;;
    samba)
      mount_samba
      ;;
    network)
      mkdir -p "$folder/share/remesas" || fail "cannot make $folder/share/remesas"
      map_drive "$folder/share"
      ;;
    unc)
      # Wine leads \\SERVER\SHARE to dosdevices/unc/SERVER/SHARE in its prefix.
      mkdir -p "$folder/share/remesas" "$unc_server" || fail "cannot make $folder/share/remesas"
      ln -sfn "$folder/share" "$unc_server/oficina" || fail "cannot make $unc_server/oficina"
      ;;
    *)
      fail "unknown kind (fat32, exfat, ntfs, samba, network or unc)"
      ;;
  esac
}

# Whether a process runs (one that has ended but is not yet reaped does not).
running() {
  [ -r "/proc/$1/stat" ] && [ "$(sed 's/.*) //' "/proc/$1/stat" | cut -c1)" != Z ]
}

# Ends a program started here, by the process id kept.
stop() {
  [ -f "$folder/$1.pid" ] || return 0
  pid=$(cat "$folder/$1.pid")
  running "$pid" || return 0
  kill "$pid" 2>/dev/null
  tries=0
  while running "$pid" && [ "$tries" -lt 50 ]; do
    tries=$((tries + 1))
    sleep 0.1
  done
  kill -9 "$pid" 2>/dev/null
  return 0
}

# Whether FOLDER/mnt is mounted, read from the kernel's table: looking at the folder itself would
# wait for ever on a driver that hangs.
mounted() {
  awk -v mnt="$mnt" '$5 == mnt { found = 1 } END { exit !found }' /proc/self/mountinfo
}

# Takes the FUSE mount away without waiting for its driver: the kernel's connection to the driver
# is cut first (a driver caught in a loop never answers; nothing on the disk is kept anyway), then
# the mount is detached.
unmount_fuse() {
  mounted || return 0
  connection=$(awk -v mnt="$mnt" '$5 == mnt { split($3, device, ":"); print device[1] * 1048576 + device[2] }' \
    /proc/self/mountinfo)
  connections=/sys/fs/fuse/connections
  [ -d "$connections/$connection" ] || mount -t fusectl fusectl "$connections" 2>/dev/null
  echo 1 >"$connections/$connection/abort" 2>/dev/null
  umount -l "$mnt" 2>/dev/null || fusermount -u -z "$mnt" 2>/dev/null
  return 0
}

unmount_kind() {
  [ -d "$folder" ] || return 0
  if [ -n "$letter" ] && [ -n "$wine_run" ]; then
    "$wine_run" "$drive_exe" "$letter" >>"$log" 2>&1
  fi
  [ "$kind" != unc ] || rm -f "$unc_server/oficina"
  unmount_fuse
  for program in fusefat ntfs-3g smbnetfs smbd; do stop "$program"; done
  if [ -f "$folder/loop" ]; then losetup -d "$(cat "$folder/loop")" 2>/dev/null; fi
  mounted || rm -rf "$folder"
  return 0
}

case $action in
  mount) mount_kind ;;
  unmount) unmount_kind ;;
  *) fail "usage: file_systems.sh mount|unmount KIND FOLDER [LETTER WINE_RUN NETWORK_DRIVE_EXE]" ;;
esac
exit 0
