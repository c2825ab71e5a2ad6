#!/bin/sh
# map-drive.sh BUILD_DIR DRIVES [unmap]: the end-to-end tests' drives in
# both test prefixes (64-bit and 32-bit Windows), each a folder of DRIVES:
#   E: a removable drive (a USB stick),
#   F: a fixed disk,
#   G: a small removable drive with a file system of its own (16 MiB of
#      tmpfs), which the tests can fill;
#   S: a removable drive that behaves like a USB stick (tests/stick: slow,
#      pulled, write-protected, lying, cut off), told what to do through
#      S:\.stick\control and counting through S:\.stick\counters.
# unmap takes G:'s and S:'s file systems away again.
set -eu
bindir=$1 drives=$2
SUDO=""
[ "$(id -u)" -eq 0 ] || SUDO=sudo
stick=$(cd "$(dirname "$0")/../stick" && pwd)/stick-drive.sh
if [ "${3:-}" = unmap ]; then
  for k in 64 32; do
    $SUDO umount "$drives/g$k" 2>/dev/null || true
    $SUDO "$stick" unmount "$drives/s$k" || true
  done
  exit 0
fi
here=$(cd "$(dirname "$0")/../../tools" && pwd)
export LC_ALL=zh_CN.UTF-8 DISPLAY="$(cat "$bindir/test-display")"
for k in 64 32; do
  prefix=$bindir/wineprefix
  [ $k = 32 ] && prefix=$bindir/wineprefix32
  mkdir -p "$drives/g$k"
  mountpoint -q "$drives/g$k" || $SUDO mount -t tmpfs -o size=16m,mode=0777 tmpfs "$drives/g$k"
  "$here/wine-drive.sh" "$prefix" e "$drives/e$k" floppy
  "$here/wine-drive.sh" "$prefix" f "$drives/f$k" hd
  "$here/wine-drive.sh" "$prefix" g "$drives/g$k" floppy
  $SUDO "$stick" mount "$drives/s$k-flash" "$drives/s$k"
  "$here/wine-drive.sh" "$prefix" s "$drives/s$k" floppy
done
# The drive types count from the servers' next start, and the shell's
# folder tree lists the drives that the running services found when they
# started: start both again.
exec "$here/test-display.sh" restart-wine "$bindir"
