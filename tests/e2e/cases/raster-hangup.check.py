# The printer got the beginning of the first picture and far less than the three.
import os
import shutil

raw = open("printer/raw.bin", "rb").read()
print("printer received", len(raw), "bytes")
assert raw[:8] == bytes([0x1D, 0x76, 0x30, 0x00, 72, 0, 0x90, 0x01]), raw[:8].hex()
assert 3000 <= len(raw) < 3 * (8 + 72 * 400 + 6)
shutil.rmtree(os.path.join(os.environ["WINEPREFIX"], "drive_c", "Logos"), ignore_errors=True)
