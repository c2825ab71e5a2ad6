#!/bin/sh
# wine-fonts.sh PREFIX: Wine's own Marlett (Debian's fonts-wine) in the
# prefix's Fonts folder. This Wine never looks in /usr/share/wine/fonts, and
# without Marlett the caption buttons draw as the letters 0, 1 and r.
set -eu
font=/usr/share/wine/fonts/marlett.ttf
fonts="$1/drive_c/windows/Fonts"
[ -f "$font" ] || { echo "wine-fonts.sh: $font missing (package fonts-wine)" >&2; exit 1; }
mkdir -p "$fonts"
cmp -s "$font" "$fonts/marlett.ttf" || cp "$font" "$fonts/marlett.ttf"
