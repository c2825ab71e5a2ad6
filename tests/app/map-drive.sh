#!/bin/sh
# map-drive.sh BUILD_DIR FOLDER64 FOLDER32: maps each folder as drive E: of
# the 64-bit and the 32-bit test prefix (the end-to-end tests' USB drive).
set -eu
mkdir -p "$2" "$3"
ln -sfn "$2" "$1/wineprefix/dosdevices/e:"
ln -sfn "$3" "$1/wineprefix32/dosdevices/e:"
# The shell's folder tree lists the drives that the running Wine services
# found when they started: start them again so that they see E: too.
exec "$(dirname "$0")/../../tools/test-display.sh" restart-wine "$1"
