#!/bin/sh
# Mounts (or unmounts) the small disk of the disk-full test: an 8 MiB tmpfs. Needs root; where
# the mount is refused the folder stays an ordinary one and the test skips, saying why.
#   small_disk.sh mount|unmount FOLDER
set -u
folder=$2
case $1 in
  mount)
    mkdir -p "$folder"
    if ! mountpoint -q "$folder"; then
      mount -t tmpfs -o size=8m,mode=0777 trasvidora-small-disk "$folder" ||
        echo "small_disk.sh: mount refused; the disk-full test will be skipped"
    fi
    ;;
  unmount)
    if mountpoint -q "$folder"; then umount "$folder"; fi
    rm -rf "$folder"
    ;;
esac
exit 0
