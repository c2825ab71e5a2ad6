#!/bin/sh
# bench-app.sh BUILD_DIR [start-up]: the upgrader's speed figures under Wine,
# on a private Xvfb display: start-up against a bare Win32 window, and a
# whole upgrade of a 10,000-file tool set against the archiver alone (not
# with start-up, which times the start-up alone).
set -eu
bindir=$(cd "$1" && pwd)
only=${2:-}
here=$(cd "$(dirname "$0")" && pwd)
bench="$bindir/bench-app"
tool="$bench/tool"
drive="$bench/usb-drive"
export WINEPREFIX="$bindir/wineprefix" LC_ALL=zh_CN.UTF-8 WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml=;winedbg.exe=d"

rm -rf "$bench"
mkdir -p "$tool/data/PE" "$tool/PE" "$drive" "$bench/set"
cp "$bindir/app/pe_upgrader.exe" "$tool/"
# 10,000 small files in 100 folders.
[ "$only" = start-up ] || (cd "$bench/set" && for d in $(seq -w 0 99); do
  mkdir -p "ZEDOVAV/D$d"
  for f in $(seq -w 0 99); do echo "tool $d.$f $(printf '%0200d' 0)" >"ZEDOVAV/D$d/F$f.TXT"; done
done && 7zz a -bd -bso0 -bsp0 "$tool/PE/ZEDOVAV.7z" ZEDOVAV)
rm -rf "$bench/set"

"$here/test-display.sh" start "$bindir"
trap '"$here/test-display.sh" stop "$bindir"' EXIT
DISPLAY=$(cat "$bindir/test-display"); export DISPLAY
"$here/wine-drive.sh" "$WINEPREFIX" e "$drive" floppy
"$here/test-display.sh" restart-wine "$bindir"
# One start writes data\PE\7z.exe and 7z.dll, which the archiver-alone runs use.
wine "$bindir/tests/bench/upgrader_bench.exe" "$(winepath -w "$tool/pe_upgrader.exe")" \
  "$(winepath -w "$bindir/tests/bench/bare_window.exe")" "$(winepath -w "$tool")" $only | iconv -f GBK -t UTF-8
