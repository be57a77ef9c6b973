#!/usr/bin/env bash
# Converting a 4000 x 3000 JPEG to 576 dots with Floyd-Steinberg: quillet-logo (optimised, no
# sanitizers) against ImageMagick doing the same job, in the same run. Prints medians and ratio.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
runs=${RUNS:-9}
cmake --preset bench >/dev/null
cmake --build --preset bench --target quillet-logo >/dev/null
logo=$root/build/bench/src/logo/quillet-logo
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
convert -size 4000x3000 -seed 7 plasma:fractal -blur 0x2 -quality 90 "$work/in.jpg"
convert -size 2x1 xc:black xc:white +append "$work/bw.png"

ms() { local t0 t1; t0=$(date +%s%N); "$@" >/dev/null 2>&1; t1=$(date +%s%N); echo $(((t1 - t0) / 1000000)); }
median() { sort -n | awk '{a[NR]=$1} END {print a[int((NR+1)/2)]}'; }
ours=() theirs=()
for _ in $(seq "$runs"); do
    ours+=("$(ms "$logo" "$work/in.jpg" -o "$work/ours.bmp" --force)")
    theirs+=("$(ms convert "$work/in.jpg" -resize 576x -colorspace Gray -dither FloydSteinberg \
        -remap "$work/bw.png" "BMP3:$work/theirs.bmp")")
done
a=$(printf '%s\n' "${ours[@]}" | median)
b=$(printf '%s\n' "${theirs[@]}" | median)
echo "quillet-logo: median $a ms (${ours[*]})"
echo "ImageMagick:  median $b ms (${theirs[*]})"
awk -v a="$a" -v b="$b" 'BEGIN {printf "ratio: ImageMagick / quillet-logo = %.2f\n", b / a}'
