#!/bin/bash
# stick_fs_test.sh USB_STICK_FS WORK_DIR: mounts a test stick under WORK_DIR
# and checks from outside what it passes through, counts, costs and fails.
# Exits 77 when this machine cannot mount FUSE file systems.
set -u
export USB_STICK_FS=$1
work=$2 drive=$(dirname "$0")/stick-drive.sh
flash=$work/flash mnt=$work/mnt
[ -c /dev/fuse ] || { echo "no /dev/fuse"; exit 77; }
"$drive" unmount "$mnt"
# A .stick folder on the flash itself is shadowed by the control folder.
rm -rf "$work" && mkdir -p "$flash/.stick" "$mnt"
trap '"$drive" unmount "$mnt"' EXIT
if ! "$drive" mount "$flash" "$mnt" 2>"$work/mount.log"; then
  cat "$work/mount.log"
  grep -qiE 'not permitted|permission denied|device not found' "$work/mount.log" && exit 77
  exit 1
fi

failed=0
fail() { echo "FAIL: $*"; failed=1; }
ctl() { "$drive" control "$mnt" "$1"; }
counter() { "$drive" counters "$mnt" | tr ' ' '\n' | sed -n "s/^$1=//p"; }
ms() { echo $(($(date +%s%N) / 1000000)); }

# Pass-through both ways; the control folder stays out of the listing.
mkdir "$mnt/dir" && printf 'abc' >"$mnt/dir/f" && mv "$mnt/dir/f" "$mnt/dir/g"
[ "$(cat "$flash/dir/g")" = abc ] && [ ! -e "$flash/dir/f" ] || fail "files do not reach the backing folder"
printf 'xyz' >"$flash/h"
[ "$(cat "$mnt/h")" = xyz ] || fail "the backing folder does not show through"
[ "$(ls -a "$mnt" | tr '\n' ' ')" = ". .. dir h " ] && [ -s "$mnt/.stick/counters" ] || fail "root listing: $(ls -a "$mnt")"
ctl "no such command" 2>/dev/null && fail "an unknown command was taken"

# Counters after a known sequence.
ctl zero
head -c 1000 /dev/zero >"$mnt/f1"; head -c 2000 /dev/zero >"$mnt/f2"; head -c 3000 /dev/zero >"$mnt/f3"
mv "$mnt/f1" "$mnt/g1" && rm "$mnt/f2" && mkdir "$mnt/d2" && sync "$mnt/f3" && cat "$mnt/f3" >/dev/null
dd if=/dev/zero of="$mnt/f4" bs=500 count=1 conv=fsync status=none
want="written=6500 read=3000 created=4 folders=1 renames=1 deletions=1 flushes=2 changes=7"
[ "$("$drive" counters "$mnt" | cut -d' ' -f1-8)" = "$want" ] || fail "counters: $("$drive" counters "$mnt")"

# Costs share one queue: two writers at once (in two folders, which the
# kernel does not serialise) take as long as one after the other.
mkdir "$mnt/la" "$mnt/lb"
ctl "latency_us 20000"
t=$(ms)
for k in a b; do (for i in $(seq 10); do : >"$mnt/l$k/$i"; done) & done
wait
(($(ms) - t >= 400)) || fail "20 creations at 20 ms took $(($(ms) - t)) ms"
ctl "latency_us 0"
ctl "write_bps 4000000"; t=$(ms)
dd if=/dev/zero of="$mnt/mb" bs=64k count=16 status=none
(($(ms) - t >= 250)) || fail "1 MiB at 4 MB/s written in $(($(ms) - t)) ms"
ctl "write_bps 0"; ctl "read_bps 4000000"; t=$(ms)
cat "$mnt/mb" >/dev/null
(($(ms) - t >= 250)) || fail "1 MiB at 4 MB/s read in $(($(ms) - t)) ms"
ctl "read_bps 0"

# Write-protected: changes refused, reads go on, nothing changes.
before=$(ls -lR --time-style=+%s.%N "$flash")
ctl "readonly 1"
err=$( (echo new >"$mnt/h") 2>&1) && fail "wrote through readonly"
[[ $err == *"Read-only file system"* ]] || fail "readonly write said: $err"
mkdir "$mnt/ro" 2>/dev/null && fail "mkdir through readonly"
rm "$mnt/h" 2>/dev/null && fail "unlink through readonly"
[ "$(cat "$mnt/h")" = xyz ] || fail "no reads while readonly"
[ "$(ls -lR --time-style=+%s.%N "$flash")" = "$before" ] || fail "readonly changed the flash"
ctl "readonly 0"

# Pulled: nothing works until it is plugged back.
ctl "pulled 1"
ls "$mnt" >/dev/null 2>&1 && fail "listed a pulled stick"
err=$(cat "$mnt/h" 2>&1) && fail "read a pulled stick"
[[ $err == *"Input/output error"* ]] || fail "pulled read said: $err"
ctl "pulled 0"
[ "$(cat "$mnt/h")" = xyz ] || fail "not back after pulled 0"

# Bad flash: the write succeeds, the read-back differs.
head -c 4096 /dev/urandom >"$work/data"
ctl "badflash 1"
cp "$work/data" "$mnt/bad" || fail "badflash write reported a failure"
ctl "badflash 0"
cmp -s "$work/data" "$mnt/bad" && fail "badflash stored the data intact"
[ "$(cmp -l "$work/data" "$mnt/bad" | wc -l)" = 1 ] || fail "badflash changed other than one byte"

# Full after 100000 bytes: the write that would cross it fails whole.
ctl "fullafter 100000"
err=$(dd if=/dev/zero of="$mnt/full" bs=40000 count=3 2>&1) && fail "wrote past fullafter"
[[ $err == *"No space left on device"* ]] || fail "full write said: $err"
[ "$(stat -c %s "$flash/full")" = 80000 ] || fail "fullafter stored $(stat -c %s "$flash/full") bytes"
ctl reset

# Cut after 3: two changes go through, the third and everything after fail.
ctl "cutafter 3"
: >"$mnt/cut1" && : >"$mnt/cut2" || fail "changes before the cut failed"
mkdir "$mnt/cut3" 2>/dev/null && fail "the 3rd change went through"
cat "$mnt/h" >/dev/null 2>&1 && fail "read after the cut"
[ "$(counter cut)" = 1 ] || fail "counters do not show the cut"
ctl reset
[ -e "$flash/cut1" ] && [ -e "$flash/cut2" ] && [ ! -e "$flash/cut3" ] || fail "wrong changes survived the cut"
[ "$(cat "$mnt/h")" = xyz ] || fail "not back after reset"

[ $failed = 0 ] && echo "usb_stick_fs: all checks passed"
exit $failed
