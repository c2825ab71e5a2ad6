#!/bin/sh
# make-sample.sh FOLDER: packs small tool sets with Debian's 7-Zip, ZEDOVAV
# at the top as the upgrader expects it: FOLDER/ZEDOVAV.7z with two files,
# and FOLDER/LARGE.7z with 1,500, which takes the archiver a few seconds.
set -eu
rm -rf "$1"
mkdir -p "$1/small/ZEDOVAV/Tools" "$1/large/ZEDOVAV"
cd "$1/small"
printf 'tool set 2.0\n' >ZEDOVAV/VERSION.TXT
printf 'partition tool 2.0\n' >ZEDOVAV/Tools/PARTTOOL.TXT
7zz a -bso0 -bsp0 ../ZEDOVAV.7z ZEDOVAV
cd "$1/large"
for d in $(seq 10 24); do
  mkdir -p "ZEDOVAV/D$d"
  for f in $(seq 10 109); do printf 'tool %s.%s\n' "$d" "$f" >"ZEDOVAV/D$d/F$f.TXT"; done
done
7zz a -bso0 -bsp0 ../LARGE.7z ZEDOVAV
cd "$1"
rm -rf small large
