#!/bin/sh
# make-sample.sh FOLDER: packs the tool sets the end-to-end tests unpack,
# with Debian's 7-Zip, ZEDOVAV at the top as the upgrader expects it:
#   ZEDOVAV.7z    two small files
#   LARGE.7z      1,500 files, which takes the archiver a few seconds
#   ENCRYPTED.7z  the small set with a password; HIDDEN.7z with its names
#                 encrypted as well
#   LOOSE.7z      files at the top beside a folder of another name
#   ROOM9M.7z, ROOM20M.7z  one file of 9 or 20 MiB of zeros (small packed)
#   WORLD.7z      names outside GBK (Korean, an emoji) and a dot name
#   DIFF-A.7z, DIFF-B.7z  two versions of a set: B keeps 20 files, changes
#                 one, adds two (one in a new folder) and drops a file and
#                 a folder
set -eu
rm -rf "$1"
mkdir -p "$1/world/ZEDOVAV/한국어" "$1/small/ZEDOVAV/Tools" "$1/large/ZEDOVAV" "$1/loose/Tools" "$1/room9/ZEDOVAV" "$1/room20/ZEDOVAV"
pack() { (cd "$1" && shift && 7zz a -bso0 -bsp0 "$@"); }
printf 'tool set 2.0\n' >"$1/small/ZEDOVAV/VERSION.TXT"
printf 'partition tool 2.0\n' >"$1/small/ZEDOVAV/Tools/PARTTOOL.TXT"
pack "$1/small" ../ZEDOVAV.7z ZEDOVAV
pack "$1/small" -psecret ../ENCRYPTED.7z ZEDOVAV
pack "$1/small" -psecret -mhe=on ../HIDDEN.7z ZEDOVAV
for d in $(seq 10 24); do
  mkdir -p "$1/large/ZEDOVAV/D$d"
  for f in $(seq 10 109); do printf 'tool %s.%s\n' "$d" "$f" >"$1/large/ZEDOVAV/D$d/F$f.TXT"; done
done
pack "$1/large" ../LARGE.7z ZEDOVAV
printf 'not the user notes\n' >"$1/loose/NOTES.TXT"
printf 'a tool\n' >"$1/loose/Tools/TOOL.TXT"
pack "$1/loose" ../LOOSE.7z NOTES.TXT Tools
head -c 9437184 /dev/zero >"$1/room9/ZEDOVAV/BIG.BIN"
pack "$1/room9" ../ROOM9M.7z ZEDOVAV
head -c 20971520 /dev/zero >"$1/room20/ZEDOVAV/BIG.BIN"
pack "$1/room20" ../ROOM20M.7z ZEDOVAV
printf 'tool set 3.0\n' >"$1/world/ZEDOVAV/VERSION.TXT"
printf 'Korean tool\n' >"$1/world/ZEDOVAV/한국어/도구.TXT"
printf 'smile\n' >"$1/world/ZEDOVAV/😀.TXT"
printf 'PATH=x\n' >"$1/world/ZEDOVAV/.profile"
pack "$1/world" ../WORLD.7z ZEDOVAV
for v in A B; do
  mkdir -p "$1/diff$v/ZEDOVAV/Keep"
  for f in $(seq 10 29); do printf 'kept tool %s\n' "$f" >"$1/diff$v/ZEDOVAV/Keep/K$f.TXT"; done
done
printf 'version A\n' >"$1/diffA/ZEDOVAV/VERSION.TXT"
printf 'dropped\n' >"$1/diffA/ZEDOVAV/GONE.TXT"
mkdir -p "$1/diffA/ZEDOVAV/OldDir" "$1/diffB/ZEDOVAV/NewDir"
printf 'old folder\n' >"$1/diffA/ZEDOVAV/OldDir/X.TXT"
printf 'version B\n' >"$1/diffB/ZEDOVAV/VERSION.TXT"
printf 'added\n' >"$1/diffB/ZEDOVAV/NEW.TXT"
printf 'new folder\n' >"$1/diffB/ZEDOVAV/NewDir/Y.TXT"
pack "$1/diffA" ../DIFF-A.7z ZEDOVAV
pack "$1/diffB" ../DIFF-B.7z ZEDOVAV
cd "$1"
rm -rf small large loose room9 room20 world diffA diffB
