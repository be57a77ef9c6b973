# "NvSave.BIN" holds the whole stream; the printer got only a beginning of it; the listener was
# stopped while the download went on, and the bridge said it lost the printer.
import os
import runpy

stop = open("listener-stop.out").read().strip()
print(stop)
assert stop.startswith("listener stopped at"), stop
said = open("bridge.stderr").read()
assert "COM8 lost tcp:127.0.0.1:" in said, said
runpy.run_path(os.path.join(os.path.dirname(os.path.abspath(__file__)), "nv-save-xoff.check.py"))
