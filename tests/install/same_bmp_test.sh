#!/usr/bin/env bash
# The converter built for another machine writes the very same BMP (and preview) bytes as the one
# built here, for the same picture and options: a picture prepared on a PC prints the same as one
# converted on the till's own board.
# Usage: same_bmp_test.sh HOST_LOGO TARGET_LOGO
set -uo pipefail
host=$1 target=$2
command -v convert >/dev/null || { echo "FAIL: no ImageMagick convert to make the pictures"; exit 1; }
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
failures=0
fail() {
    echo "FAIL: $*"
    failures=$((failures + 1))
}

# Photographs, gradients, transparency and a palette: every decoder and every road through the
# scaler and the dithers.
make_picture() {
    convert "$@" || fail "could not make ${*: -1}"
}
make_picture -seed 7 -size 900x500 plasma:fractal "$work/plasma.png"
make_picture -seed 7 -size 900x500 plasma:fractal -quality 88 "$work/plasma.jpg"
make_picture -size 320x120 gradient:white-black "$work/ramp.png"
make_picture -size 300x200 radial-gradient:'#ff8040'-'#0030a0' \( +clone -alpha extract \
    -size 300x200 gradient:white-black -compose multiply -composite \) -alpha off \
    -compose copy_opacity -composite "$work/fade.png"
make_picture -seed 3 -size 200x90 plasma:red-yellow -colors 16 "$work/palette.gif"

option_sets=(
    ""
    "--paper 58"
    "--width 1000"
    "--dither atkinson"
    "--dither ordered --invert"
    "--threshold 100"
    "--gamma 1.6"
    "--gamma 0.5 --width 123"
)
compared=0
for picture in plasma.png plasma.jpg ramp.png fade.png palette.gif; do
    for options in "${option_sets[@]}"; do
        for side in host target; do
            program=$host
            [ $side = target ] && program=$target
            # shellcheck disable=SC2086 # the options are words
            "$program" "$work/$picture" -o "$work/$side.bmp" --preview "$work/$side.png" --force \
                $options >"$work/$side.out" 2>"$work/$side.err" ||
                fail "$side converter failed on $picture $options: $(cat "$work/$side.err")"
        done
        for file in bmp png; do
            if ! cmp -s "$work/host.$file" "$work/target.$file"; then
                fail "$picture $options: the $file differs: $(cmp "$work/host.$file" "$work/target.$file" 2>&1 | head -n1)"
            fi
        done
        compared=$((compared + 1))
    done
done
if [ $failures -ne 0 ]; then
    echo "$failures failed"
    exit 1
fi
echo "PASS $compared conversions give the same BMP and preview bytes on both machines"
