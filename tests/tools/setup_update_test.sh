#!/usr/bin/env bash
# The set-up's package-list step against a stand-in apt-get: a mirror that
# fails twice is tried again; one that never recovers is gone on from, and
# an install that then cannot match architectures is made from the release
# suite alone.
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

# stand-in: "update" fails while $work/fail-updates holds a positive count;
# "install" without -t fails when $work/fail-install exists. Calls are logged.
cat >"$work/apt-get" <<'STANDIN'
#!/bin/sh
echo "$*" >>"$WORK/calls"
case $1 in
update)
  left=$(cat "$WORK/fail-updates")
  [ "$left" -gt 0 ] || exit 0
  echo $((left - 1)) >"$WORK/fail-updates"
  echo "E: File has unexpected size (374820 != 376004). Mirror sync in progress?" >&2
  exit 100 ;;
install)
  case " $* " in *" -t bookworm "*) exit 0 ;; esac
  [ ! -e "$WORK/fail-install" ] || exit 100 ;;
esac
STANDIN
chmod +x "$work/apt-get"
export WORK=$work APT_GET=$work/apt-get UPDATE_PAUSE=0 UPDATE_TRIES=4 DEPS_DIR=$work/deps

fail=0
check() { # what expected actual
  if [ "$2" != "$3" ]; then echo "FAIL: $1: expected [$2], got [$3]" >&2; fail=1; fi
}

# Two failures, then the mirror has caught up.
echo 2 >"$work/fail-updates"; : >"$work/calls"
( source "$here/../../tools/setup.sh"; update_indexes; echo "$partial_indexes" >"$work/partial" )
check "updates tried" 3 "$(grep -c '^update' "$work/calls")"
check "lists complete" 0 "$(cat "$work/partial")"

# Never recovers: set-up goes on, and the install falls back to -t bookworm.
echo 99 >"$work/fail-updates"; : >"$work/calls"; touch "$work/fail-install"
( source "$here/../../tools/setup.sh"; update_indexes; install_packages wine32:i386 ) 2>"$work/said"
check "updates tried" 4 "$(grep -c '^update' "$work/calls")"
check "installs" "install -y -q --no-install-recommends wine32:i386|install -y -q --no-install-recommends -t bookworm wine32:i386" \
  "$(grep '^install' "$work/calls" | paste -sd'|')"
grep -q 'release suite alone' "$work/said" || { echo "FAIL: the fallback is not said" >&2; fail=1; }

# With complete lists, a failed install is a failure, not a fallback.
echo 0 >"$work/fail-updates"; : >"$work/calls"
if ( source "$here/../../tools/setup.sh"; update_indexes; install_packages wine32:i386 ) 2>/dev/null; then
  echo "FAIL: a failed install with complete lists passed" >&2; fail=1
fi
check "installs" 1 "$(grep -c '^install' "$work/calls")"

[ $fail = 0 ] && echo "setup update step: all cases passed"
exit $fail
