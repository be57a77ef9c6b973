# Both changes happened, the printer received nothing and no "NvSave.BIN" was made.
set -eu
[ -f swapped ] && [ -f deleted ]
echo "printer received $(stat -c %s printer/raw.bin 2>/dev/null || echo 0) bytes"
[ ! -s printer/raw.bin ]
for place in work "$WINEPREFIX/drive_c/Logos" "$(dirname "$E2E_QUILLET")"; do
    [ ! -e "$place/NvSave.BIN" ] || { echo "NvSave.BIN in $place"; exit 1; }
done
rm -rf "$WINEPREFIX/drive_c/Logos"
