# Two logos; a helper changes them behind Quillet's back when the script asks for it (the
# operator's screenshot files are the signals): first the second logo becomes a 24-bit BMP,
# then the first is deleted. The helper ends by itself.
set -eu
logos=$WINEPREFIX/drive_c/Logos
rm -rf "$logos"
mkdir -p "$logos"
convert -size 40x20 xc:white -fill black -draw 'rectangle 0,0 19,9' -type bilevel "BMP3:$logos/first.bmp"
cp "$logos/first.bmp" "$logos/second.bmp"
rm -f "$(dirname "$E2E_QUILLET")/NvSave.BIN"
(
    for _ in $(seq 1200); do
        if [ -f "$E2E_CASE_DIR/swap.bmp" ] && [ ! -f "$E2E_CASE_DIR/swapped" ]; then
            convert -size 40x20 xc:red -type truecolor "BMP3:$logos/second.bmp"
            : >"$E2E_CASE_DIR/swapped"
        fi
        if [ -f "$E2E_CASE_DIR/delete.bmp" ]; then
            rm -f "$logos/first.bmp"
            : >"$E2E_CASE_DIR/deleted"
            exit 0
        fi
        sleep 0.1
    done
) >/dev/null 2>&1 &
