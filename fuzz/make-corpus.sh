#!/usr/bin/env bash
# Writes the fuzzers' seed corpus: hand-laid BMP files at the edges of the reader, and a few
# written by ImageMagick.
set -euo pipefail
out="$(cd "$(dirname "$0")" && pwd)/corpus"
mkdir -p "$out"

python3 - "$out" <<'PY'
import struct, sys, os
out = sys.argv[1]

def bmp(width, height, rows, pal0=b"\0\0\0\0", pal1=b"\xff\xff\xff\0", bits=1, size=None, cut=None):
    body = b"".join(rows)
    head = b"BM" + struct.pack("<IIIIiiHHIIiiII", size if size is not None else 62 + len(body), 0,
                               62, 40, width, height, 1, bits, 0, len(body), 2835, 2835, 2, 0)
    data = head + pal0 + pal1 + body
    return data if cut is None else data[:cut]

ten = [b"\xff\x80\0\0", b"\0\0\0\0", b"\x55\x40\0\0"]
ten_white = [b"\0\x40\0\0", b"\xff\xc0\0\0", b"\xaa\x80\0\0"]
seeds = {
    "ten_black_first.bmp": bmp(10, 3, ten),
    "ten_white_first.bmp": bmp(10, 3, ten_white, b"\xff\xff\xff\0", b"\0\0\0\0"),
    "ten_red_first.bmp": bmp(10, 3, ten, b"\0\0\xff\0"),
    "ten_cut_short.bmp": bmp(10, 3, ten, cut=66),
    "exactly_62.bmp": bmp(8, 1, [], size=66),
    "wide_stride.bmp": bmp(10, 3, [r + b"\xaa" * 4 for r in ten]),
    "height_zero.bmp": bmp(10, 0, ten),
    "top_down.bmp": bmp(10, -3, ten),
    "size_below_62.bmp": bmp(10, 3, ten, size=50),
    "stride_below_rows.bmp": bmp(64, 2, [b"\0" * 4] * 2),
    "bits_0x0101.bmp": bmp(10, 3, ten, bits=0x0101),
    "eight_bits.bmp": bmp(10, 3, ten, bits=8),
    "huge_size_claim.bmp": bmp(10, 3, ten, size=0xFFFFFFF0),
    "tall_8001.bmp": bmp(8, 8001, [b"\x5a\0\0\0"] * 8001),
    "raster_1600.bmp": bmp(1600, 2, [b"\x0f" * 200] * 2),
    "raster_1601.bmp": bmp(1601, 2, [b"\xf0" * 204] * 2),
    "short.bin": b"BM" + b"\0" * 40,
}
for name, data in seeds.items():
    with open(os.path.join(out, name), "wb") as f:
        f.write(data)
PY

convert -size 37x11 xc:white -fill black -draw 'rectangle 3,2 20,8' -monochrome "BMP3:$out/magick_box.bmp"
convert -size 45x13 xc:gray50 -seed 3 +noise Random -monochrome "BMP3:$out/magick_noise.bmp"
convert -size 64x24 xc:white -font DejaVu-Sans -pointsize 18 -fill black -annotate +2+18 'Q7' \
    -negate -monochrome -negate "BMP3:$out/magick_text.bmp"

# Small pictures of every kind the logo converter reads.
pic=(-size 16x12 gradient:red-blue -fill black -draw 'rectangle 3,3 9,8')
convert "${pic[@]}" -colorspace Gray -define png:color-type=0 "$out/logo_grey.png"
convert "${pic[@]}" -depth 16 "$out/logo_rgb16.png"
convert "${pic[@]}" -colors 5 -define png:color-type=3 "$out/logo_palette.png"
convert -size 16x12 xc:none -fill 'rgba(0,0,0,0.5)' -draw 'rectangle 2,2 12,9' \
    -define png:color-type=6 "$out/logo_rgba.png"
# Interlaced with short passes and two bits a pixel, and a 1 x 1 whose data inflates to 1 MiB:
# the bound on a PNG's image data.
convert -size 7x13 -seed 3 plasma:fractal -colors 5 -depth 2 -interlace PNG \
    "$out/png_interlaced_7x13_2_bits.png"
python3 - "$out/png_inflates_past_its_rows.png" <<'PY'
import struct, sys, zlib
def chunk(k, d): return struct.pack('>I', len(d)) + k + d + struct.pack('>I', zlib.crc32(k + d))
z = zlib.compressobj(9)
data = z.compress(bytes(1 << 20)) + z.flush()
open(sys.argv[1], 'wb').write(b'\x89PNG\r\n\x1a\n' + chunk(b'IHDR', struct.pack('>IIBBBBB', 1, 1, 8, 0, 0, 0, 0)) +
                           chunk(b'IDAT', data) + chunk(b'IEND', b''))
PY
convert "${pic[@]}" -quality 80 "$out/logo_baseline.jpg"
convert "${pic[@]}" -interlace Plane "$out/logo_progressive.jpg"
convert "${pic[@]}" "$out/logo.gif"
convert "${pic[@]}" -type TrueColor "$out/logo_24bit.bmp"
convert "${pic[@]}" "$out/logo.tga"
convert "${pic[@]}" -colorspace Gray "$out/logo.pgm"
convert "${pic[@]}" "$out/logo.ppm"
# A JPEG whose APP2 segment (where colour profiles go) holds bytes that look like a Huffman table.
python3 - "$out/logo_baseline.jpg" "$out/logo_app2_lookalike.jpg" <<'PY'
import struct, sys
jpeg = open(sys.argv[1], "rb").read()
body = b"ICC_PROFILE\0\x01\x01" + b"\xff\xc4\x01\x13\x10" + b"\xff" * 16 + b"\xe2" * 40
open(sys.argv[2], "wb").write(jpeg[:2] + b"\xff\xe2" + struct.pack(">H", len(body) + 2) + body + jpeg[2:])
PY
