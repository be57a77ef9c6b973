# Sourced by setup hooks: three 576 x 400 logos (about 86 KB of printer data, more than the line
# buffers hold) in C:\Logos of the prefix.
logos=$WINEPREFIX/drive_c/Logos
rm -rf "$logos"
mkdir -p "$logos"
for i in 1 2 3; do
    convert -size 576x400 xc:white -fill black -draw "circle 288,200 288,$((20 * i))" \
        -type bilevel "BMP3:$logos/big$i.bmp"
done
rm -f "$(dirname "$E2E_QUILLET")/NvSave.BIN"
