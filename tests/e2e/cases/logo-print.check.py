# The printer stored the converted logo and printed it with FS p, dot for dot.
import glob
import json
import os
import shutil
import subprocess
import sys

sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "lib"))
from receipts import compare, read_bmp, read_png  # noqa: E402

files = os.environ["E2E_FILES"]
picture = read_bmp(os.path.join(files, "colour.bmp"))
assert len(picture) == 192 and len(picture[0]) == 576, (len(picture), len(picture[0]))
assert any(any(r) for r in picture) and not all(all(r) for r in picture), "a blank logo"

records = [json.loads(line) for line in open("printer/log.jsonl")]
defined = [r for r in records if r.get("name") == "FS q"]
print(defined)
assert len(defined) == 1 and defined[0]["n"] == 1 and defined[0]["stored"], defined
assert defined[0]["images"] == [{"x": 72, "y": 24}], defined[0]["images"]

receipts = sorted(glob.glob("printer/receipt-*.png"))
assert len(receipts) == 1, receipts
why = compare(read_png(receipts[0]), picture)
assert why is None, why
print(receipts[0], "matches colour.bmp")

logos = os.path.join(os.environ["WINEPREFIX"], "drive_c", "Logos")
places = [os.path.join(p, "NvSave.BIN") for p in ("work", logos, os.path.dirname(os.environ["E2E_QUILLET"]))]
found = [p for p in places if os.path.isfile(p)]
assert len(found) == 1, found
nv = open(found[0], "rb").read()
# quillet-nv converts the colour picture itself, with the converter's defaults, into the same stream.
cli = os.path.join(os.environ["E2E_CASE_DIR"], "quillet-nv.bin")
subprocess.run([os.environ["E2E_NV"], "store", os.path.join(files, "colour.png"), "--save", cli], check=True)
assert open(cli, "rb").read() == nv, "quillet-nv's stream differs from NvSave.BIN"
print("quillet-nv store colour.png gives NvSave.BIN")
shutil.rmtree(logos, ignore_errors=True)
for nv_file in found:
    os.remove(nv_file)
