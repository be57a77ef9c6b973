#!/usr/bin/env bash
# Draws the application icon (a receipt printer with a receipt coming out) and writes Quillet.ico
# with nine 32-bit sizes. Run by hand after changing the artwork; the .ico is committed.
set -euo pipefail
cd "$(dirname "$0")"
tmp=$(mktemp -d)
trap 'rm -rf "$tmp"' EXIT

convert -size 256x256 xc:none \
    -fill '#f4f4f0' -stroke '#404040' -strokewidth 6 -draw 'polygon 70,20 186,20 186,150 70,150' \
    -stroke '#7a7a7a' -strokewidth 8 \
    -draw 'line 92,50 164,50' -draw 'line 92,76 150,76' -draw 'line 92,102 164,102' \
    -fill '#2f5f8f' -stroke '#1c3a57' -strokewidth 6 -draw 'roundrectangle 18,120 238,214 22,22' \
    -fill '#16283a' -stroke none -draw 'rectangle 58,132 198,144' \
    -fill '#f4f4f0' -stroke '#404040' -strokewidth 4 -draw 'polygon 74,138 182,138 182,160 74,160' \
    -fill '#5cd65c' -stroke none -draw 'circle 206,190 214,190' \
    -fill '#1c3a57' -draw 'roundrectangle 40,214 216,236 8,8' \
    PNG32:"$tmp/icon256.png"

files=()
for s in 16 24 32 48 64 72 96 128 256; do
    convert "$tmp/icon256.png" -resize "${s}x${s}" PNG32:"$tmp/icon$s.png"
    files+=("$tmp/icon$s.png")
done
convert "${files[@]}" Quillet.ico
