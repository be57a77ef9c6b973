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
echo "PASS QuilletLogo.exe"
