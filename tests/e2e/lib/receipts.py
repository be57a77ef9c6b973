"""Reading the printer's receipts (PNG) and the source 1-bit BMPs for pixel comparisons, with the
standard library only."""
import struct
import zlib


def read_png(name):
    """Rows of booleans, True where a dot is printed (dark pixel)."""
    data = open(name, "rb").read()
    assert data[:8] == b"\x89PNG\r\n\x1a\n", name
    pos, idat, header = 8, b"", None
    while pos < len(data):
        length, kind = struct.unpack_from(">I4s", data, pos)
        body = data[pos + 8:pos + 8 + length]
        if kind == b"IHDR":
            header = struct.unpack(">IIBBBBB", body)
        elif kind == b"IDAT":
            idat += body
        pos += 12 + length
    width, height, depth, colour, _, _, interlace = header
    assert interlace == 0 and colour in (0, 2) and depth in (1, 8), header
    channels = 3 if colour == 2 else 1
    bits = depth * channels
    stride = (width * bits + 7) // 8
    unit = max(1, bits // 8)
    raw = zlib.decompress(idat)
    rows, prev = [], bytearray(stride)
    for y in range(height):
        kind = raw[y * (stride + 1)]
        line = bytearray(raw[y * (stride + 1) + 1:(y + 1) * (stride + 1)])
        for i in range(stride):
            a = line[i - unit] if i >= unit else 0
            b = prev[i]
            c = prev[i - unit] if i >= unit else 0
            if kind == 1:
                line[i] = (line[i] + a) & 0xFF
            elif kind == 2:
                line[i] = (line[i] + b) & 0xFF
            elif kind == 3:
                line[i] = (line[i] + (a + b) // 2) & 0xFF
            elif kind == 4:
                p = a + b - c
                pa, pb, pc = abs(p - a), abs(p - b), abs(p - c)
                pred = a if pa <= pb and pa <= pc else (b if pb <= pc else c)
                line[i] = (line[i] + pred) & 0xFF
        prev = line
        if depth == 1:
            rows.append([not (line[x // 8] >> (7 - x % 8)) & 1 for x in range(width)])
        else:
            rows.append([line[x * channels] < 128 for x in range(width)])
    return rows


def read_bmp(name):
    """A 1-bit BMP as rows of booleans from the top, True where the colour is dark."""
    data = open(name, "rb").read()
    offset = struct.unpack_from("<I", data, 10)[0]
    width, height = struct.unpack_from("<ii", data, 18)
    assert struct.unpack_from("<H", data, 28)[0] == 1, name
    dark = [sum(data[54 + 4 * i:57 + 4 * i]) < 3 * 128 for i in range(2)]
    stride = (width + 31) // 32 * 4
    rows = []
    for y in range(height):
        row = data[offset + (height - 1 - y) * stride:]
        rows.append([dark[(row[x // 8] >> (7 - x % 8)) & 1] for x in range(width)])
    return rows


def compare(receipt, picture, top=0):
    """None when the receipt shows the picture at (0, top) and nothing else; else why not."""
    height, width = len(picture), len(picture[0])
    for y, row in enumerate(receipt):
        for x, dot in enumerate(row):
            inside = top <= y < top + height and x < width
            want = picture[y - top][x] if inside else False
            if dot != want:
                return "pixel (%d, %d) is %s" % (x, y, "black" if dot else "white")
    return None
