#!/usr/bin/env python3
"""Checks pictures of Dreieck's icon against the icon itself, pixel by pixel.

    icon_pixels.py files ICO FILE...       PNGs (any size) and SVGs
    icon_pixels.py cardinals ICO SIZE...   xprop's _NET_WM_ICON on stdin, as printed by
                                           xprop -notype -f _NET_WM_ICON 32c '=$0+\\n'

Every picture must be the icon's 16 x 16 art enlarged by nearest neighbour: the pixel
(x, y) of an N x N picture is the art's pixel under its centre, ((2x + 1) * 16 // 2N,
(2y + 1) * 16 // 2N); the same alpha, and where it is not transparent the same colour.
An SVG is drawn by rsvg-convert at 16 and at 256 pixels. The icon and the PNGs are
read by ImageMagick, not by the library that made them. One line per file; the first
pixels that differ are named. Exit code 0 when all match, 1 otherwise.
"""
import subprocess
import sys
import tempfile
import os


def rgba(path):
    """(width, height, [(r, g, b, a)] row by row) of a picture, read by ImageMagick."""
    size = subprocess.run(["identify", "-format", "%w %h\n", path], check=True, capture_output=True, text=True)
    width, height = map(int, size.stdout.split()[:2])
    data = subprocess.run(["convert", path + "[0]", "-depth", "8", "rgba:-"], check=True, capture_output=True).stdout
    if len(data) != width * height * 4:
        raise ValueError("%s: %d bytes of RGBA for %d x %d" % (path, len(data), width, height))
    return width, height, [tuple(data[i:i + 4]) for i in range(0, len(data), 4)]


def expected(art, size):
    n = int(len(art) ** 0.5)
    index = [(2 * i + 1) * n // (2 * size) for i in range(size)]
    return [art[index[y] * n + index[x]] for y in range(size) for x in range(size)]


def differences(name, got, want, size):
    """Lines naming the first few pixels that differ."""
    lines = []
    for i, (g, w) in enumerate(zip(got, want)):
        same = g[3] == w[3] and (w[3] == 0 or g[:3] == w[:3])
        if not same:
            lines.append("  %s (%d, %d): %02x%02x%02x%02x, the icon %02x%02x%02x%02x" % ((name, i % size, i // size) + g + w))
    return len(lines), lines[:5]


def check(name, width, height, pixels, art):
    if width != height:
        print("FAIL: %s is %d x %d, not square" % (name, width, height))
        return False
    count, lines = differences(name, pixels, expected(art, width), width)
    if count:
        print("FAIL: %s (%d x %d): %d pixels differ from the icon" % (name, width, height, count))
        print("\n".join(lines))
        return False
    print("ok: %s (%d x %d) is the icon, pixel for pixel" % (name, width, height))
    return True


def check_files(art, files):
    good = True
    for path in files:
        if path.endswith(".svg"):
            for size in (16, 256):
                with tempfile.TemporaryDirectory() as folder:
                    png = os.path.join(folder, "drawn.png")
                    subprocess.run(["rsvg-convert", "-w", str(size), "-h", str(size), "-o", png, path], check=True)
                    good &= check("%s drawn at %d" % (path, size), *rgba(png), art)
        else:
            good &= check(path, *rgba(path), art)
    return good


def check_cardinals(art, sizes, text):
    """xprop's line: _NET_WM_ICON=W, H, ARGB..., W, H, ARGB..."""
    if "=" not in text:
        print("FAIL: no _NET_WM_ICON: %s" % text.strip()[:200])
        return False
    try:
        values = [int(v) for v in text.split("=", 1)[1].replace(",", " ").split()]
    except ValueError:
        print("FAIL: _NET_WM_ICON is no list of numbers: %s" % text.strip()[:200])
        return False
    found, good, at = [], True, 0
    while at + 2 <= len(values):
        width, height = values[at], values[at + 1]
        pixels = values[at + 2:at + 2 + width * height]
        at += 2 + width * height
        found.append(width)
        if len(pixels) != width * height:
            print("FAIL: _NET_WM_ICON ends inside its %d x %d picture" % (width, height))
            return False
        argb = [((p >> 16) & 255, (p >> 8) & 255, p & 255, (p >> 24) & 255) for p in pixels]
        good &= check("_NET_WM_ICON %d x %d" % (width, height), width, height, argb, art)
    if at != len(values) or found != sizes:
        print("FAIL: _NET_WM_ICON has the sizes %s (%d values), expected %s" % (found, len(values), sizes))
        return False
    return good


def main():
    if len(sys.argv) < 4 or sys.argv[1] not in ("files", "cardinals"):
        print(__doc__.strip().splitlines()[2], file=sys.stderr)
        return 2
    width, height, art = rgba(sys.argv[2])
    if (width, height) != (16, 16):
        print("FAIL: %s is %d x %d, not 16 x 16" % (sys.argv[2], width, height))
        return 1
    if sys.argv[1] == "files":
        good = check_files(art, sys.argv[3:])
    else:
        good = check_cardinals(art, [int(s) for s in sys.argv[3:]], sys.stdin.read())
    return 0 if good else 1


if __name__ == "__main__":
    sys.exit(main())
