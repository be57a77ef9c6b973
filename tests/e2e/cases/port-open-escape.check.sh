# No process of this Quillet.exe is left, and the printer saw the line set up before the end.
set -eu
if pgrep -f -- "$E2E_QUILLET" >/dev/null; then
    pgrep -af -- "$E2E_QUILLET"
    exit 1
fi
grep -q '"baud":115200' printer/log.jsonl
