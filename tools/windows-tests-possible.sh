#!/bin/sh
# Exits 0 when this machine can run the Windows tests: the program is a
# 32-bit one, and Wine runs it with a 32-bit loader, which a kernel booted
# without 32-bit emulation ("32-bit emulation disabled") cannot start.
if /usr/lib/wine/wine --version >/dev/null 2>&1; then exit 0; fi
echo "windows-tests-possible: this kernel cannot run 32-bit programs (/usr/lib/wine/wine: $(
  /usr/lib/wine/wine --version 2>&1 | tail -1)); the Windows tests cannot run on this machine" >&2
exit 1
