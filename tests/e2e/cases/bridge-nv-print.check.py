# The same receipts and bytes as on the demo road: the bridge and the network change nothing.
import os
import runpy

runpy.run_path(os.path.join(os.path.dirname(os.path.abspath(__file__)), "nv-save-print.check.py"))
