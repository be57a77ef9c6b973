# The pictures go with the case.
rm -rf "$WINEPREFIX/drive_c/Logos"
