#!/usr/bin/env python3
"""Writes Quarvel's application icon (32x32, 32-bit) as an .ico file: a
receipt with printed lines, drawn in code so the repository holds no binary."""
import struct
import sys

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


def main(path):
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
