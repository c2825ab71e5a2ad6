#!/bin/sh
# run-app.sh BUILD_DIR: the upgrader's main job on a ready example.
#
# Lays out BUILD_DIR/example: a tool folder (the program, data\PE\, and
# PE\ZEDOVAV.7z made here from a small sample tool set with Debian's 7-Zip)
# and a "USB drive" folder holding an old ZEDOVAV and a user file, mapped as
# drive E: in the build's private Wine prefix. Then:
# - with $DISPLAY set, starts the program there: type E:\ (or browse) and
#   press 升级;
# - without one, runs on a private Xvfb display and does that itself, saving
#   pictures of the main window and the wait window to BUILD_DIR/.
# Either way it prints what changed on E: afterwards.
set -eu
bindir=$(cd "$1" && pwd)
here=$(cd "$(dirname "$0")" && pwd)
example="$bindir/example"
tool="$example/tool"
drive="$example/usb-drive"
export WINEPREFIX="$bindir/wineprefix" LC_ALL=zh_CN.UTF-8 WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml=;winedbg.exe=d"

lay_out_example() {
  rm -rf "$example"
  mkdir -p "$tool/data/PE" "$tool/PE" "$drive/ZEDOVAV/OldTools" "$example/new/ZEDOVAV/Tools" "$example/new/ZEDOVAV/Drivers"
  cp "$bindir/app/pe_upgrader.exe" "$tool/"
  # The new tool set, packed as the tool expects it: ZEDOVAV at the top.
  echo "tool set 2.0" >"$example/new/ZEDOVAV/VERSION.TXT"
  echo "partition tool 2.0" >"$example/new/ZEDOVAV/Tools/PARTTOOL.TXT"
  echo "disk driver 2.0" >"$example/new/ZEDOVAV/Drivers/DISK.TXT"
  # Enough files that the wait window's percentage can be watched.
  mkdir -p "$example/new/ZEDOVAV/Drivers/Pack"
  for f in $(seq 1000 3999); do echo "driver $f" >"$example/new/ZEDOVAV/Drivers/Pack/D$f.INF"; done
  (cd "$example/new" && 7zz a -bd -bso0 -bsp0 "$tool/PE/ZEDOVAV.7z" ZEDOVAV)
  # The drive: an old tool set and a file of the user's beside it.
  echo "tool set 1.0" >"$drive/ZEDOVAV/VERSION.TXT"
  echo "an old tool" >"$drive/ZEDOVAV/OldTools/OLDTOOL.TXT"
  echo "the user's own notes" >"$drive/NOTES.TXT"
}

# Each file on the drive with its first line (the sample files say what
# they are); the driver pack by its count.
list_drive() {
  (cd "$drive" && find . -type f -not -path './ZEDOVAV/Drivers/Pack/*' -printf '%P\n' | sort |
    while read -r f; do printf '%s: %s\n' "$f" "$(head -n1 "$f")"; done
   [ -d ZEDOVAV/Drivers/Pack ] && echo "ZEDOVAV/Drivers/Pack: $(ls ZEDOVAV/Drivers/Pack | wc -l) files" || true)
}

lay_out_example
before=$(list_drive)

if [ -n "${DISPLAY:-}" ]; then
  [ -f "$WINEPREFIX/system.reg" ] || wineboot -i >/dev/null 2>&1
  "$here/wine-fonts.sh" "$WINEPREFIX"
  # A removable drive, as a USB stick is; the type counts from Wine's next start.
  "$here/wine-drive.sh" "$WINEPREFIX" e "$drive" floppy
  wineserver -k 2>/dev/null || true
  echo "run: E: is $drive; type E:\\ (or browse to it) and press 升级"
  set +e
  wine "$tool/pe_upgrader.exe"
  code=$?
  set -e
else
  "$here/test-display.sh" start "$bindir"
  trap '"$here/test-display.sh" stop "$bindir"' EXIT
  DISPLAY=$(cat "$bindir/test-display"); export DISPLAY
  "$here/wine-drive.sh" "$WINEPREFIX" e "$drive" floppy
  "$here/test-display.sh" restart-wine "$bindir"
  rm -f "$bindir/main-window.bmp" "$bindir/wait-window.bmp"
  set +e
  wine "$bindir/tools/demo_driver.exe" "$(winepath -w "$tool/pe_upgrader.exe")" 'E:\' "$(winepath -w "$bindir")" \
    >"$example/demo.log"
  code=$?
  set -e
  iconv -f GBK -t UTF-8 <"$example/demo.log"
  for picture in main-window wait-window; do
    if [ -f "$bindir/$picture.bmp" ]; then
      convert "$bindir/$picture.bmp" "$bindir/$picture.png" && rm -f "$bindir/$picture.bmp"
      echo "run: saved $bindir/$picture.png"
    fi
  done
fi

echo "run: exit code $code"
echo "run: E: before the upgrade:"; echo "$before" | sed 's/^/  /'
echo "run: E: after the upgrade:"; list_drive | sed 's/^/  /'
echo "run: what changed on E: (- gone, + new):"
echo "$before" >"$example/before.txt"
list_drive >"$example/after.txt"
diff "$example/before.txt" "$example/after.txt" | sed -n 's/^\([<>]\) /\1/p' | sed 's/^</  - /; s/^>/  + /' || true
