#!/bin/sh
# stick-drive.sh mount BACKING MOUNT [usb_stick_fs options...]
#                unmount MOUNT
#                control MOUNT "command"   (see: cat MOUNT/.stick/control)
#                counters MOUNT
# The test stick (usb_stick_fs) from a script. The program is $USB_STICK_FS,
# or the native build's.
set -eu
here=$(cd "$(dirname "$0")" && pwd)
bin=${USB_STICK_FS:-$here/../../build/native/tests/stick/usb_stick_fs}

# Listed in the mount table, whether or not its server still runs.
listed() {
  dir=$(cd "$(dirname "$1")" 2>/dev/null && pwd -P)/$(basename "$1") || return 1
  awk -v d="$dir" '{ gsub(/\\040/, " ", $5) } $5 == d { found = 1 } END { exit !found }' /proc/self/mountinfo
}

# Also takes away a mount whose server died ("Transport endpoint is not
# connected"), which mountpoint cannot even look at.
unmount() {
  listed "$1" || return 0
  fusermount3 -u "$1" 2>/dev/null || fusermount3 -u -z "$1" 2>/dev/null || umount -l "$1" 2>/dev/null || true
  ! listed "$1" || { echo "stick-drive: $1 is still mounted" >&2; return 1; }
}

cmd=${1:-}
[ $# -ge 2 ] || { sed -n '2,5s/^# \{0,1\}//p' "$0" >&2; exit 2; }
case $cmd in
mount)
  backing=$2 mnt=$3
  shift 3
  mountpoint -q "$mnt" 2>/dev/null && exit 0
  unmount "$mnt"
  [ -x "$bin" ] || { echo "stick-drive: no $bin (build the native tree or set USB_STICK_FS)" >&2; exit 1; }
  mkdir -p "$backing" "$mnt"
  "$bin" "$backing" "$mnt" "$@"
  for _ in $(seq 50); do
    mountpoint -q "$mnt" && exit 0
    sleep 0.1
  done
  echo "stick-drive: $mnt did not come up" >&2
  exit 1
  ;;
unmount) unmount "$2" ;;
control) printf '%s\n' "$3" >"$2/.stick/control" ;;
counters) cat "$2/.stick/counters" ;;
*) sed -n '2,5s/^# \{0,1\}//p' "$0" >&2; exit 2 ;;
esac
