#!/bin/sh
# make-sample.sh FOLDER: packs a small tool set into FOLDER/ZEDOVAV.7z with
# Debian's 7-Zip, ZEDOVAV at the top as the upgrader expects it.
set -eu
rm -rf "$1"
mkdir -p "$1/ZEDOVAV/Tools"
cd "$1"
printf 'tool set 2.0\n' >ZEDOVAV/VERSION.TXT
printf 'partition tool 2.0\n' >ZEDOVAV/Tools/PARTTOOL.TXT
7zz a -bso0 -bsp0 ZEDOVAV.7z ZEDOVAV
