# The printer stored the converted logo and printed it with FS p, dot for dot.
import glob
import json
import os
import shutil
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
shutil.rmtree(logos, ignore_errors=True)
for place in ("work", logos, os.path.dirname(os.environ["E2E_QUILLET"])):
    nv = os.path.join(place, "NvSave.BIN")
    if os.path.isfile(nv):
        os.remove(nv)
