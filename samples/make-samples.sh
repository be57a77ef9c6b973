#!/usr/bin/env bash
# Draws the demo logos with ImageMagick and writes them as 1-bit BMP files (BMP3, monochrome).
set -euo pipefail
cd "$(dirname "$0")"

# The "Q" mark: a ring with a tail, 200 x 200.
convert -size 200x200 xc:white -fill none -stroke black -strokewidth 22 \
    -draw 'circle 100,96 100,26' -draw 'line 118,122 172,182' \
    -threshold 50% -monochrome BMP3:quillet-q.bmp

# A receipt header banner for 80 mm paper, 576 dots wide.
convert -size 576x128 xc:white -fill black \
    -draw 'rectangle 0,0 575,7' -draw 'rectangle 0,120 575,127' \
    -font DejaVu-Sans-Bold -pointsize 48 -gravity center -annotate +0-12 'QUILLET CAFE' \
    -font DejaVu-Sans -pointsize 20 -annotate +0+38 '12 Harbour Street  -  Open 7-19' \
    -threshold 50% -monochrome BMP3:receipt-header.bmp

# A test pattern for 58 mm paper, 384 dots wide: a border, a checkerboard of 16-dot squares on
# the left and a diagonal on the right, to see alignment, polarity and clipping at a glance.
convert -size 192x80 pattern:checkerboard -scale 200% -threshold 50% \
    -fill white -draw 'rectangle 192,8 375,151' \
    -fill none -stroke black -strokewidth 4 -draw 'rectangle 2,2 381,157' \
    -draw 'line 196,12 371,147' \
    -threshold 50% -monochrome BMP3:test-pattern.bmp
