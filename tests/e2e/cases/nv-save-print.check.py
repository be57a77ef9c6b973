# "NvSave.BIN" is what the printer received first; Select Print 1-3 print the three logos as they
# are; All Print sends its 82 bytes and prints the three; raster printing prints them again.
import glob
import json
import os
import sys

sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "lib"))
from receipts import compare, read_bmp, read_png  # noqa: E402

files = os.environ["E2E_FILES"]
pictures = [read_bmp(os.path.join(files, n)) for n in ("odd.bmp", "dark.bmp", "wide.bmp")]
raw = open("printer/raw.bin", "rb").read()
# Quillet's current directory is where the file-open dialog of Add Image left it: Wine leaves
# it in the dialog's first folder (the program's), Windows in the picked file's.
logos = os.path.join(os.environ["WINEPREFIX"], "drive_c", "Logos")
places = ["work", logos, os.path.dirname(os.environ["E2E_QUILLET"])]
found = [os.path.join(p, "NvSave.BIN") for p in places if os.path.isfile(os.path.join(p, "NvSave.BIN"))]
assert len(found) == 1, found
nv = open(found[0], "rb").read()
os.remove(found[0])
assert nv[:3] == b"\x1c\x71\x03", nv[:3].hex()
assert raw.startswith(nv), "the printer did not receive NvSave.BIN first"
# quillet-nv writes the same stream for the same files.
import subprocess  # noqa: E402

cli = os.path.join(os.environ["E2E_CASE_DIR"], "quillet-nv.bin")
subprocess.run([os.environ["E2E_NV"], "store"] + [os.path.join(files, n) for n in ("odd.bmp", "dark.bmp", "wide.bmp")]
               + ["--save", cli], check=True)
assert open(cli, "rb").read() == nv, "quillet-nv's stream differs from NvSave.BIN"
after = raw[len(nv):]
select = b"".join(bytes([0x1C, 0x70, n, 0x30]) + b"\n\n\n\x0c\x1bm" for n in (1, 2, 3))
all_print = b"".join(bytes([0x1C, 0x70, n, 0x30]) for n in range(1, 20)) + b"\n\n\n\x0c\x1bm"
assert len(all_print) == 82
assert after.startswith(select + all_print), after[:120].hex()

records = [json.loads(line) for line in open("printer/log.jsonl")]
defined = [r for r in records if r.get("name") == "FS q"]
print(defined)
assert len(defined) == 1 and defined[0]["n"] == 3 and defined[0]["stored"], defined

receipts = sorted(glob.glob("printer/receipt-*.png"))
print(len(receipts), "receipts")
assert len(receipts) == 7, receipts
expected = [[0], [1], [2], [0, 1, 2], [0], [1], [2]]
for name, shown in zip(receipts, expected):
    rows = read_png(name)
    top = 0
    for index in shown:
        picture = pictures[index]
        # Stored images are 8-dot padded: compare the band the image takes.
        band = (len(picture) + 7) // 8 * 8 if name in receipts[:4] else len(picture)
        why = compare(rows[top:top + band], picture)
        assert why is None, "%s, picture %d: %s" % (name, index + 1, why)
        top += band
    assert not any(any(r) for r in rows[top:]), name + ": dots below the pictures"
    print(name, "matches", [i + 1 for i in shown])

import shutil  # noqa: E402

shutil.rmtree(logos, ignore_errors=True)
