#!/bin/sh
# test-display.sh start|restart-wine|stop BUILD_DIR
# start: an Xvfb display of its own and both Wine prefixes (64-bit and 32-bit
# Windows), ready before the first test. restart-wine: new Wine servers and
# services for both prefixes on the same display (after a drive was mapped).
# stop: ends Wine and Xvfb again.
set -eu
cmd=$1 bindir=$2
state="$bindir/test-display"
export LC_ALL=zh_CN.UTF-8 WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml=;winedbg.exe=d"

boot_prefix() { # prefix arch
  if [ ! -f "$1/system.reg" ]; then
    if [ "$2" = win32 ]; then WINEARCH=win32 WINEPREFIX=$1 wineboot -i >/dev/null 2>&1 </dev/null
    else WINEPREFIX=$1 wineboot -i >/dev/null 2>&1 </dev/null; fi
  fi
  WINEPREFIX=$1 wineserver -w
  "$(dirname "$0")/wine-fonts.sh" "$1"
  # One server for the whole run: each test program then starts in a blink.
  # Its service processes must not inherit a test's output pipes, or CTest
  # would wait on them: start them here, with no pipes at all.
  WINEPREFIX=$1 setsid wineserver -p >/dev/null 2>&1 </dev/null
  # No window manager runs on the test display: unmanaged windows spare
  # every show and hide a two-second wait for one.
  WINEPREFIX=$1 wine reg add 'HKCU\Software\Wine\X11 Driver' /v Managed /d N /f >/dev/null 2>&1 </dev/null
}

stop_all() {
  for p in "$bindir/wineprefix" "$bindir/wineprefix32"; do
    [ -d "$p" ] && WINEPREFIX=$p wineserver -k 2>/dev/null || true
  done
  if [ -f "$bindir/test-display.pid" ]; then
    kill "$(cat "$bindir/test-display.pid")" 2>/dev/null || true
    rm -f "$bindir/test-display.pid"
  fi
  rm -f "$state"
}

case $cmd in
start)
  stop_all
  n=90
  while [ -e "/tmp/.X11-unix/X$n" ] || [ -e "/tmp/.X$n-lock" ]; do n=$((n + 1)); done
  setsid Xvfb ":$n" -screen 0 1024x768x24 -nolisten tcp >/dev/null 2>&1 </dev/null &
  echo $! >"$bindir/test-display.pid"
  i=0
  while [ ! -e "/tmp/.X11-unix/X$n" ]; do
    i=$((i + 1)); [ $i -lt 100 ] || { echo "Xvfb did not start" >&2; exit 1; }
    sleep 0.1
  done
  echo ":$n" >"$state"
  export DISPLAY=":$n"
  boot_prefix "$bindir/wineprefix" win64
  boot_prefix "$bindir/wineprefix32" win32
  ;;
restart-wine)
  export DISPLAY="$(cat "$state")"
  for p in "$bindir/wineprefix" "$bindir/wineprefix32"; do WINEPREFIX=$p wineserver -k 2>/dev/null || true; done
  boot_prefix "$bindir/wineprefix" win64
  boot_prefix "$bindir/wineprefix32" win32
  ;;
stop) stop_all ;;
*) echo "usage: $0 start|restart-wine|stop BUILD_DIR" >&2; exit 2 ;;
esac
