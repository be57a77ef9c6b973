# Three logos in C:\Logos of the prefix: odd sizes and both palette orders, and a full-width one.
set -eu
logos=$WINEPREFIX/drive_c/Logos
rm -rf "$logos"
mkdir -p "$logos"
cd "$logos"
convert -size 100x37 xc:white -fill black -draw 'rectangle 3,2 40,30' -draw 'circle 70,18 80,30' \
    -type bilevel BMP3:odd.bmp
convert -size 64x16 xc:black -fill white -draw 'rectangle 8,4 55,11' -type bilevel BMP3:dark.bmp
convert -size 576x200 xc:white -fill black -draw 'polygon 0,0 575,100 0,199' \
    -draw 'rectangle 500,10 570,60' -type bilevel BMP3:wide.bmp
cp odd.bmp dark.bmp wide.bmp "$E2E_FILES/"
rm -f "$(dirname "$E2E_QUILLET")/NvSave.BIN"
