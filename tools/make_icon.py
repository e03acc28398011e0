#!/usr/bin/env python3
"""Writes Quarvel's application icon, a receipt with printed lines, drawn in
code so the repository holds no binary:
  make_icon.py quarvel.ico          32x32, 32-bit, for Windows
  make_icon.py quarvel.svg          the scalable icon of the Linux desktop
  make_icon.py quarvel.png [SIZE]   a SIZE x SIZE PNG (default 32)
Every form is drawn from the same rectangles on a 32-unit grid."""
import struct
import sys
import zlib

GRID = 32
OUTLINE, PAPER, PRINT, TOTAL = (30, 60, 90), (250, 250, 250), (40, 80, 120), (200, 40, 40)  # RGB

# (left, top, right, bottom, colour) in grid units, each over the ones before.
SHAPES = [(5, 2, 27, 30, OUTLINE), (6, 3, 26, 29, PAPER)]
SHAPES += [(8, y, 24, y + 1, PRINT) for y in range(6, 23, 4)]  # printed lines
SHAPES += [(15, 24, 24, 27, TOTAL)]  # the total, in red


def colour_at(x, y):
    """RGBA at grid point x, y (y = 0 at the top)."""
    found = (0, 0, 0, 0)
    for left, top, right, bottom, rgb in SHAPES:
        if left <= x < right and top <= y < bottom:
            found = rgb + (255,)
    return found


def pixels(size):
    """Rows of RGBA pixels, each sampled at its centre on the grid."""
    scale = GRID / size
    return [[colour_at((px + 0.5) * scale, (py + 0.5) * scale) for px in range(size)] for py in range(size)]


def write_png(path, size):
    def chunk(kind, data):
        return struct.pack(">I", len(data)) + kind + data + struct.pack(">I", zlib.crc32(kind + data))
    raw = b"".join(b"\x00" + b"".join(bytes(p) for p in row) for row in pixels(size))
    header = struct.pack(">IIBBBBB", size, size, 8, 6, 0, 0, 0)  # 8-bit RGBA
    with open(path, "wb") as f:
        f.write(b"\x89PNG\r\n\x1a\n" + chunk(b"IHDR", header) + chunk(b"IDAT", zlib.compress(raw, 9)) +
                chunk(b"IEND", b""))


def write_svg(path):
    rects = "".join('  <rect x="%d" y="%d" width="%d" height="%d" fill="#%02x%02x%02x"/>\n'
                    % ((left, top, right - left, bottom - top) + rgb)
                    for left, top, right, bottom, rgb in SHAPES)
    with open(path, "w") as f:
        f.write('<?xml version="1.0" encoding="UTF-8"?>\n'
                '<svg xmlns="http://www.w3.org/2000/svg" width="%d" height="%d" viewBox="0 0 %d %d" '
                'shape-rendering="crispEdges">\n%s</svg>\n' % (GRID, GRID, GRID, GRID, rects))


def write_ico(path):
    rows = [b"".join(bytes((b, g, r, a)) for r, g, b, a in row) for row in reversed(pixels(GRID))]  # BGRA, bottom-up
    xor = b"".join(rows)
    mask = b"\x00" * (GRID * GRID // 8)  # the alpha channel decides
    header = struct.pack("<IiiHHIIiiII", 40, GRID, GRID * 2, 1, 32, 0, len(xor) + len(mask), 0, 0, 0, 0)
    image = header + xor + mask
    directory = struct.pack("<HHH", 0, 1, 1) + struct.pack("<BBBBHHII", GRID, GRID, 0, 0, 1, 32, len(image), 22)
    with open(path, "wb") as f:
        f.write(directory + image)


def main(args):
    path = args[0]
    if path.endswith(".png"):
        write_png(path, int(args[1]) if len(args) > 1 else GRID)
    elif path.endswith(".svg"):
        write_svg(path)
    else:
        write_ico(path)


if __name__ == "__main__":
    main(sys.argv[1:])
