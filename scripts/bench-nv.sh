#!/usr/bin/env bash
# Speed of quillet-nv's store: ten 576 x 200 logos into the virtual printer on a pty paced at
# 115200 baud. Prints the program's whole run (start, status questions, download, confirmation),
# the line's own time for the bytes the printer received (bytes x 10 / 115200 s) and the ratio
# (goal <= 105%). Takes the optimised build (build/release, `make build`).
set -uo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build=$(realpath "${BENCH_RELEASE_DIR:-$root/build/release}")
nv=$build/src/nv/quillet-nv
sim=$build/sim/quillet-sim
baud=115200
for f in "$nv" "$sim"; do
    [ -x "$f" ] || { echo "not built: $f (run make build)"; exit 1; }
done
. "$root/tests/e2e/lib/processes.sh"
work=$(mktemp -d)
trap 'e2e_stop_sim; rm -rf "$work"' EXIT
trap 'exit 130' INT TERM

for i in $(seq 10); do
    convert -size 576x200 xc:white -fill black -draw "circle 288,100 288,$((5 * i))" \
        -draw "rectangle $((40 * i)),0 $((40 * i + 20)),199" -type bilevel "BMP3:$work/logo$i.bmp"
done
e2e_start_sim "$sim" "$work/printer" "" --baud "$baud" || exit 1
pty=$(sed -n 's/^PTY //p' "$work/printer/sim.stdout")
start=$(date +%s.%N)
"$nv" store "$work"/logo{1..10}.bmp --port "$pty" --baud "$baud" --nv-wait 0 --quiet \
    --ledger "$work/ledger.json" ||
    { echo "store failed"; exit 1; }
end=$(date +%s.%N)
e2e_stop_sim
python3 - "$work/printer/log.jsonl" "$work/printer/raw.bin" "$start" "$end" "$baud" <<'PY'
import os, sys
log, raw, start, end, baud = sys.argv[1], sys.argv[2], float(sys.argv[3]), float(sys.argv[4]), int(sys.argv[5])
received = os.path.getsize(raw)
line = received * 10 / baud
print(f"received {received} bytes; line time at {baud} baud: {line:.2f} s")
print(f"quillet-nv store, whole run: {end - start:.2f} s ({(end - start) / line:.1%} of the line time)")
ratio = (end - start) / line
print(f"goal <= 105%: {'met' if ratio <= 1.05 else 'NOT met'}")
PY
