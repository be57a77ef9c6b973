# A colour picture with alpha, converted by quillet-logo into C:\Logos of the prefix.
set -eu
logos=$WINEPREFIX/drive_c/Logos
rm -rf "$logos"
mkdir -p "$logos"
convert -size 900x300 xc:none -fill 'rgba(200,40,40,0.8)' -draw 'circle 150,150 150,20' \
    -fill orange -draw 'rectangle 330,60 860,240' -fill navy -draw 'polygon 400,80 840,120 420,220' \
    "$E2E_FILES/colour.png"
"$E2E_LOGO" "$E2E_FILES/colour.png" -o "$logos/colour.bmp" >"$E2E_FILES/logo.out"
grep -q 'colour.png 900x300 -> .*colour.bmp 576x192, floyd-steinberg' "$E2E_FILES/logo.out"
cp "$logos/colour.bmp" "$E2E_FILES/"
rm -f "$(dirname "$E2E_QUILLET")/NvSave.BIN"
