#!/usr/bin/env python3
"""Writes Quarvel's application icon (32x32, 32-bit) as an .ico file, or as
a .png for the Linux desktop: a receipt with printed lines, drawn in code so
the repository holds no binary."""
import struct
import sys
import zlib

SIZE = 32


def pixel(x, y):
    """BGRA colour of the pixel at x, y (y = 0 at the top)."""
    paper = 5 <= x <= 26 and 2 <= y <= 29
    if not paper:
        return (0, 0, 0, 0)
    if x in (5, 26) or y in (2, 29):
        return (90, 60, 30, 255)  # outline
    if y % 4 == 2 and 8 <= x <= (23 if y % 8 else 18) and 6 <= y <= 22:
        return (120, 80, 40, 255)  # printed lines
    if 24 <= y <= 26 and 15 <= x <= 23:
        return (40, 40, 200, 255)  # the total, in red
    return (250, 250, 250, 255)


def write_png(path):
    def chunk(kind, data):
        return struct.pack(">I", len(data)) + kind + data + struct.pack(">I", zlib.crc32(kind + data))
    raw = b""
    for y in range(SIZE):
        raw += b"\x00" + b"".join(bytes((r, g, b, a)) for b, g, r, a in (pixel(x, y) for x in range(SIZE)))
    header = struct.pack(">IIBBBBB", SIZE, SIZE, 8, 6, 0, 0, 0)  # 8-bit RGBA
    with open(path, "wb") as f:
        f.write(b"\x89PNG\r\n\x1a\n" + chunk(b"IHDR", header) + chunk(b"IDAT", zlib.compress(raw, 9)) +
                chunk(b"IEND", b""))


def main(path):
    if path.endswith(".png"):
        write_png(path)
        return
    rows = []
    for y in range(SIZE - 1, -1, -1):  # bottom-up
        rows.append(b"".join(bytes(pixel(x, y)) for x in range(SIZE)))
    xor = b"".join(rows)
    mask = b"\x00" * (SIZE * SIZE // 8)  # the alpha channel decides
    header = struct.pack("<IiiHHIIiiII", 40, SIZE, SIZE * 2, 1, 32, 0, len(xor) + len(mask), 0, 0, 0, 0)
    image = header + xor + mask
    directory = struct.pack("<HHH", 0, 1, 1) + struct.pack("<BBBBHHII", SIZE, SIZE, 0, 0, 1, 32, len(image), 22)
    with open(path, "wb") as f:
        f.write(directory + image)


if __name__ == "__main__":
    main(sys.argv[1])
