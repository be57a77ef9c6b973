# Two good 1-bit BMPs in C:\Logos of the prefix.
set -eu
logos=$WINEPREFIX/drive_c/Logos
rm -rf "$logos"
mkdir -p "$logos"
convert -size 24x12 xc:white -fill black -draw 'rectangle 0,0 11,5' -type bilevel \
    "BMP3:$logos/a.bmp"
convert -size 16x16 xc:black -type bilevel "BMP3:$logos/b.bmp"
