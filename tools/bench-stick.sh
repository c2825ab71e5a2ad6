#!/bin/bash
# bench-stick.sh WIN32_BUILD NATIVE_BUILD: the upgrade's figures on the test
# stick (3 ms a change, 10 MB/s written, 30 MB/s read), mapped as S: of the
# 64-bit prefix, with a 1,000-file, 16 MiB tool set:
#   the archiver alone unpacking the set into an empty folder (the yardstick);
#   the whole-set upgrade over an old set of the same size, its flush and
#     read-back given apart (goal: together at most 15% of the upgrade);
#   an upgrade where 5% of the files changed, were added or removed (goal: a
#     quarter of the yardstick, writing at most twice the changed bytes);
#   the same package once more (goal: a tenth of the yardstick).
# Each figure is the fastest of two runs, from the press of 升级 to the
# closing box; the stick's flash is tmpfs, so only the stick's own costs count.
set -eu
bindir=$(cd "$1" && pwd)
native=$(cd "$2" && pwd)
here=$(cd "$(dirname "$0")" && pwd)
b=$bindir/bench-stick
tool=$b/tool
export WINEPREFIX="$bindir/wineprefix" LC_ALL=zh_CN.UTF-8 WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml=;winedbg.exe=d"
export USB_STICK_FS=$native/tests/stick/usb_stick_fs
stick="$here/../tests/stick/stick-drive.sh"
SUDO=""
[ "$(id -u)" -eq 0 ] || SUDO=sudo

cleanup() {
  $SUDO "$stick" unmount "$b/stick" || true
  $SUDO umount "$b/flash" 2>/dev/null || true
  "$here/test-display.sh" stop "$bindir"
}
cleanup
rm -rf "$b"
mkdir -p "$b/flash" "$b/sets" "$tool/PE" "$tool/data/PE"
cp "$bindir/app/pe_upgrader.exe" "$tool/"

# The sets: NEW (package new.7z), OLD (as large, other files: the whole-set
# upgrade), and NEXT (package next.7z): NEW with 20 files changed (10 of
# them keeping their size), 15 added and 15 removed.
python3 - "$b/sets" <<'EOF'
import os, random, sys
root = sys.argv[1]
rng = random.Random(2026)
def write(set_name, files):
    for path, data in files.items():
        full = os.path.join(root, set_name, "ZEDOVAV", path)
        os.makedirs(os.path.dirname(full), exist_ok=True)
        open(full, "wb").write(data)
sizes = [rng.randint(1024, 32768) for _ in range(1000)]
sizes = [s * 2**24 // sum(sizes) for s in sizes]
sizes[0] += 2**24 - sum(sizes)  # 16 MiB to the byte
new = {f"T{i // 40:02}/F{i:04}.BIN": rng.randbytes(n) for i, n in enumerate(sizes)}
old = {f"OLD{i // 40:02}/O{i:04}.BIN": rng.randbytes(len(d)) for i, d in enumerate(new.values())}
paths = sorted(new)
rng.shuffle(paths)
nxt = dict(new)
for p in paths[:10]: nxt[p] = rng.randbytes(len(new[p]))
for p in paths[10:20]: nxt[p] = rng.randbytes(rng.randint(1024, 32768))
for p in paths[20:35]: del nxt[p]
for i in range(15): nxt[f"T{i:02}/ADDED{i}.BIN"] = rng.randbytes(rng.randint(1024, 32768))
write("new", new); write("old", old); write("next", nxt)
changed = sum(len(d) for p, d in nxt.items() if new.get(p) != d)
open(os.path.join(root, "changed-bytes"), "w").write(f"{changed}\n")
print(f"sets: {len(new)} files, {sum(map(len, new.values())) / 2**20:.1f} MiB; the next set changes "
      f"{changed} bytes in {sum(1 for p in nxt if new.get(p) != nxt[p])} files and removes 15")
EOF
for s in new next; do (cd "$b/sets/$s" && 7zz a -bd -bso0 -bsp0 -mx=1 "$b/sets/$s.7z" ZEDOVAV); done

"$here/test-display.sh" start "$bindir"
trap cleanup EXIT
DISPLAY=$(cat "$bindir/test-display"); export DISPLAY
$SUDO mount -t tmpfs -o size=160m,mode=0777 tmpfs "$b/flash"
$SUDO "$stick" mount "$b/flash/data" "$b/stick" --latency_us 3000 --write_bps 10000000 --read_bps 30000000
"$here/wine-drive.sh" "$WINEPREFIX" s "$b/stick" floppy
"$here/test-display.sh" restart-wine "$bindir"

bench=$(winepath -w "$bindir/tests/bench/upgrader_bench.exe")
upgrader=$(winepath -w "$tool/pe_upgrader.exe")
counter() { sed -n "s/.*\b$1=\([0-9]*\).*/\1/p" "$b/stick/.stick/counters"; }
# put SET: the stick holds SET's ZEDOVAV (or nothing), laid down past the stick.
put() {
  rm -rf "$b/flash/data/"*
  [ "$1" = none ] || cp -r "$b/sets/$1/ZEDOVAV" "$b/flash/data/"
}
# run upgrade PACKAGE | unpack: one timed run; sets ms, written, changes.
run() {
  "$stick" control "$b/stick" zero
  if [ "$1" = upgrade ]; then
    cp "$b/sets/$2.7z" "$tool/PE/ZEDOVAV.7z"
    set -- $(wine "$bench" upgrade "$upgrader" 'S:\' | tr -d '\r')
  else
    set -- $(wine "$bench" unpack "$(winepath -w "$tool/data/PE/7z.exe")" "$(winepath -w "$b/sets/new.7z")" 'S:' | tr -d '\r')
  fi
  [ "$2" = 0 ] || { echo "bench-stick: a run ended with $2" >&2; exit 1; }
  ms=$1 written=$(counter written) changes=$(counter changes)
}
# The last upgrade's flush and read-back, in ms, from the tool's log.
logged() { iconv -f GBK -t UTF-8 "$tool/upgrade.log" | sed -n "s/^.*$1：.*用时 \([0-9]*\) 毫秒.*/\1/p" | tail -1; }
fastest() { [ -z "${best:-}" ] || [ "$ms" -lt "$best" ] && best=$ms; true; }
ratio() { awk -v a="$1" -v b="$2" 'BEGIN { printf "%.3f", a / b }'; }

best=""; for _ in 1 2; do put old; run upgrade new; fastest; [ "$ms" = "$best" ] && flush=$(logged 写入U盘) read=$(logged 读回校验); done
whole=$best whole_written=$written
best=""; for _ in 1 2; do put none; run unpack; fastest; done
alone=$best alone_written=$written alone_changes=$changes
best=""; for _ in 1 2; do put new; run upgrade next; fastest; done
diff=$best diff_written=$written diff_changes=$changes
best=""; for _ in 1 2; do run upgrade next; fastest; done
same=$best same_written=$written
# What this machine takes whatever the stick: the same run with its costs off.
"$stick" control "$b/stick" "latency_us 0"
"$stick" control "$b/stick" "read_bps 0"
best=""; for _ in 1 2; do run upgrade next; fastest; done
free=$best
changed=$(cat "$b/sets/changed-bytes")

# Where this kernel runs no 32-bit programs, the tool (and the 32-bit half
# of Wine under it) runs under qemu-user while the x64 archiver runs as it
# is: the tool's own steps count slower here than on Windows.
[ ! -e /proc/sys/fs/binfmt_misc/qemu-i386 ] ||
  echo "note: 32-bit programs run under qemu-user on this machine: the tool is emulated, the x64 archiver is not"
echo "the archiver alone into an empty folder: $alone ms, $alone_written bytes written, $alone_changes changes"
echo "whole-set upgrade over an old set: $whole ms ($(ratio "$whole" "$alone") of the archiver alone)," \
     "$whole_written bytes written; flush $flush ms + read-back $read ms = $(ratio $((flush + read)) "$whole")" \
     "of the upgrade (goal 0.15)"
echo "5% changed: $diff ms, $(ratio "$diff" "$alone") of the archiver alone (goal 0.25); $diff_written bytes" \
     "written for $changed changed, $(ratio "$diff_written" "$changed") (goal 2); $diff_changes changes"
echo "the same package again: $same ms, $(ratio "$same" "$alone") of the archiver alone (goal 0.1);" \
     "$same_written bytes written; with the stick's costs off it takes $free ms"
