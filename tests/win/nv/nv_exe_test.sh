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
e2e_run_wine "$exe" store "${wine_samples[@]}" --port "COM$com" >"$work/store.out" 2>"$work/store.err"
status=$?
[ "$status" -eq 0 ] || fail "store exited $status"
grep -q 'stored 2 images (.* bytes) and confirmed in' <(tr -d '\r' <"$work/store.out") ||
    fail "no confirmation"
e2e_stop_sim

# The printer got the status questions twice, the stream, and the confirmation question(s).
python3 - "$work/printer/raw.bin" "$work/native.bin" <<'PY' || fail "the bytes on the line differ"
import sys
raw, native = (open(p, "rb").read() for p in sys.argv[1:3])
questions = bytes([0x10, 0x04, 1, 0x10, 0x04, 2, 0x10, 0x04, 3, 0x10, 0x04, 4])
assert raw.startswith(questions * 2), raw[:30].hex()
rest = raw[len(questions) * 2:]
assert rest.startswith(native), "stream differs"
tail = rest[len(native):]
assert tail and tail == bytes([0x1D, 0x72, 0x01]) * (len(tail) // 3), tail.hex()
PY
echo "PASS QuilletNv.exe"
