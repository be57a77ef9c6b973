set -eu
[ -d work/NvSave.BIN ]
[ ! -s printer/raw.bin ]
