# Pictures in C:\Logos of the prefix: a small one with a white block low on the right, one
# larger than the preview frame both ways, and a narrow tall one.
set -eu
logos=$WINEPREFIX/drive_c/Logos
rm -rf "$logos"
mkdir -p "$logos"
cd "$logos"
convert -size 100x50 xc:black -fill white -draw 'rectangle 60,30 89,44' -type bilevel BMP3:small.bmp
convert -size 700x800 xc:black -type bilevel BMP3:large.bmp
convert -size 60x900 xc:black -type bilevel BMP3:tall.bmp
