#!/bin/sh
# Writes the sample pictures the picture tests decode: picture_samples.sh DIR
# Source pixels go in as PPM/PBM text files, which the tests read back as the
# expected result; everything else is ImageMagick's output from them.
set -eu
dir=$1
mkdir -p "$dir"
cd "$dir"

# 6 x 3, 18 colours: more than 16, so BMP and PCX keep 8 bits.
cat > colours18.ppm <<'PPM'
P3
6 3
255
255 0 0    0 255 0    0 0 255    255 255 0  0 255 255  255 0 255
255 255 255 0 0 0     128 0 0    0 128 0    0 0 128    128 128 0
0 128 128  128 0 128  192 192 192 64 32 16  16 64 32   32 16 64
PPM
# 5 x 3, 15 colours: a 4-bit BMP.
cat > colours15.ppm <<'PPM'
P3
5 3
255
255 0 0    0 255 0    0 0 255    255 255 0  0 255 255
255 0 255  255 255 255 0 0 0     128 0 0    0 128 0
0 0 128    128 128 0  0 128 128  128 0 128  192 192 192
PPM
# 2 x 9, one colour per row: interlacing moves every row.
cat > rows9.ppm <<'PPM'
P3
2 9
255
255 0 0 255 0 0
0 255 0 0 255 0
0 0 255 0 0 255
255 255 0 255 255 0
0 255 255 0 255 255
255 0 255 255 0 255
128 0 0 128 0 0
0 128 0 0 128 0
0 0 128 0 0 128
PPM
# 9 x 3 black (1) and white (0).
cat > mono.pbm <<'PBM'
P1
9 3
1 0 1 0 1 0 1 0 1
0 0 0 0 0 0 0 0 1
1 1 1 1 0 0 0 0 0
PBM

convert colours18.ppm -type TrueColor BMP3:bmp24.bmp
convert colours18.ppm -type Palette -compress none BMP3:bmp8.bmp
# ImageMagick's default for 8 bits is BI_RLE8, which the runtime refuses.
convert colours18.ppm -type Palette BMP3:rle8.bmp
convert colours15.ppm -type Palette -compress none BMP3:bmp4.bmp
convert mono.pbm -type Bilevel BMP3:bmp1.bmp
# ImageMagick writes 32 bits with BI_BITFIELDS, which the runtime refuses.
convert colours18.ppm -alpha set -define bmp:format=bmp4 bitfields32.bmp

convert colours18.ppm gif.gif
convert rows9.ppm -interlace GIF interlaced.gif
convert -delay 10 colours18.ppm \( colours18.ppm -flip \) animated.gif
convert colours18.ppm -page 10x7+0+0 small-image.gif

convert colours18.ppm -type Palette PCX:pcx8.pcx
# ImageMagick writes 1-bit PCX only from an indexed image, and as version 5;
# the runtime takes 1-bit files of version 3, so one copy is patched.
convert mono.pbm mono.gif
convert mono.gif PCX:pcx1v5.pcx
cp pcx1v5.pcx pcx1.pcx
printf '\003' | dd of=pcx1.pcx bs=1 seek=1 conv=notrunc 2>/dev/null

convert -size 16x8 xc:gray25 -size 16x8 xc:gray75 -append -colorspace Gray -quality 100 grey.jpg
convert -size 8x16 xc:red -size 8x16 xc:blue +append -sampling-factor 1x1 -quality 100 colour.jpg
# A blank picture compresses about 740 to 1, near what Huffman coding allows.
convert -size 1024x1024 xc:white -colorspace Gray blank.jpg

convert -size 1x1 xc:'rgba(0,255,0,1)' xc:'rgba(0,0,255,0.502)' xc:'rgba(0,0,0,0)' +append PNG32:alpha.png
convert colours18.ppm PNG24:opaque.png

convert -size 16x16 xc:red red16.png
convert -size 16x16 xc:blue blue16.png
convert red16.png blue16.png two16.ico
# ImageMagick's cursors carry the icon type; type 2 makes the file a CUR.
convert red16.png cursor.cur
printf '\002' | dd of=cursor.cur bs=1 seek=2 conv=notrunc 2>/dev/null
# 128 x 96 of 256 random colours: long LZW streams (the table fills) and
# real run-length data. ImageMagick's own reading of the GIF is the expectation.
convert -size 128x96 xc: -seed 7 +noise Random -colors 256 +dither noise.gif
convert noise.gif -depth 8 -compress none noise.ppm
convert noise.gif -interlace GIF noise-interlaced.gif
convert noise.gif PCX:noise.pcx
convert noise.gif -compress none BMP3:noise.bmp

# 16 bits per sample, each interlaced and not; without gamma chunks a 16-bit
# file counts as linear. The alpha runs from 0 at the left to 1 at the right.
convert noise.ppm -depth 16 PNG48:noise16.png
convert noise.ppm -depth 16 -interlace PNG PNG48:noise16-interlaced.png
convert noise.ppm -depth 16 -alpha set -channel A -fx 'i/w' +channel PNG64:noise16-alpha.png
convert noise16-alpha.png -interlace PNG PNG64:noise16-alpha-interlaced.png
convert noise.ppm -colorspace Gray -depth 16 PNG:grey16.png
convert noise.ppm -colorspace Gray -depth 16 -interlace PNG PNG:grey16-interlaced.png
convert noise.ppm -depth 16 -define png:exclude-chunks=gAMA,sRGB,cHRM,bKGD PNG48:linear16.png
convert noise.ppm -depth 16 -interlace PNG -define png:exclude-chunks=gAMA,sRGB,cHRM,bKGD PNG48:linear16-interlaced.png

rm -f red16.png blue16.png mono.gif
