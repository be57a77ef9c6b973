#!/usr/bin/env bash
# The demo road of `make run` without a display, as an end-to-end test: scripts/run.sh --demo
# must pass, and the printer must have stored and printed every logo the demo adds.
set -uo pipefail
root=$(cd "$(dirname "$0")/../.." && pwd)
: "${QUILLET_RUN_DIR:?}"
rm -rf "$QUILLET_RUN_DIR"
PRINTER= bash "$root/scripts/run.sh" --demo || { echo "FAIL demo: scripts/run.sh --demo failed"; exit 1; }
python3 - "$QUILLET_RUN_DIR" "$root/tools/operator/demo.op" <<'PY'
import glob, json, os, sys
run, script = sys.argv[1], sys.argv[2]
logos = sum(1 for line in open(script) if line.startswith("open-file "))
log = [json.loads(line) for line in open(os.path.join(run, "printer", "log.jsonl"))]
cmds = [r for r in log if r.get("ev") == "cmd"]
defs = [r for r in cmds if r["name"] == "FS q"]
assert len(defs) == 1 and defs[0]["stored"] and defs[0]["n"] == logos, defs
printed = {r["n"] for r in cmds if r["name"] == "FS p" and r["defined"]}
assert printed >= set(range(1, logos + 1)), f"stored images printed: {sorted(printed)}"
rasters = [r for r in cmds if r["name"] == "GS v 0"]
assert len(rasters) == logos, f"{len(rasters)} raster pictures for {logos} logos"
# All Print gives one receipt, raster printing one per logo.
receipts = glob.glob(os.path.join(run, "printer", "receipt-*.png"))
assert len(receipts) == logos + 1, f"{len(receipts)} receipts"
assert os.path.getsize(os.path.join(run, "quillet.png")) > 0
print(f"PASS demo: {logos} logos stored and printed, {len(receipts)} receipts")
PY
