#!/bin/sh
# wine-drive.sh PREFIX LETTER FOLDER TYPE: maps FOLDER as drive LETTER: of
# the Wine prefix, of TYPE floppy (what Windows calls a removable drive, as
# a USB stick is), hd (a fixed disk) or cdrom. Wine reads drive types when
# its server starts: restart it before the type counts.
set -eu
prefix=$1 letter=$2 folder=$3 type=$4
mkdir -p "$folder"
ln -sfn "$folder" "$prefix/dosdevices/$letter:"
# A 64-bit prefix keeps the key in its 64-bit view.
view=""
[ -d "$prefix/drive_c/windows/syswow64" ] && view="/reg:64"
WINEPREFIX=$prefix WINEDEBUG=-all wine reg add 'HKLM\Software\Wine\Drives' /v "$letter:" /d "$type" /f $view \
  >/dev/null 2>&1 </dev/null
