# "NvSave.BIN" holds the whole stream; the printer got only a beginning of it; the listener was
# stopped while the download went on, and the bridge said it lost the printer.
import os
import runpy
import sys

sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "lib"))
from operator_times import box_delay

# The hang-up ends the write, not the time-out: the box comes with a second to spare.
delay = box_delay("operator.out", "click IDC_BTN_NV_SAVE")
print("error box", delay, "ms after the click")
assert delay < 4000, delay

stop = open("listener-stop.out").read().strip()
print(stop)
assert stop.startswith("listener stopped at"), stop
said = open("bridge.stderr").read()
assert "COM8 lost tcp:127.0.0.1:" in said, said
runpy.run_path(os.path.join(os.path.dirname(os.path.abspath(__file__)), "nv-save-xoff.check.py"))
