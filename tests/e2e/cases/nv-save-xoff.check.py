# "NvSave.BIN" holds the whole stream; the printer got only a beginning of it.
import os
import shutil
import sys

sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "lib"))
from operator_times import box_delay

# The write time-out (5 s) ends the held write, before the printer's XOFF (9 s) would. (Only for
# this case: the bridge's reuses the file checks below.)
if __name__ == "__main__":
    delay = box_delay("operator.out", "click IDC_BTN_NV_SAVE")
    print("error box", delay, "ms after the click")
    assert 4500 < delay < 9000, delay

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
