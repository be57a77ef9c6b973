# Pictures in C:\Logos of the prefix, so that the slot edits show known paths: good 1-bit BMPs
# (one whose path is 31 characters, one of 30) and files that Add Image refuses.
set -eu
logos=$WINEPREFIX/drive_c/Logos
rm -rf "$logos"
mkdir -p "$logos"
cd "$logos"
convert -size 40x20 xc:white -fill black -draw 'rectangle 0,0 19,9' -type bilevel BMP3:good.bmp
cp good.bmp StoreLogo_Large_01.bmp
cp good.bmp StoreLogo_Large_1.bmp
convert -size 20x10 xc:red -type truecolor BMP3:truecolor.bmp
convert -size 20x10 xc:red png:png.bmp
: >empty.bmp
head -c 61 good.bmp >short.bmp
# Height field 0: the row stride cannot be worked out.
cp good.bmp height0.bmp
printf '\0\0\0\0' | dd of=height0.bmp bs=1 seek=22 conv=notrunc status=none
