#!/usr/bin/env bash
# QuilletNv.exe under Wine on the virtual printer's COM port: --version names it, status reads
# the answers, store sends the very bytes the native quillet-nv writes and the printer confirms
# it. NV_TEST_COM picks the COM number (default 46).
set -uo pipefail
exe=$1 native=$2 sim=$3
here=$(cd "$(dirname "$0")" && pwd)
root=$(cd "$here/../../.." && pwd)
. "$root/scripts/wine-env.sh"
. "$root/tests/e2e/lib/processes.sh"
wine_prefix_ensure
com=${NV_TEST_COM:-46}
work=$(mktemp -d)
cleanup() { e2e_stop_sim; e2e_wine_settle; rm -rf "$work"; }
trap cleanup EXIT
trap 'exit 130' INT TERM
fail() {
    echo "FAIL: $*"
    for f in "$work"/*.out "$work"/*.err "$work/printer/sim.stderr"; do
        [ -s "$f" ] && { echo "--- $f"; tr -d '\r' <"$f"; }
    done
    exit 1
}

samples=("$root"/samples/quillet-q.bmp "$root"/samples/receipt-header.bmp)
"$native" store "${samples[@]}" --save "$work/native.bin" >/dev/null || fail "native store --save"

version=$(e2e_run_wine "$exe" --version 2>&1 </dev/null | tr -d '\r')
native_version=$("$native" --version)
[ "$version" = "QuilletNv ${native_version#quillet-nv }" ] || fail "--version said: $version"

e2e_start_sim "$sim" "$work/printer" "$com" --nv-busy-ms 500 || fail "printer did not start"
e2e_wait_serial_port "$com" || fail "COM$com not listed"

e2e_run_wine "$exe" status --port "COM$com" >"$work/status.out" 2>"$work/status.err"
status=$?
[ "$status" -eq 0 ] || fail "status exited $status"
grep -q '^ready' <(tr -d '\r' <"$work/status.out") || fail "status did not read ready"

wine_samples=()
for s in "${samples[@]}"; do wine_samples+=("$(winepath -w "$s" 2>/dev/null)"); done
e2e_run_wine "$exe" store "${wine_samples[@]}" --port "COM$com" \
    --ledger "$(winepath -w "$work/ledger.json" 2>/dev/null)" >"$work/store.out" 2>"$work/store.err"
status=$?
[ "$status" -eq 0 ] || fail "store exited $status"
grep -q 'stored 2 images (.* bytes) and confirmed in' <(tr -d '\r' <"$work/store.out") ||
    fail "no confirmation"
e2e_stop_sim

# The printer got the status questions twice, the name questions, the stream, and the
# confirmation question(s), process ID questions (random IDs) taken out; the ledger has the store.
grep -q '"sha256"' "$work/ledger.json" 2>/dev/null || fail "the store is not in the ledger"
python3 - "$work/printer/raw.bin" "$work/native.bin" <<'PY' || fail "the bytes on the line differ"
import sys
raw, native = (open(p, "rb").read() for p in sys.argv[1:3])
lead = bytes([0x1D, 0x28, 0x48, 0x06, 0x00, 0x30, 0x30])
kept, i = bytearray(), 0
while i < len(raw):
    if raw.startswith(lead, i) and len(raw) - i >= 11:
        i += 11
    else:
        kept.append(raw[i])
        i += 1
raw = bytes(kept)
assert lead not in native
questions = bytes([0x10, 0x04, 1, 0x10, 0x04, 2, 0x10, 0x04, 3, 0x10, 0x04, 4])
names = bytes([0x1D, 0x49, 0x43, 0x1D, 0x49, 0x44])
assert raw.startswith(questions * 2 + names), raw[:36].hex()
rest = raw[len(questions) * 2 + len(names):]
assert rest.startswith(native), "stream differs"
tail = rest[len(native):]
assert tail == bytes([0x1D, 0x72, 0x01]) * (len(tail) // 3), tail.hex()
PY
# usb twice is one printer: one job (here none is plugged in), and a line for each name; a
# system message (a refused connection) reaches the JSON as valid UTF-8.
e2e_run_wine "$exe" status --port usb --port USB --port tcp:127.0.0.1:1 --json \
    >"$work/usb.out" 2>"$work/usb.err"
status=$?
[ "$status" -eq 1 ] || fail "usb twice exited $status"
python3 - "$work/usb.out" <<'PY' || fail "usb twice: wrong results"
import json, sys
lines = open(sys.argv[1], "rb").read().decode("utf-8").replace("\r", "").splitlines()
results = [json.loads(line) for line in lines]
assert [r["port"] for r in results] == ["usb", "USB", "tcp:127.0.0.1:1"], results
assert "no USB printer found" in results[0]["message"], results[0]
assert results[1]["same_printer_as"] == "usb" and results[1]["exit"] == 1, results[1]
refused = results[2]["message"]
assert refused.startswith("cannot connect to 127.0.0.1:1: ") and len(refused) > 32, refused
PY
echo "PASS QuilletNv.exe"
