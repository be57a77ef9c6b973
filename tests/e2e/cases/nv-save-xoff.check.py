# "NvSave.BIN" holds the whole stream; the printer got only a beginning of it.
import os
import shutil

logos = os.path.join(os.environ["WINEPREFIX"], "drive_c", "Logos")
places = ["work", logos, os.path.dirname(os.environ["E2E_QUILLET"])]
found = [os.path.join(p, "NvSave.BIN") for p in places if os.path.isfile(os.path.join(p, "NvSave.BIN"))]
assert len(found) == 1, found
nv = open(found[0], "rb").read()
os.remove(found[0])
raw = open("printer/raw.bin", "rb").read()
print("NvSave.BIN", len(nv), "bytes; printer received", len(raw))
assert len(nv) == 3 + 3 * (4 + 72 * 50 * 8)
assert 0 < len(raw) < len(nv) and nv.startswith(raw)
shutil.rmtree(logos, ignore_errors=True)
