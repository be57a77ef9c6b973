#!/usr/bin/env bash
# QuilletLogo.exe under Wine: --help shows the usage, --version the version, a bad argument exits 2, a picture converts
# to the very bytes the native quillet-logo writes, and --force replaces an earlier result. Every
# run has its standard input from /dev/null, and one from a terminal (a pty) with its output in a
# file: neither may wait for a key as after a drop in Explorer.
set -uo pipefail
exe=$1 native=$2
root=$(cd "$(dirname "$0")/../../.." && pwd)
wine_exec=$root/scripts/wine-exec.sh
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
fail() { echo "FAIL: $*"; exit 1; }

help=$("$wine_exec" "$exe" --help 2>/dev/null </dev/null | tr -d '\r')
status=$?
[ "$status" -eq 0 ] || fail "--help exited $status"
grep -qF 'usage: QuilletLogo INPUT [-o OUTPUT.bmp] [--width DOTS | --paper 80|58]' <<<"$help" ||
    fail "no usage line in: $help"

# The version the native program reports, under the Windows program's own name, on one line.
version=$("$wine_exec" "$exe" --version 2>&1 </dev/null | tr -d '\r')
status=$?
[ "$status" -eq 0 ] || fail "--version exited $status"
native_version=$("$native" --version)
[ "$version" = "QuilletLogo ${native_version#quillet-logo }" ] || fail "--version said: $version"

"$wine_exec" "$exe" --paper 70 x.png </dev/null >/dev/null 2>"$work/bad.err"
status=$?
[ "$status" -eq 2 ] || fail "--paper 70 exited $status"
grep -q 'usage: QuilletLogo' "$work/bad.err" || fail "no usage after a bad argument"

# A device name is never replaced, --force or not.
"$wine_exec" "$exe" x.png -o NUL --force </dev/null >/dev/null 2>"$work/nul.err"
status=$?
[ "$status" -eq 2 ] || fail "-o NUL --force exited $status"
grep -q "'NUL' is not a regular file" "$work/nul.err" || fail "-o NUL: $(cat "$work/nul.err")"

convert -size 300x90 gradient:orange-navy -fill white -draw 'circle 150,45 150,10' \
    "$work/colour.png" || fail "convert"
"$native" "$work/colour.png" -o "$work/native.bmp" --dither atkinson >/dev/null ||
    fail "native quillet-logo failed"
(cd "$work" && "$wine_exec" "$exe" colour.png --dither atkinson) </dev/null >"$work/win.out" 2>&1
status=$?
[ "$status" -eq 0 ] || fail "QuilletLogo.exe exited $status: $(cat "$work/win.out")"
grep -q 'colour.png 300x90 -> colour-logo.bmp 300x90, atkinson' "$work/win.out" ||
    fail "result line: $(cat "$work/win.out")"
cmp "$work/native.bmp" "$work/colour-logo.bmp" || fail "the Windows and native files differ"
grep -q 'Press any key' "$work/win.out" && fail "it asked for a key: $(cat "$work/win.out")"

# From a terminal with the output redirected, as a test runner or a script runs it: it ends by
# itself. The terminal is a real pty; no key is ever typed into it.
python3 - "$wine_exec" "$exe" "$work" <<'PY' || fail "run from a terminal"
import os, pty, subprocess, sys
wine_exec, exe, work = sys.argv[1:4]
master, slave = pty.openpty()
with open(os.path.join(work, "tty.out"), "wb") as out:
    run = subprocess.Popen([wine_exec, exe, "colour.png", "--dither", "atkinson", "--force"],
                           cwd=work, stdin=slave, stdout=out, stderr=subprocess.STDOUT)
    os.close(slave)
    try:
        status = run.wait(timeout=90)
    except subprocess.TimeoutExpired:
        run.kill()
        run.wait()
        print("still waiting after 90 s:", open(os.path.join(work, "tty.out"), "rb").read())
        sys.exit(1)
said = open(os.path.join(work, "tty.out"), "rb").read().decode(errors="replace")
if status != 0 or "Press any key" in said or "-> colour-logo.bmp" not in said:
    print(f"status {status}: {said}")
    sys.exit(1)
PY
cmp "$work/native.bmp" "$work/colour-logo.bmp" || fail "the file --force wrote differs"

# Ctrl-C (Wine makes SIGINT the console's Ctrl-C event) at different moments of a conversion that
# replaces an old BMP and preview: the pair is the old one or the new one, never one of each, and
# no temporary file is left.
convert -size 2400x1800 xc: +noise Random -colorspace gray -depth 8 "$work/large.png" ||
    fail "convert"
(cd "$work" && "$native" large.png -o ref.bmp --preview ref.png >/dev/null) ||
    fail "native quillet-logo failed on the large picture"
python3 - "$wine_exec" "$exe" "$work" <<'PY' || fail "Ctrl-C"
import os, shutil, signal, subprocess, sys, time
wine_exec, exe, work = sys.argv[1:4]
new = (open(f"{work}/ref.bmp", "rb").read(), open(f"{work}/ref.png", "rb").read())
old = (b"old bmp", b"old png")

def start(folder):
    os.mkdir(folder)
    shutil.copy(f"{work}/large.png", folder)
    for name, text in zip(("o.bmp", "p.png"), old):
        open(os.path.join(folder, name), "wb").write(text)
    return subprocess.Popen([wine_exec, exe, "large.png", "-o", "o.bmp", "--preview", "p.png",
                             "--force"], cwd=folder, stdin=subprocess.DEVNULL,
                            stdout=subprocess.DEVNULL, stderr=subprocess.PIPE)

def temporaries(folder):
    return [n for n in os.listdir(folder) if n.startswith(".ql-")]

# Wine's own Ctrl-C handling, before the program's code runs, ends it with status 0: the
# moments count from the program opening its picture.
def opened(run):
    fds = f"/proc/{run.pid}/fd"
    while run.poll() is None:
        try:
            if any(os.readlink(f"{fds}/{fd}").endswith("/large.png") for fd in os.listdir(fds)):
                return time.monotonic()
        except OSError:
            pass
    return None

whole = start(f"{work}/whole")
seen = opened(whole)
whole.wait(timeout=120)
ended = time.monotonic()
if whole.returncode != 0 or seen is None:
    print("an uninterrupted run failed, or its picture was never seen open:", whole.stderr.read())
    sys.exit(1)
took = ended - seen

failed = False
interrupted = 0
for i, moment in enumerate(["temporary", 0.0, 0.5, 0.9]):
    folder = f"{work}/interrupt-{i}"
    run = start(folder)
    began = opened(run) if moment != "temporary" else time.monotonic()
    while began is not None and run.poll() is None and time.monotonic() - began < 120:
        if moment == "temporary" and temporaries(folder):
            break
        if moment != "temporary" and time.monotonic() - began >= took * moment:
            break
    run.send_signal(signal.SIGINT)
    try:
        run.wait(timeout=90)
    except subprocess.TimeoutExpired:
        run.kill()
        run.wait()
        print(f"{moment}: still running 90 s after Ctrl-C")
        failed = True
        continue
    pair = tuple(open(os.path.join(folder, n), "rb").read() for n in ("o.bmp", "p.png"))
    said = run.stderr.read().decode(errors="replace")
    if pair not in (old, new):
        print(f"{moment}: a BMP of {len(pair[0])} bytes beside a preview of {len(pair[1])}; {said}")
        failed = True
    if run.returncode == 0 and pair != new:
        print(f"{moment}: exit 0 with the old files; {said}")
        failed = True
    if temporaries(folder):
        print(f"{moment}: left behind {temporaries(folder)}")
        failed = True
    interrupted += run.returncode != 0
    print(f"Ctrl-C at {moment}: exit {run.returncode}, {'new' if pair == new else 'old'} pair")
if interrupted == 0:
    print("no run was interrupted: Ctrl-C never reached the program")
    failed = True
sys.exit(1 if failed else 0)
PY
echo "PASS QuilletLogo.exe"
