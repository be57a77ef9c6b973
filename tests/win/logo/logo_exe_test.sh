#!/usr/bin/env bash
# QuilletLogo.exe under Wine: --help shows the usage, a bad argument exits 2, and a picture
# converts to the very bytes the native quillet-logo writes.
set -uo pipefail
exe=$1 native=$2
root=$(cd "$(dirname "$0")/../../.." && pwd)
wine_exec=$root/scripts/wine-exec.sh
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
fail() { echo "FAIL: $*"; exit 1; }

help=$("$wine_exec" "$exe" --help 2>/dev/null | tr -d '\r')
status=$?
[ "$status" -eq 0 ] || fail "--help exited $status"
grep -qF 'usage: QuilletLogo INPUT [-o OUTPUT.bmp] [--width DOTS | --paper 80|58]' <<<"$help" ||
    fail "no usage line in: $help"

"$wine_exec" "$exe" --paper 70 x.png >/dev/null 2>"$work/bad.err"
status=$?
[ "$status" -eq 2 ] || fail "--paper 70 exited $status"
grep -q 'usage: QuilletLogo' "$work/bad.err" || fail "no usage after a bad argument"

convert -size 300x90 gradient:orange-navy -fill white -draw 'circle 150,45 150,10' \
    "$work/colour.png" || fail "convert"
"$native" "$work/colour.png" -o "$work/native.bmp" --dither atkinson >/dev/null ||
    fail "native quillet-logo failed"
(cd "$work" && "$wine_exec" "$exe" colour.png --dither atkinson) >"$work/win.out" 2>&1
status=$?
[ "$status" -eq 0 ] || fail "QuilletLogo.exe exited $status: $(cat "$work/win.out")"
grep -q 'colour.png 300x90 -> colour-logo.bmp 300x90, atkinson' "$work/win.out" ||
    fail "result line: $(cat "$work/win.out")"
cmp "$work/native.bmp" "$work/colour-logo.bmp" || fail "the Windows and native files differ"
echo "PASS QuilletLogo.exe"
