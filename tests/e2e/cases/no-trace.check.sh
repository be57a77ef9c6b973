# No file in Quillet's working directory, nothing under the application's registry key.
set -eu
left=$(find "$E2E_WORK" -mindepth 1)
if [ -n "$left" ]; then
    echo "files written: $left"
    exit 1
fi
# The registry reaches the files when the prefix's server has ended.
timeout 30 "$WINESERVER" -w
for reg in "$WINEPREFIX/user.reg" "$WINEPREFIX/system.reg"; do
    if grep -q "Local AppWizard-Generated Applications" "$reg"; then
        echo "registry key written in $reg:"
        grep -n "Local AppWizard-Generated Applications" "$reg"
        exit 1
    fi
done
echo "no file, no registry key"
