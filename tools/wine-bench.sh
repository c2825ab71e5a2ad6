#!/bin/sh
# wine-bench.sh BUILD_DIR PROGRAM ARGS...: runs a Windows benchmark under
# Wine in the build's 64-bit prefix (code page 936), booting the prefix
# first when no test run has made it yet.
set -eu
bindir=$(cd "$1" && pwd); shift
export WINEPREFIX="$bindir/wineprefix" LC_ALL=zh_CN.UTF-8 WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml=;winedbg.exe=d"
[ -f "$WINEPREFIX/system.reg" ] || wineboot -i >/dev/null 2>&1 </dev/null
exec wine "$@"
