#!/usr/bin/env python3
"""A small printer stand-in on a pty for the link tests: records what the host sends and the line
settings it sets, and can hold the line with XOFF or answer with bytes. Its options are a subset
of quillet-sim's, so the tests can run against either."""
import argparse
import json
import os
import pty
import select
import signal
import subprocess
import sys
import termios
import time
import tty

SPEEDS = {getattr(termios, n): int(n[1:]) for n in dir(termios)
          if n.startswith("B") and n[1:].isdigit()}
CSIZES = {termios.CS5: 5, termios.CS6: 6, termios.CS7: 7, termios.CS8: 8}


def line_settings(fd):
    iflag, _, cflag, _, _, ospeed, _ = termios.tcgetattr(fd)
    parity = "none"
    if cflag & termios.PARENB:
        parity = "odd" if cflag & termios.PARODD else "even"
    return {"baud": SPEEDS.get(ospeed, -1), "crtscts": bool(cflag & termios.CRTSCTS),
            "ixon": bool(iflag & termios.IXON), "ixoff": bool(iflag & termios.IXOFF),
            "csize": CSIZES[cflag & termios.CSIZE], "parity": parity,
            "stop": 2 if cflag & termios.CSTOPB else 1}


class Registration:
    """COMn = slave path under HKLM\\Software\\Wine\\Ports, read by Wine when its server starts."""
    KEY = r"HKLM\Software\Wine\Ports"

    def __init__(self, prefix, com):
        self.env = dict(os.environ, WINEPREFIX=prefix, WINEDEBUG="-all")
        self.wine = os.environ.get("WINE", "wine64")
        self.wineserver = os.environ.get("WINESERVER", "wineserver")
        self.name = f"COM{com}"

    def _run(self, *args):
        subprocess.run(args, env=self.env, stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)

    def add(self, slave):
        self._run(self.wine, "reg", "add", self.KEY, "/v", self.name, "/t", "REG_SZ", "/d", slave,
                  "/f")
        self._run(self.wineserver, "-k")
        self._run(self.wineserver, "-w")

    def remove(self):
        self._run(self.wine, "reg", "delete", self.KEY, "/v", self.name, "/f")


def main():
    ap = argparse.ArgumentParser()
    ap.add_argument("--out", required=True)
    ap.add_argument("--raw")
    ap.add_argument("--wine-prefix")
    ap.add_argument("--com", type=int)
    ap.add_argument("--xoff-after", type=int)
    ap.add_argument("--xoff-ms", type=int, default=0)
    ap.add_argument("--reply", default="")
    args = ap.parse_args()

    os.makedirs(args.out, exist_ok=True)
    log = open(os.path.join(args.out, "log.jsonl"), "a")
    raw = open(args.raw, "ab") if args.raw else None

    def record(ev, **fields):
        log.write(json.dumps(dict(ev=ev, **fields)) + "\n")
        log.flush()

    master, slave = pty.openpty()
    tty.setraw(slave)  # the host sets its own line settings; start from a raw line
    slave_path = os.ttyname(slave)
    print(f"PTY {slave_path}", flush=True)

    stopping = []
    signal.signal(signal.SIGTERM, lambda *_: stopping.append(1))
    signal.signal(signal.SIGINT, lambda *_: stopping.append(1))

    registration = None
    if args.wine_prefix and args.com:
        registration = Registration(args.wine_prefix, args.com)
        registration.add(slave_path)
    print("READY", flush=True)

    settings = line_settings(slave)
    reply = bytes.fromhex(args.reply)
    received = 0
    xon_at = None
    try:
        while not stopping:
            try:
                ready, _, _ = select.select([master], [], [], 0.005)
            except InterruptedError:
                continue
            if ready:
                data = os.read(master, 65536)
                if raw:
                    raw.write(data)
                    raw.flush()
                if args.xoff_after is not None and received < args.xoff_after <= received + len(data):
                    os.write(master, b"\x13")
                    record("xoff", offset=args.xoff_after)
                    xon_at = time.monotonic() + args.xoff_ms / 1000
                received += len(data)
            if xon_at is not None and time.monotonic() >= xon_at:
                os.write(master, b"\x11")
                record("xon", offset=received)
                xon_at = None
            now = line_settings(slave)
            if now != settings:
                settings = now
                record("tty", **now)
                if reply:  # the host has opened and set up the line: answer once
                    os.write(master, reply)
                    record("reply", bytes=len(reply))
                    reply = b""
    finally:
        if registration:
            registration.remove()
        os.close(master)
        os.close(slave)
    return 0


if __name__ == "__main__":
    sys.exit(main())
