#!/usr/bin/env python3
"""Writes res/dreieck.ico: the program's 16 x 16 icon in 16 colours (4 bits per pixel).

A navy triangle with a yellow rim and a red centroid on a transparent ground. The icon
is checked in; run this again only to change it:  tools/make-icon.py [output]
"""
import struct
import sys

SIZE = 16
# The 16 colours of the classic Windows palette, as (red, green, blue).
PALETTE = [
    (0, 0, 0), (128, 0, 0), (0, 128, 0), (128, 128, 0),
    (0, 0, 128), (128, 0, 128), (0, 128, 128), (192, 192, 192),
    (128, 128, 128), (255, 0, 0), (0, 255, 0), (255, 255, 0),
    (0, 0, 255), (255, 0, 255), (0, 255, 255), (255, 255, 255),
]
NAVY, RED, YELLOW = 4, 9, 11
CORNERS = [(0.5, 14.5), (15.5, 14.5), (9.5, 0.5)]  # A, B, C in pixel units, y down


def inside(x, y):
    """Whether the pixel whose centre is (x + 0.5, y + 0.5) lies in the triangle."""
    px, py = x + 0.5, y + 0.5
    signs = []
    for i in range(3):
        (x1, y1), (x2, y2) = CORNERS[i], CORNERS[(i + 1) % 3]
        signs.append((x2 - x1) * (py - y1) - (y2 - y1) * (px - x1))
    return all(s >= 0 for s in signs) or all(s <= 0 for s in signs)


def pixels():
    """Rows top to bottom; None where the ground shows through."""
    rows = [[NAVY if inside(x, y) else None for x in range(SIZE)] for y in range(SIZE)]
    for y in range(SIZE):
        for x in range(SIZE):
            if rows[y][x] is None:
                continue
            for dx, dy in ((1, 0), (-1, 0), (0, 1), (0, -1)):
                nx, ny = x + dx, y + dy
                if not (0 <= nx < SIZE and 0 <= ny < SIZE) or not inside(nx, ny):
                    rows[y][x] = YELLOW
    cx = int(sum(c[0] for c in CORNERS) / 3)
    cy = int(sum(c[1] for c in CORNERS) / 3)
    for x, y in ((cx, cy), (cx + 1, cy), (cx, cy + 1), (cx + 1, cy + 1)):
        rows[y][x] = RED
    return rows


def icon():
    rows = pixels()
    colours = b"".join(struct.pack("<BBBB", b, g, r, 0) for r, g, b in PALETTE)
    xor = b""
    mask = b""
    for row in reversed(rows):  # bitmaps run bottom up
        indices = [0 if p is None else p for p in row]
        xor += bytes((indices[i] << 4) | indices[i + 1] for i in range(0, SIZE, 2))
        bits = 0
        for p in row:
            bits = (bits << 1) | (1 if p is None else 0)
        mask += struct.pack(">H", bits) + b"\0\0"  # each row padded to 4 bytes
    header = struct.pack("<IiiHHIIiiII", 40, SIZE, 2 * SIZE, 1, 4, 0, len(xor) + len(mask), 0, 0, 16, 0)
    image = header + colours + xor + mask
    directory = struct.pack("<HHH", 0, 1, 1)
    entry = struct.pack("<BBBBHHII", SIZE, SIZE, 16, 0, 1, 4, len(image), 6 + 16)
    return directory + entry + image


if __name__ == "__main__":
    out = sys.argv[1] if len(sys.argv) > 1 else "res/dreieck.ico"
    with open(out, "wb") as f:
        f.write(icon())
    for row in pixels():
        print("".join("." if p is None else "%X" % p for p in row))
