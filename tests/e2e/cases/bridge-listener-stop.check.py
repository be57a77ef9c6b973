# "NvSave.BIN" holds the whole stream; the printer got only a beginning of it, and the
# listener was stopped while the download went on.
import os
import runpy

print(open("listener-stop.out").read().strip())
runpy.run_path(os.path.join(os.path.dirname(os.path.abspath(__file__)), "nv-save-xoff.check.py"))
