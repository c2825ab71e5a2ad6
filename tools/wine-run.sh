#!/bin/sh
# CTest's emulator for Windows test programs: wine-run.sh BUILD_DIR PROGRAM ARGS...
# Uses the build's private prefix (TEST_WINE_ARCH=win32 picks the 32-bit one),
# code page 936 and the display that test-display.sh started.
bindir=$1; shift
if [ "${TEST_WINE_ARCH:-}" = win32 ]; then
  export WINEPREFIX="$bindir/wineprefix32" WINEARCH=win32
else
  export WINEPREFIX="$bindir/wineprefix"
fi
export LC_ALL=zh_CN.UTF-8 WINEDEBUG=${WINEDEBUG:--all} WINEDLLOVERRIDES="mscoree,mshtml=;winedbg.exe=d"
if [ -f "$bindir/test-display" ]; then DISPLAY=$(cat "$bindir/test-display"); export DISPLAY; fi
exec wine "$@"
