#!/bin/sh
# run-app.sh BUILD_DIR: starts the upgrader under Wine (code page 936).
# With $DISPLAY set it runs there until it ends. Without one it runs on a
# private Xvfb display, saves a screenshot to BUILD_DIR/screenshot.png after
# a few seconds and then ends the program.
set -eu
bindir=$(cd "$1" && pwd)
exe="$bindir/app/pe_upgrader.exe"
export WINEPREFIX="$bindir/wineprefix" LC_ALL=zh_CN.UTF-8 WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml=;winedbg.exe=d"

if [ -n "${DISPLAY:-}" ]; then
  [ -f "$WINEPREFIX/system.reg" ] || wineboot -i >/dev/null 2>&1
  exec wine "$exe"
fi

here=$(dirname "$0")
"$here/test-display.sh" start "$bindir"
trap '"$here/test-display.sh" stop "$bindir"' EXIT
DISPLAY=$(cat "$bindir/test-display"); export DISPLAY
wine "$exe" &
sleep 6
import -window root "$bindir/screenshot.png"
echo "screenshot: $bindir/screenshot.png"
wineserver -k 2>/dev/null || true
