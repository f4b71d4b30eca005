#!/usr/bin/python3
"""The browser build draws what the Linux build draws: the probe page's canvas, drawn
by Cairo, FreeType and pixman compiled to WebAssembly, against the same drawing made
natively with the system's libraries (tests/web/probe).

    probe_test.py --site build/web/site --host-build build/host --font FONT --out DIR

Compares, pixel for pixel:
  - the page's canvas (getImageData) with probe_native drawing with the same font file;
  - probe_native with the font file with probe_native asking fontconfig for "Arial",
    as the Linux program selects its labels' face;
  - the page's screenshot (what the browser shows) with the canvas.
DIR gets the pictures (PNG) and, for a difference, where it lies. Exit code 0 when all
agree, 1 when not, 77 (skipped) without a host build.
"""

import argparse
import os
import subprocess
import sys

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
import cdp  # noqa: E402

WIDTH, HEIGHT = 640, 240  # tests/web/probe/probe.h


def png(path, width, height, rgba):
    subprocess.run(["convert", "-size", f"{width}x{height}", "-depth", "8", "rgba:-", path], input=rgba, check=True)


def rgba_of_png(path, width, height):
    """The top-left WIDTH x HEIGHT of a PNG as RGBA bytes."""
    return subprocess.run(["convert", path, "-crop", f"{width}x{height}+0+0", "-depth", "8", "rgba:-"],
                          capture_output=True, check=True).stdout


def difference(a, b, width):
    """None when A and B are the same pixels, else a line saying where they differ."""
    if len(a) != len(b):
        return f"{len(a)} bytes against {len(b)}"
    pixels = [i // 4 for i in range(0, len(a), 4) if a[i:i + 4] != b[i:i + 4]]
    if not pixels:
        return None
    xs = [p % width for p in pixels]
    ys = [p // width for p in pixels]
    worst = max(max(abs(a[p * 4 + c] - b[p * 4 + c]) for c in range(3)) for p in pixels)
    first = pixels[0]
    return (f"{len(pixels)} pixels differ, within x {min(xs)}..{max(xs)}, y {min(ys)}..{max(ys)}, by up to {worst}; "
            f"first ({first % width}, {first // width}): {tuple(a[first * 4:first * 4 + 4])} against "
            f"{tuple(b[first * 4:first * 4 + 4])}")


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("--site", required=True)
    parser.add_argument("--host-build", default="")
    parser.add_argument("--font", required=True)
    parser.add_argument("--out", required=True)
    args = parser.parse_args()
    if not args.host_build:
        print("web-probe: skipped, no host build to compare with (DREIECK_HOST_BUILD)")
        return 77
    native = os.path.join(args.host_build, "tests/web/probe/probe_native")
    if not os.access(native, os.X_OK):
        print(f"web-probe: {native} is missing (cmake --preset host && cmake --build --preset host builds it)")
        return 1
    os.makedirs(args.out, exist_ok=True)

    drawings = {}
    for name, how in (("native-font-file", ["--font", args.font]), ("native-fontconfig", ["--face", "Arial"])):
        raw = os.path.join(args.out, name + ".rgba")
        subprocess.run([native, *how, "--rgba", raw, "--png", os.path.join(args.out, name + ".png")], check=True)
        with open(raw, "rb") as f:
            drawings[name] = f.read()

    with cdp.Site(args.site) as site, cdp.Browser() as browser:
        page = browser.open(site.url("index.html"))
        page.set_viewport(WIDTH, HEIGHT)
        page.wait_for("document.body.dataset.probe")
        state = page.evaluate("document.body.dataset.probe")
        if state != "drawn":
            print(f"web-probe: the page says '{state}': {page.problems()}")
            return 1
        width, height, drawings["page-canvas"] = page.canvas_rgba("#probe")
        page.screenshot(os.path.join(args.out, "page-screenshot.png"))
        problems = page.problems()
    png(os.path.join(args.out, "page-canvas.png"), width, height, drawings["page-canvas"])
    drawings["page-screenshot"] = rgba_of_png(os.path.join(args.out, "page-screenshot.png"), WIDTH, HEIGHT)

    failed = 0
    if (width, height) != (WIDTH, HEIGHT):
        print(f"web-probe: the canvas is {width}x{height}, not {WIDTH}x{HEIGHT}")
        failed += 1
    if problems:
        print("web-probe: the page reported problems:\n  " + "\n  ".join(problems))
        failed += 1
    comparisons = (
        ("the page's canvas", "page-canvas", "the native drawing with the same font file", "native-font-file"),
        ("the native drawing with the font file", "native-font-file", "fontconfig's Arial", "native-fontconfig"),
        ("the page's screenshot", "page-screenshot", "its canvas", "page-canvas"),
    )
    for what, a, against, b in comparisons:
        differs = difference(drawings[a], drawings[b], WIDTH)
        if differs:
            print(f"web-probe: {what} ({a}.png) is not {against} ({b}.png): {differs}")
            failed += 1
        else:
            print(f"web-probe: {what} is {against}, pixel for pixel")
    print(f"web-probe: pictures in {args.out}")
    return 1 if failed else 0


if __name__ == "__main__":
    sys.exit(main())
