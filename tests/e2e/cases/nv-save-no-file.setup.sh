# "NvSave.BIN" cannot be created in Quillet's current directory: a folder has the name (root
# ignores permission bits, so a read-only folder would not do).
set -eu
mkdir -p "$E2E_WORK/NvSave.BIN"
