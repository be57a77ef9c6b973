# The preview frame in each screenshot: a black 1-pixel outline round a white box, the picture
# at (3, 3) in the size the table gives, nothing for an unused slot.
import os
import shutil
import struct
import sys

shutil.rmtree(os.path.join(os.environ["WINEPREFIX"], "drive_c", "Logos"), ignore_errors=True)

BLACK, WHITE = (0, 0, 0), (255, 255, 255)


def read_bmp(name):
    data = open(name, "rb").read()
    offset = struct.unpack_from("<I", data, 10)[0]
    width, height = struct.unpack_from("<ii", data, 18)
    stride = (width * 3 + 3) & ~3
    rows = []
    for y in range(height):
        row = data[offset + (height - 1 - y) * stride:]
        rows.append([(row[3 * x + 2], row[3 * x + 1], row[3 * x]) for x in range(width)])
    return rows


def run(rows, x, y, dx, dy):
    n = 0
    while 0 <= y < len(rows) and 0 <= x < len(rows[0]) and rows[y][x] == BLACK:
        n, x, y = n + 1, x + dx, y + dy
    return n


def find_frame(rows):
    """Top-left corner and size of the outlined box: the first black pixel that starts long
    black runs right and down with white inside."""
    for y in range(len(rows) - 1):
        for x in range(len(rows[0]) - 1):
            if rows[y][x] == BLACK and rows[y + 1][x + 1] == WHITE:
                w, h = run(rows, x, y, 1, 0), run(rows, x, y, 0, 1)
                if w > 200 and h > 200:
                    return x, y, w, h
    sys.exit("no preview frame found")


def inside(name):
    rows = read_bmp(name)
    fx, fy, w, h = find_frame(rows)
    box = [row[fx:fx + w] for row in rows[fy:fy + h]]
    outline = [box[0][i] for i in range(w)] + [box[h - 1][i] for i in range(w)] + \
        [box[j][0] for j in range(h)] + [box[j][w - 1] for j in range(h)]
    gaps = sum(1 for p in outline if p != BLACK)
    if gaps:
        sys.exit(f"{name}: {gaps} outline pixels not black")
    print(f"{name}: frame {w} x {h} at {fx},{fy}")
    return box, w, h


def ink_box(box, w, h):
    xs = [x for y in range(1, h - 1) for x in range(1, w - 1) if box[y][x] != WHITE]
    ys = [y for y in range(1, h - 1) for x in range(1, w - 1) if box[y][x] != WHITE]
    return (min(xs), min(ys), max(xs) + 1, max(ys) + 1) if xs else None


def expect(what, got, want):
    if got != want:
        sys.exit(f"{what}: got {got}, want {want}")


box, w, h = inside("small.bmp")
expect("small picture", ink_box(box, w, h), (3, 3, 97, 47))
expect("small top left", box[3][3], BLACK)
expect("small inside the white block", box[36][73], WHITE)
expect("small above the white block", box[13][73], BLACK)

box, w, h = inside("large.bmp")
expect("large picture", ink_box(box, w, h), (3, 3, w - 3, h - 3))
expect("large all black", sum(1 for y in range(3, h - 3) for x in range(3, w - 3)
                              if box[y][x] != BLACK), 0)

box, w, h = inside("tall.bmp")
expect("tall picture", ink_box(box, w, h), (3, 3, 3 + h * 60 // 900 - 6, h - 3))

box, w, h = inside("unused.bmp")
expect("unused slot", ink_box(box, w, h), None)
print("preview pixels as expected")
