#!/usr/bin/env python3
"""Makes Dreieck's icon in the sizes the desktops and the page ask for, from res/dreieck.ico.

    icons.py ICO [--png SIZE FILE]... [--svg FILE] [--cardinals FILE SIZE...]

--png       the 16 x 16 art enlarged to SIZE x SIZE by nearest neighbour (each pixel
            shows the art's pixel under its centre; the ground stays transparent), as PNG
--svg       the art as an SVG of 16 x 16 units: the pixels of each colour as rectangles,
            the runs of a row merged and runs that repeat in the next rows merged into one
            rectangle, so the file stays small
--cardinals the art at each SIZE as C++ for the Linux program's windows: the table
            dreieck::kWindowIcon (frontends/linux/window_icon.h), width, height and 0xAARRGGBB
            pixels for each size, as _NET_WM_ICON carries them

Every file is written beside its place under a temporary name and renamed into place
when it is complete. Pillow (Debian: python3-pil) reads the icon and writes the PNGs.
One line on stderr names what went wrong: exit code 2 for a bad command line or an
icon Pillow cannot read as a square picture, 1 for a file that cannot be written or a
missing Pillow.
"""
import argparse
import os
import sys
import tempfile


def fail(message, code=2):
    print("icons.py: " + message, file=sys.stderr)
    sys.exit(code)


try:
    from PIL import Image
except ImportError:
    fail("Pillow is missing (Debian: python3-pil)", 1)


def read_icon(path):
    """The icon's largest image as rows of (red, green, blue, alpha)."""
    try:
        with Image.open(path) as image:
            image.load()
            art = image.convert("RGBA")
    except (OSError, ValueError, SyntaxError) as error:
        fail("cannot read %s as an icon: %s" % (path, error))
    width, height = art.size
    if width != height or width < 1:
        fail("%s is %d x %d; the icon must be square" % (path, width, height))
    data = list(art.getdata())
    # The ground's colour does not matter where nothing shows: one transparent pixel.
    data = [p if p[3] else (0, 0, 0, 0) for p in data]
    return [data[y * width:(y + 1) * width] for y in range(height)]


def source_index(i, size, art):
    """The art's row or column that pixel i of an enlargement to `size` shows: the one
    under the pixel's centre, (i + 1/2) * art / size, rounded down."""
    return (2 * i + 1) * art // (2 * size)


def enlarged(rows, size):
    n = len(rows)
    index = [source_index(i, size, n) for i in range(size)]
    return [[rows[index[y]][index[x]] for x in range(size)] for y in range(size)]


def write_atomically(path, write):
    """Writes through write(file object) into a temporary file beside `path`, then
    renames it into place; nothing is left of it when writing fails."""
    folder = os.path.dirname(os.path.abspath(path))
    try:
        os.makedirs(folder, exist_ok=True)
        handle, temporary = tempfile.mkstemp(prefix="." + os.path.basename(path) + ".", dir=folder)
    except OSError as error:
        fail("cannot write %s: %s" % (path, error.strerror), 1)
    try:
        with os.fdopen(handle, "wb") as f:
            write(f)
        os.chmod(temporary, 0o644)
        os.replace(temporary, path)
    except BaseException as error:
        os.unlink(temporary)
        if isinstance(error, OSError):
            fail("cannot write %s: %s" % (path, error.strerror), 1)
        raise


def write_png(rows, size, path):
    image = Image.new("RGBA", (size, size))
    image.putdata([p for row in enlarged(rows, size) for p in row])
    write_atomically(path, lambda f: image.save(f, format="PNG"))


def svg_text(rows):
    """The art as rectangles, one path per colour: each run of one colour in a row is a
    rectangle, as tall as the rows below repeat the run."""
    n = len(rows)
    runs = []  # (colour, x, width, y), row by row
    for y, row in enumerate(rows):
        x = 0
        while x < n:
            end = x
            while end < n and row[end] == row[x]:
                end += 1
            if row[x][3]:
                runs.append((row[x], x, end - x, y))
            x = end
    left = set(runs)
    paths = {}  # colour -> rectangles, in the order the colours first appear
    for colour, x, width, y in runs:
        if (colour, x, width, y) not in left:
            continue  # the lower part of a rectangle already written
        height = 1
        while (colour, x, width, y + height) in left:
            left.discard((colour, x, width, y + height))
            height += 1
        paths.setdefault(colour, []).append("M%d %dh%dv%dh-%dz" % (x, y, width, height, width))
    body = []
    for (r, g, b, a), parts in paths.items():
        opacity = "" if a == 255 else ' fill-opacity="%s"' % format(a / 255, ".3g")
        body.append('<path fill="#%02x%02x%02x"%s d="%s"/>' % (r, g, b, opacity, "".join(parts)))
    return ('<svg xmlns="http://www.w3.org/2000/svg" width="%d" height="%d" viewBox="0 0 %d %d" '
            'shape-rendering="crispEdges">\n%s\n</svg>\n' % (n, n, n, n, "\n".join(body)))


def cardinals_text(rows, sizes, source):
    values = []
    for size in sizes:
        values.append("  %d, %d," % (size, size))
        for row in enlarged(rows, size):
            argb = ["0x%08x" % (a << 24 | r << 16 | g << 8 | b) for r, g, b, a in row]
            for i in range(0, size, 8):
                values.append("  " + ", ".join(argb[i:i + 8]) + ",")
    return ("// Written by tools/icons.py from %s at %s pixels; not to be edited.\n"
            "#include \"frontends/linux/window_icon.h\"\n\n"
            "namespace dreieck {\n\n"
            "const uint32_t kWindowIcon[] = {\n%s\n};\n"
            "const size_t kWindowIconLength = sizeof kWindowIcon / sizeof kWindowIcon[0];\n\n"
            "}  // namespace dreieck\n" % (source, ", ".join(map(str, sizes)), "\n".join(values)))


def size_argument(text):
    try:
        size = int(text)
    except ValueError:
        size = 0
    if not 1 <= size <= 4096:
        raise argparse.ArgumentTypeError("a size is 1 to 4096 pixels: %r" % text)
    return size


class Parser(argparse.ArgumentParser):
    def error(self, message):
        self.print_usage(sys.stderr)
        fail(message)


def main():
    parser = Parser(description="Dreieck's icon in other sizes and formats")
    parser.add_argument("icon")
    parser.add_argument("--png", nargs=2, action="append", default=[], metavar=("SIZE", "FILE"))
    parser.add_argument("--svg", metavar="FILE")
    parser.add_argument("--cardinals", nargs="+", metavar=("FILE", "SIZE"))
    args = parser.parse_args()
    pngs = [(size_argument(size), path) for size, path in args.png]
    if args.cardinals is not None and len(args.cardinals) < 2:
        fail("--cardinals names a file and at least one size")
    rows = read_icon(args.icon)
    for size, path in pngs:
        write_png(rows, size, path)
    if args.svg:
        text = svg_text(rows).encode()
        write_atomically(args.svg, lambda f: f.write(text))
    if args.cardinals:
        path, sizes = args.cardinals[0], [size_argument(s) for s in args.cardinals[1:]]
        text = cardinals_text(rows, sizes, os.path.basename(args.icon)).encode()
        write_atomically(path, lambda f: f.write(text))


if __name__ == "__main__":
    try:
        main()
    except argparse.ArgumentTypeError as error:
        fail(str(error))
