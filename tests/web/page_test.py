#!/usr/bin/python3
"""The page in headless Chromium (cdp.py), against the host build's dreieck.

    page_test.py TEST --site build/web/site --host-build build/host --out DIR

TEST is one of:
  cycle     each tick of a cycle on the page equals `dreieck --frames` of the same
            second, size and options, in every pixel (the address's time, scale,
            background, constructions, size, triangle and step)
  page      the page loads only its own files, the whole site within 1 MB gzipped, with
            no error; its words are those docs/page.md lists; a bad parameter shows its
            German line and the cycle runs with the defaults (what dreieck refuses
            together too, and a %00); every option the command line takes is taken by
            the address; ?help in German; from a file it names dreieck.html
  settings  the program's own settings dialog on the page: its controls, the dialog
            manager's rules, OK starting the saver again with what it stored (against
            dreieck --frames), kept over a reload, Escape keeping nothing, the address's
            settings holding for the visit only and giving way to OK; a panel the
            browser closes itself cancelled; two tabs: the panel shows what the other
            kept, the saver takes it at its next cycle; Start, f, a click and Escape
            enter and leave full screen
  controls  the page by keyboard alone, a button the keyboard is on staying when the
            rest goes; the canvas's name; the pointer over the open panel; lines that
            stay until closed; no buttons where nothing can work; the buttons three
            seconds after the first picture of a slow load
  explore   the explorer, by the address and by its button: corners dragged with the
            mouse and by touch, onto each other, onto a line and off the canvas, steps
            and switches, each picture against `dreieck --picture` of its corners and
            step; S's downloads against the canvas and --picture's SVG; Escape back to the screensaver;
            a redraw's cost at 1920x1080 while a corner is dragged
  idle      between ticks at 500 ms no task runs on the page over 30 s; the figures
            side by side: the site's and dreieck.html's sizes, the first picture served
            and from a file, a tick at 1920x1080 device pixels at 150 % against the
            native tick (dreieck_bench, when the host build has it)
  screens   at 801x601 @1.5, 1001x701 @1.5, 1366x768 @1.25 and 1280x800 @1.75, by
            DevTools' emulation alone and in a browser of that device scale factor: the
            screenshot is the canvas pixel for pixel, nothing over it after 5 s without
            the pointer moving, the buttons back at a movement; each tick equals
            `dreieck --frames` of that device size; a new ratio taken at the next tick;
            a corner dragged at 1.5;
            the explorer full screen (f) draws `dreieck --picture` of the screen's size
  edges     the explorer at its edges: the line of keys legible on every shade; the
            pointer's shapes 8 and 9 px from a corner, pressed and released; a held
            arrow key, digit and S; a drag off the canvas followed while held;
            ?scale=2 and ?size= in the explorer; S at once after a
            movement; a window resized in one direction, then the other (the
            screensaver's too); Explore after ?step=3 and while the caption shows
            (with and without ?time=); on a clock standing still in Kiritimati,
            ?explore's and ?explore&time='s triangles, two Spaces within a second,
            three saves' names
  single    dreieck.html opened from a file: every tick of a cycle equals
            `dreieck --frames`; the settings kept over a reload; Explore and Save
  offline   the site's manifest and icons, the service worker active, the page drawing
            the same with the server unreachable, a site changed in a file of the same
            size shown at the next visit
            and kept instead of the old one; the app's start address is the screensaver
DIR gets the pictures of a difference. Exit code 0 passed, 1 failed, 77 skipped (no
host build to compare with).
"""

import argparse
import base64
import glob
import gzip
import hashlib
import json
import os
import re
import shutil
import subprocess
import sys
import tempfile
import time
import urllib.parse

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
import cdp  # noqa: E402

SECOND = "2021-03-04T05:06:07Z"
DEFAULTS = {"flags": [1] * 7, "background": 4, "interval": 2000}
SOURCE = os.path.abspath(os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", ".."))
SITE_BUILD = os.path.join(SOURCE, "frontends", "page", "site_build.py")
ICONS = {"icons/dreieck-192.png": 192, "icons/dreieck-512.png": 512}


class Test:
    def __init__(self, args):
        self.args = args
        self.dreieck = os.path.join(args.host_build, "dreieck")
        self.failures = []

    def check(self, ok, message):
        if not ok:
            self.failures.append(message)
            print(f"FAIL: {message}", flush=True)
        return ok

    def open(self, browser, site, query, size=(1024, 768), record=False, page=None):
        """A tab of SIZE (width, height and device scale factor) showing index.html?QUERY
        of SITE, or the address SITE when it is a string, its problems so far forgotten."""
        if page is None:
            page = browser.open("about:blank")
            if record:
                page.before_scripts("window.dreieckRecord = true;")
        page.set_viewport(*size)
        page.forget_problems()
        address = site.url("index.html") if isinstance(site, cdp.Site) else site
        page.navigate(address + ("?" + query if query else ""))
        page.wait_for("dreieck.state !== 'loading'")
        return page

    def frames(self, options):
        """The RGBA pixels of each tick of `dreieck --frames` with OPTIONS."""
        with tempfile.TemporaryDirectory() as folder:
            subprocess.run([self.dreieck, "--frames", folder, *options], check=True, capture_output=True)
            return [rgba_of_png(path) for path in sorted(glob.glob(os.path.join(folder, "tick-*.png")))]

    def png(self, name, width, height, rgba):
        os.makedirs(self.args.out, exist_ok=True)
        path = os.path.join(self.args.out, name)
        subprocess.run(["convert", "-size", f"{width}x{height}", "-depth", "8", "rgba:-", path], input=rgba,
                       check=True)
        return path


def rgba_of_png(path):
    return subprocess.run(["convert", path, "-depth", "8", "rgba:-"], capture_output=True, check=True).stdout


def screenshot_rgba(page, path=None):
    """(width, height, RGBA rows) of a screenshot of the page (also written to PATH)."""
    png = page.screenshot(path)
    size = subprocess.run(["identify", "-format", "%w %h", "png:-"], input=png, capture_output=True, check=True)
    width, height = map(int, size.stdout.split())
    rgba = subprocess.run(["convert", "png:-", "-depth", "8", "rgba:-"], input=png, capture_output=True, check=True)
    return width, height, rgba.stdout


def site_files(folder):
    """Every file of the site, as its address's path."""
    return sorted("/" + os.path.relpath(os.path.join(top, name), folder)
                  for top, _, names in os.walk(folder) for name in names)


def sha256(data):
    return hashlib.sha256(data).hexdigest()


def difference(a, b, width):
    """Where the RGBA pixels A and B differ, in one line."""
    if len(a) != len(b):
        return f"{len(a) // 4} pixels against {len(b) // 4}"
    pixels = [i // 4 for i in range(0, len(a), 4) if a[i:i + 4] != b[i:i + 4]]
    xs, ys = [p % width for p in pixels], [p // width for p in pixels]
    first = pixels[0]
    return (f"{len(pixels)} pixels differ within x {min(xs)}..{max(xs)}, y {min(ys)}..{max(ys)}; first "
            f"({first % width}, {first // width}): {tuple(a[first * 4:first * 4 + 4])} on the page against "
            f"{tuple(b[first * 4:first * 4 + 4])}")


def recorded(page):
    """The ticks the page kept (dreieckRecord), once each has its digest."""
    page.wait_for("dreieck.recorded.every(e => e.digest)")
    return page.evaluate("dreieck.recorded.map(({pixels, ...entry}) => entry)")


def recorded_rgba(page, index):
    return base64.b64decode(page.evaluate(f"""(() => {{
        const data = dreieck.recorded[{index}].pixels.data;
        let text = '';
        for (let i = 0; i < data.length; i += 0x8000) text += String.fromCharCode.apply(null, data.subarray(i, i + 0x8000));
        return btoa(text);
    }})()"""))


def compare_ticks(test, page, entries, frames, what, first=0):
    """Each kept tick from FIRST on against the frame of its place in the cycle."""
    for k, frame in enumerate(frames):
        entry = entries[first + k]
        if sha256(frame) == entry["digest"]:
            continue
        rgba = recorded_rgba(page, first + k)
        name = re.sub(r"[^a-z0-9]+", "-", what.lower())
        test.png(f"{name}-tick-{k:02d}-page.png", entry["width"], entry["height"], rgba)
        test.check(False, f"{what}: tick {k} (step {entry['started']} to {entry['step']}) differs from tick-{k:02d}.png: "
                          f"{difference(rgba, frame, entry['width'])} (pictures in {test.args.out})")


# ---- cycle ----

# What the page is asked for in a window of what size, the same for dreieck --frames,
# the canvas that makes, and how many of the cycle's ticks come (None: all of them).
CYCLES = [
    ("1024x768", (1024, 768), f"time={SECOND}", ["--size", "1024x768", "--time", SECOND], (1024, 768), None),
    ("731x517, the time with a blank", (731, 517), "time=2019-11-23+17:45:01",
     ["--size", "731x517", "--time", "2019-11-23 17:45:01"], (731, 517), None),
    ("scale 2, white, no incircle", (512, 385), "scale=2&background=white&no-incircle&time=2024-02-29T23:59:59Z",
     ["--size", "256x192", "--scale", "2", "--background", "white", "--no-incircle", "--time",
      "2024-02-29T23:59:59Z"], (512, 384), None),
    ("size and corners given, no medians", (800, 600), "size=640x480&triangle=100,400,500,420,260,80&no-medians",
     ["--size", "640x480", "--triangle", "100,400,500,420,260,80", "--no-medians"], (640, 480), None),
    ("held after step 3", (640, 480), f"time={SECOND}&step=3", ["--size", "640x480", "--time", SECOND],
     (640, 480), 4),
    ("a tiny triangle: dashed circles a few pixels wide", (160, 120), "size=160x120&triangle=0,0,2,0,0,2",
     ["--size", "160x120", "--triangle", "0,0,2,0,0,2"], (160, 120), None),
    ("larger than 7680x4320: put in bands", (800, 600), f"size=7681x4320&time={SECOND}&step=1",
     ["--size", "7681x4320", "--time", SECOND], (7681, 4320), 2),
]


def test_cycle(test, site, browser):
    page = None
    for what, window, query, options, canvas, held in CYCLES:
        frames = test.frames(options)[:held]
        page = test.open(browser, site, f"interval=500&{query}", window, record=True, page=page)
        page.wait_for("dreieck.recorded.some(e => e.step === 0 || e.held)", timeout=20)
        if held:
            timeouts = page.evaluate("dreieck.timeouts")
            page.pump(1.6)  # three intervals
            test.check(page.evaluate("[dreieck.ticks, dreieck.timeouts]") == [held, timeouts],
                       f"{what}: ticks and timeouts went on to {page.evaluate('[dreieck.ticks, dreieck.timeouts]')}"
                       f" after the picture held, not [{held}, {timeouts}]")
        entries = recorded(page)
        sizes = sorted({(e["width"], e["height"]) for e in entries})
        test.check(sizes == [canvas], f"{what}: the canvas was {sizes}, not {canvas}")
        ends = [i + 1 for i, e in enumerate(entries) if e["step"] == 0 or e["held"]]
        test.check(ends[:1] == [len(frames)],
                   f"{what}: the page's cycle was {ends[:1]} ticks, dreieck --frames wrote {len(frames)}")
        if sizes == [canvas]:
            compare_ticks(test, page, entries, frames[:len(entries)], what)
        test.check(not page.problems(), f"{what}: the page reported {page.problems()}")
        print(f"cycle: {what}: {len(frames)} ticks compared", flush=True)


# ---- page ----

# Bad addresses and the line each shows: the option table's, in the page's words; what
# dreieck refuses together the page refuses too; a zero byte (%00) is no end.
BAD = [
    ("interval=20&no-excircles", "falscher Wert für interval: '20' (500 bis 5000 Millisekunden)"),
    ("bogus=%31", "unbekannter Parameter 'bogus=%31'"),
    ("no-excircles=1", "no-excircles nimmt keinen Wert"),
    ("time=2021-02-29+12:00:00", "falscher Wert für time: '2021-02-29 12:00:00' (JJJJ-MM-TT HH:MM:SS oder "
                                 "JJJJ-MM-TTTHH:MM:SSZ, UTC, ab 1970)"),
    (f"time={SECOND}&triangle=1,2,3,4,5,6", "time und triangle gehen nicht zusammen"),
    ("explore&interval=600", "interval geht nicht zusammen mit explore: das Erkunden hat keine Takte"),
    ("picture=x.png&interval=600", "interval geht nicht zusammen mit picture: ein Bild hat keine Zeit zwischen Takten"),
    ("frames=x&interval=600", "interval geht nicht zusammen mit frames: ein Bild hat keine Zeit zwischen Takten"),
    ("interval=600%00abc", "falscher Wert für interval: '600\\x00abc' (500 bis 5000 Millisekunden)"),
    ("background=white%00", "falscher Wert für background: 'white\\x00' (white, light-grey, grey, dark-grey oder "
                            "black)"),
    ("no-excircles%00xyz", "unbekannter Parameter 'no-excircles%00xyz'"),
]
BAD_TAIL = " (die Seite läuft ohne die Parameter der Adresse)"

# Every option of the command line, with a value where it takes one: the command line
# takes each (before --version, which ends the reading), and so does the address.
OPTIONS = {
    "fullscreen": None, "saver": None, "root": None, "window-id": "0x400008", "picture": "a.png", "frames": "cycle",
    "medians": None, "no-medians": None, "incircle": None, "no-incircle": None, "circumcircle": None,
    "no-circumcircle": None, "altitudes": None, "no-altitudes": None, "nine-point-circle": None,
    "no-nine-point-circle": None, "euler-line": None, "no-euler-line": None, "excircles": None,
    "no-excircles": None, "background": "light-grey", "interval": "5000", "size": "640x480", "time": SECOND,
    "triangle": "1,2,3,4,5,6", "step": "10", "scale": "4", "help": None, "version": None, "explore": None,
}
def site_size(folder):
    """The site's files gzip -9, in bytes: {path: size}."""
    return {path: len(gzip.compress(open(os.path.join(folder, path[1:]), "rb").read(), 9))
            for path in site_files(folder)}


def page_words():
    """The page's own words as docs/page.md lists them: {(element id, "text" or
    "title"): words}, from its table's rows | `#id` | text | title | ... |."""
    words = {}
    with open(os.path.join(SOURCE, "docs", "page.md"), encoding="utf-8") as f:
        for line in f:
            cells = [cell.strip() for cell in line.strip().strip("|").split("|")]
            if len(cells) >= 3 and re.fullmatch(r"`#[a-z-]+`", cells[0]):
                for kind, text in (("text", cells[1]), ("title", cells[2])):
                    if text != "—":
                        words[(cells[0].strip("`#"), kind)] = text
    return words


def test_page(test, site, browser):
    page = test.open(browser, site, "")
    page.wait_for("dreieck.ticks >= 1", timeout=10)
    state = page.evaluate("[dreieck.state, dreieck.message, dreieck.settings]")
    test.check(state == ["running", "", DEFAULTS], f"a plain visit: {state}, not running with the defaults")
    # Its worker keeps every file of the site: once it controls the page, each was asked
    # for (the folder too), and nothing else.
    page.wait_for("navigator.serviceWorker.controller !== null", timeout=15)
    test.check(not page.problems(), f"a plain visit reported {page.problems()}")
    asked = sorted({path for path, status in site.requests})
    files = site_files(site.folder)
    test.check(asked == sorted(files + ["/"]), f"the page asked for {asked}, not {sorted(files + ['/'])}")
    # (The browser may ask for an icon again, for its own install check: "not modified".)
    test.check(all(status in (200, 304) for path, status in site.requests), f"answers: {site.requests}")
    sizes = site_size(site.folder)
    total = sum(sizes.values())
    print(f"page: the site, gzip -9: {total} bytes ({', '.join(f'{p[1:]} {n}' for p, n in sizes.items())})")
    test.check(total <= 1000000, f"the site is {total} bytes gzipped, more than 1 MB")

    # Its words: German, and what docs/page.md lists.
    words = page_words()
    shown = {}
    for (ident, kind) in words:
        shown[(ident, kind)] = page.evaluate(f"(e => e && (e.{'textContent' if kind == 'text' else 'title'} || '')"
                                             f".trim().replace(/\\s+/g, ' '))(document.getElementById('{ident}'))")
    test.check(len(words) == 11 and shown == words,
               f"the page's words differ from docs/page.md: {[(k, shown[k], words[k]) for k in words if shown[k] != words[k]]}")
    test.check(page.evaluate("document.documentElement.lang") == "de", "the page is not lang=de")

    for query, line in BAD:
        test.open(browser, site, query, page=page)
        page.wait_for("dreieck.ticks >= 1 || dreieck.exploring", timeout=10)
        shown = page.evaluate("[dreieck.message, dreieck.messageIsError, dreieck.settings]")
        test.check(shown == [line + BAD_TAIL, True, DEFAULTS],
                   f"?{query}: the page shows {shown}, not {[line + BAD_TAIL, True, DEFAULTS]}")
        test.check(page.evaluate("getComputedStyle(document.getElementById('message')).display") != "none",
                   f"?{query}: the line is not shown")

    usage = subprocess.run([test.dreieck, "--help"], capture_output=True, text=True, check=True).stdout
    listed = set()
    for name in re.findall(r"^  --(\[no-\])?([a-z-]+)", usage, re.M):
        listed |= {name[1], "no-" + name[1]} if name[0] else {name[1]}
    test.check(listed == set(OPTIONS), f"dreieck --help lists {sorted(listed ^ set(OPTIONS))} beyond the table")
    for name, value in OPTIONS.items():
        line = subprocess.run([test.dreieck, f"--{name}", *([value] if value else []), "--version"],
                              capture_output=True, text=True)
        test.check(line.returncode == 0, f"dreieck --{name} {value or ''}: {line.returncode} {line.stderr.strip()}")
        test.open(browser, site, name + (f"={value}" if value else ""), page=page)
        shown = page.evaluate("[dreieck.state, dreieck.messageIsError, dreieck.message.split('\\n')[0]]")
        expected = {"help": "Die Adresse nimmt diese Optionen bei ihren Namen, ohne Striche, z. B.",
                    "version": "dreieck 1.0.0.1"}.get(name, "")
        test.check(shown == ["running", False, expected], f"?{name}: the page says {shown}")
        # The address's options in the page's words, each as the address takes it.
        usage = "\n  interval=MS             Millisekunden zwischen zwei Takten, 500 bis 5000\n"
        if name == "help" and usage not in page.evaluate("dreieck.message"):
            test.check(False, f"?help does not list {usage.strip()!r}: {page.evaluate('dreieck.message')[:300]!r}")

    # A trap after the program resumed from a wait stops it as one at its start does.
    test.open(browser, site, "", page=page)
    page.evaluate("setTimeout(() => { throw new WebAssembly.RuntimeError('unreachable'); })")
    page.wait_for("dreieck.state !== 'running'", timeout=5)
    shown = page.evaluate("[dreieck.state, dreieck.message]")
    test.check(shown == ["failed", "Das Programm wurde angehalten: unreachable"], f"after a trap the page says {shown}")

    # A window too large for an image says so, and the page runs on.
    test.open(browser, site, "size=16384x100&scale=4", page=page)
    page.wait_for("dreieck.message !== ''", timeout=10)
    shown = page.evaluate("[dreieck.state, dreieck.message, dreieck.messageIsError]")
    test.check(shown == ["running", "Für das Fenster lässt sich kein Bild anlegen (breiter oder höher als 32767 "
                                    "Pixel); bis es kleiner ist, wird nichts gezeichnet.", True],
               f"?size=16384x100&scale=4: the page says {shown}")

    page.navigate("file://" + os.path.abspath(os.path.join(site.folder, "index.html")))
    shown = page.evaluate("[dreieck.state, dreieck.message]")
    test.check(shown[0] == "file" and "dreieck.html" in shown[1], f"opened from a file the page says {shown}")


# ---- settings ----

def click(page, selector):
    """A real mouse click in the middle of the element, the pointer moved there first
    (which brings back the buttons if they had gone)."""
    box = page.evaluate(f"(r => [r.x + r.width / 2, r.y + r.height / 2])"
                        f"(document.querySelector({json.dumps(selector)}).getBoundingClientRect())")
    page.mouse("mouseMoved", *box)
    page.click(*box)


# The settings dialog's controls in its template's order, as the page draws them from
# the program's dialog: OK, Cancel, six constructions, two group boxes, black, dark
# grey, white, grey, light grey, the label, the interval, the excircles, the caption.
DIALOG_TYPES = ["default", "button"] + ["check"] * 6 + ["group", "group"] + ["radio"] * 5 + \
    ["text", "scrollbar", "check", "text-right"]
DIALOG_STATE_JS = ("[...document.querySelectorAll('#settings input')].map(i => i.type === 'range' ? Number(i.value) "
                   ": i.checked)")
KEPT_JS = "JSON.parse(localStorage.getItem('dreieck.settings') || 'null')"


def dialog_state(page):
    """What the dialog's inputs show: the check boxes and radio buttons, the interval."""
    return page.evaluate(DIALOG_STATE_JS)


def open_dialog(page):
    click(page, "#open-settings")
    page.wait_for("document.getElementById('settings').open", timeout=5)


def drop_thumb(page, position):
    """The interval's thumb dragged and dropped at `position`."""
    page.evaluate(f"(r => {{ r.value = {position}; r.dispatchEvent(new Event('change')); }})"
                  "(document.querySelector('#settings input[type=range]'))")


def test_settings(test, site, browser):
    query = f"interval=500&time={SECOND}"
    page = test.open(browser, site, query, record=True)
    page.wait_for("dreieck.ticks >= 2", timeout=10)
    # The program's own dialog, as its template lays it out, showing what runs.
    open_dialog(page)
    before = page.evaluate("dreieck.ticks")
    types = page.evaluate("[...document.querySelectorAll('#settings .controls > *')].map(e => e.dataset.type)")
    test.check(types == DIALOG_TYPES, f"the dialog's controls are {types}, not {DIALOG_TYPES}")
    shown = [True] * 6 + [True, False, False, False, False, 500, True]
    test.check(dialog_state(page) == shown, f"the dialog opens showing {dialog_state(page)}, not {shown}")
    # Medians off, white (the radio group is the dialog manager's: black goes), the
    # thumb dropped at 600; OK. Each real click shows at once what it did.
    for selector, shown in [("1000", [False] + [True] * 5 + [True, False, False, False, False, 500, True]),
                            ("1008", [False] + [True] * 5 + [False, False, True, False, False, 500, True])]:
        click(page, f"#settings input[data-id='{selector}']")
        page.pump(0.3)
        test.check(dialog_state(page) == shown, f"a click on {selector} shows {dialog_state(page)}, not {shown}")
    drop_thumb(page, 600)
    page.wait_for("document.querySelector('#settings input[data-id=\"1006\"]').checked === false", timeout=5)
    shown = [False] + [True] * 5 + [False, False, True, False, False, 600, True]
    test.check(dialog_state(page) == shown, f"after the clicks the dialog shows {dialog_state(page)}, not {shown}")
    click(page, "#settings button[data-id='1']")
    page.wait_for("!document.getElementById('settings').open && dreieck.runs === 2", timeout=10)
    stored = {"flags": [0, 1, 1, 1, 1, 1, 1], "background": 0, "interval": 600}
    test.check(page.evaluate("dreieck.settings") == stored, f"after OK: {page.evaluate('dreieck.settings')}")
    kept = {"Schwerlinien": 0, "Inkreis": 1, "Umkreis": 1, "Hoehenlinien": 1, "Feuerbachkreis": 1,
            "Eulersche Gerade": 1, "Ankreise": 1, "Hintergrundfarbe": 0, "Geschwindigkeit": 600}
    test.check(page.evaluate(KEPT_JS) == kept, f"the browser keeps {page.evaluate(KEPT_JS)}, not {kept}")
    # The saver starts again at once with them, as Windows starts its preview again.
    new = test.frames(["--size", "1024x768", "--time", SECOND, "--no-medians", "--background", "white"])
    page.wait_for(f"dreieck.recorded.length >= {before + len(new)}", timeout=20)
    compare_ticks(test, page, recorded(page), new, "the cycle after the dialog's OK", first=before)

    # A reload keeps them, and the dialog shows them; Escape cancels, keeping nothing.
    panel = [False] + [True] * 5 + [False, False, True, False, False, 600, True]
    for address, expected, shown in [
            ("", stored, panel),
            ("background=grey&no-excircles", {**stored, "background": 2, "flags": [0] + [1] * 5 + [0]},
             [False] + [True] * 5 + [False, False, False, True, False, 600, False]),
            ("", stored, panel)]:
        test.open(browser, site, address, page=page)
        page.wait_for("dreieck.state === 'running' && dreieck.ticks >= 1", timeout=10)
        test.check(page.evaluate("dreieck.settings") == expected,
                   f"?{address}: the program runs with {page.evaluate('dreieck.settings')}, not {expected}")
        open_dialog(page)
        test.check(dialog_state(page) == shown, f"?{address}: the dialog shows {dialog_state(page)}, not {shown}")
        click(page, "#settings input[data-id='1003']")
        page.key("Escape", key_code=27)
        page.wait_for("!document.getElementById('settings').open && dreieck.runs === 2", timeout=10)
        test.check(page.evaluate("dreieck.settings") == expected,
                   f"?{address}: after Escape it runs with {page.evaluate('dreieck.settings')}, not {expected}")
    test.check(page.evaluate(KEPT_JS) == kept, f"Escape changed what the browser keeps: {page.evaluate(KEPT_JS)}")

    # After OK, what the dialog stored holds over the address's settings: the excircles
    # switched on and black chosen over ?background=grey&no-excircles.
    test.open(browser, site, "background=grey&no-excircles", page=page)
    page.wait_for("dreieck.state === 'running' && dreieck.ticks >= 1", timeout=10)
    open_dialog(page)
    click(page, "#settings input[data-id='1011']")
    click(page, "#settings input[data-id='1006']")
    page.wait_for("document.querySelector('#settings input[data-id=\"1011\"]').checked", timeout=5)
    click(page, "#settings button[data-id='1']")
    page.wait_for("!document.getElementById('settings').open && dreieck.runs === 2", timeout=10)
    expected = {**stored, "background": 4}
    test.check(page.evaluate("dreieck.settings") == expected,
               f"OK over ?background=grey&no-excircles: the program runs with {page.evaluate('dreieck.settings')}, "
               f"not {expected}")

    # Enter on the focused Cancel is Cancel, not the default button.
    test.open(browser, site, "", page=page)
    page.wait_for("dreieck.state === 'running' && dreieck.ticks >= 1", timeout=10)
    kept = page.evaluate(KEPT_JS)
    open_dialog(page)
    click(page, "#settings input[data-id='1003']")
    page.evaluate("document.querySelector('#settings button[data-id=\"2\"]').focus()")
    page.key("Enter", key_code=13, text="\r")
    page.wait_for("!document.getElementById('settings').open && dreieck.runs === 2", timeout=10)
    test.check(page.evaluate(KEPT_JS) == kept, f"Enter on Cancel kept {page.evaluate(KEPT_JS)}")

    # Settings pressed before the first tick (at 5000 ms) opens the dialog all the same.
    page.navigate(site.url("index.html?interval=5000"))  # (test.open would wait for the first tick)
    page.wait_for("dreieck.where !== null", timeout=10)
    click(page, "#open-settings")
    page.wait_for("document.getElementById('settings').open", timeout=5)
    test.check(page.evaluate("dreieck.ticks") == 0, "the dialog came only after a tick")
    page.key("Escape", key_code=27)
    page.wait_for("!document.getElementById('settings').open", timeout=5)

    # Values the dialog cannot show, kept by an older page or by hand: a shade beyond
    # the five checks no radio button and OK keeps it; an interval below the range
    # opens at 500 and OK stores 500 (the scroll bar's own rule).
    # (A name with a line break is no value name: it smuggles no setting in.)
    page.evaluate("localStorage.setItem('dreieck.settings', JSON.stringify({Hintergrundfarbe: 7, "
                  "Geschwindigkeit: 100, 'Schwerlinien\\n0\\nInkreis': 0}))")
    test.open(browser, site, "", page=page)
    page.wait_for("dreieck.state === 'running' && dreieck.ticks >= 1", timeout=10)
    open_dialog(page)
    shown = [True] * 6 + [False] * 5 + [500, True]
    test.check(dialog_state(page) == shown, f"a kept shade 7 and interval 100 show {dialog_state(page)}, not {shown}")
    page.key("Enter", key_code=13, text="\r")  # on OK, where the dialog puts the focus
    page.wait_for("!document.getElementById('settings').open && dreieck.runs === 2", timeout=10)
    kept = {"Schwerlinien": 1, "Inkreis": 1, "Umkreis": 1, "Hoehenlinien": 1, "Feuerbachkreis": 1,
            "Eulersche Gerade": 1, "Ankreise": 1, "Hintergrundfarbe": 7, "Geschwindigkeit": 500}
    test.check(page.evaluate(KEPT_JS) == kept, f"Enter (OK) kept {page.evaluate(KEPT_JS)}, not {kept}")
    page.evaluate("localStorage.removeItem('dreieck.settings')")

    # A panel the browser closes itself (at a second Escape with no click between, as
    # Chromium does) is the program's Cancel: nothing kept, the saver again, and the
    # panel opens again.
    test.open(browser, site, "", page=page)
    page.wait_for("dreieck.state === 'running' && dreieck.ticks >= 1", timeout=10)
    open_dialog(page)
    click(page, "#settings input[data-id='1000']")
    page.evaluate("document.getElementById('settings').close()")
    closed = holds(page, "dreieck.runs === 2", 5)
    test.check(closed and page.evaluate(KEPT_JS) is None,
               f"the panel closed by the browser: runs {page.evaluate('dreieck.runs')}, kept "
               f"{page.evaluate(KEPT_JS)}; not 2 and nothing")
    if closed:
        open_dialog(page)
        page.key("Escape", key_code=27)
        test.check(holds(page, "dreieck.runs === 3", 5), "the panel did not close again after it opened again")

    # Two tabs: what one's panel stores the other's panel shows when it opens, and the
    # other's saver takes it at its next cycle (the last one whole).
    other = test.open(browser, site, f"interval=500&time={SECOND}", record=True)
    other.wait_for("dreieck.ticks >= 3", timeout=10)
    page.send("Page.bringToFront")
    for box, kept in (("1000", {"Schwerlinien": 0}), ("1001", {"Schwerlinien": 0, "Inkreis": 0})):
        open_dialog(page)
        click(page, f"#settings input[data-id='{box}']")
        click(page, "#settings button[data-id='1']")
        page.wait_for("!document.getElementById('settings').open", timeout=5)
        stored = {name: page.evaluate(KEPT_JS)[name] for name in kept}
        test.check(stored == kept, f"the first tab kept {stored}, not {kept}")
        if box != "1000":
            break
        other.send("Page.bringToFront")
        if not holds(other, "dreieck.runs === 2", 20):
            test.check(False, f"the other tab's saver did not take what the first kept: {other.evaluate('dreieck.settings')}")
            break
        entries = recorded(other)
        first = [e for e in entries if e["run"] == 1]
        test.check(first[-1]["step"] == 0 and len(first) % 11 == 0,
                   f"the other tab took it after {len(first)} ticks, at step {first[-1]['step']}: not after whole cycles")
        test.check(other.evaluate("dreieck.settings") == {**DEFAULTS, "flags": [0] + [1] * 6, "interval": 500},
                   f"the other tab runs with {other.evaluate('dreieck.settings')}")
        new = test.frames(["--size", "1024x768", "--time", SECOND, "--no-medians"])
        other.wait_for(f"dreieck.recorded.length >= {len(first) + len(new)}", timeout=20)
        compare_ticks(test, other, recorded(other), new, "the other tab's next cycle", first=len(first))
        page.send("Page.bringToFront")
    other.send("Page.bringToFront")
    open_dialog(other)
    shown = [False, False] + [True] * 4 + [True, False, False, False, False, 500, True]
    test.check(dialog_state(other) == shown, f"the other tab's panel shows {dialog_state(other)}, not what the first "
                                             f"kept last: {shown}")
    other.key("Escape", key_code=27)
    page.evaluate("localStorage.removeItem('dreieck.settings')")
    page.send("Page.bringToFront")

    # Full screen: Start, then Escape; f, then a click.
    fullscreen = "document.fullscreenElement !== null"
    for enter, leave in [("Start", "Escape"), ("f", "a click")]:
        if enter == "Start":
            click(page, "#start")
        else:
            page.key("f", code="KeyF", key_code=70, text="f")
        # The page's own fullscreenchange handler runs after fullscreenElement is set.
        page.wait_for(f"{fullscreen} && document.body.className !== ''", timeout=5)
        looks = page.evaluate("[document.body.className, getComputedStyle(document.getElementById('screen')).cursor,"
                              " getComputedStyle(document.getElementById('bar')).display]")
        test.check(looks == ["saving", "none", "none"], f"{enter}: full screen looks like {looks}")
        if leave == "Escape":
            page.key("Escape", key_code=27)
        else:
            page.click(300, 300)
        page.wait_for(f"!({fullscreen}) && document.body.className === ''", timeout=5)
    test.check(not page.problems(), f"the page reported {page.problems()}")


# ---- explore ----

CORNERS = [[100, 400], [500, 420], [260, 80]]
KEYS = {"ArrowRight": ("ArrowRight", 39, None), "ArrowLeft": ("ArrowLeft", 37, None), "3": ("Digit3", 51, "3"),
        "s": ("KeyS", 83, "s"), "Escape": ("Escape", 27, None)}
# What is done in turn to the explorer opened on CORNERS in 640x480, and what
# `dreieck --picture` then draws the same: a drag (corner, pointer pressed at, released
# at, by mouse or touch) moves the corner by the pointer's way; a key.
EXPLORE = [
    ("A dragged by mouse", ("mouse", 0, (100, 400), (150, 380)), []),
    ("B dragged by touch", ("touch", 1, (500, 420), (560, 300)), []),
    ("C taken 5 px off and dragged", ("mouse", 2, (265, 84), (300, 40)), []),
    ("Right: from step 7 round to 0", "ArrowRight", ["--step", "0"]),
    ("Right: step 1", "ArrowRight", ["--step", "1"]),
    ("Left: back round to 7", "ArrowLeft", ["--step", "0"]),
    ("3: the circumcircle off", "3", ["--step", "0", "--no-circumcircle"]),
    ("Left: the last step, with the circumcircle off", "ArrowLeft", ["--step", "7", "--no-circumcircle"]),
    ("A onto B", ("mouse", 0, None, "B"), ["--step", "7", "--no-circumcircle"]),
    ("C onto the line through A and B", ("mouse", 2, None, (620, 220)), ["--step", "7", "--no-circumcircle"]),
    ("A off the canvas", ("mouse", 0, None, (-40, 700)), ["--step", "7", "--no-circumcircle"]),
]


def settle(page):
    """Until the explorer has drawn everything the input asked for (no picture for 0.2 s)."""
    count = -1
    while count != page.evaluate("dreieck.explored.length"):
        count = page.evaluate("dreieck.explored.length")
        page.pump(0.2)


def drag(page, how, start, end, steps=8):
    (x0, y0), (x1, y1) = start, end
    path = [(x0 + (x1 - x0) * i // steps, y0 + (y1 - y0) * i // steps) for i in range(1, steps + 1)]
    if how == "touch":
        page.touch("touchStart", [start])
        for point in path:
            page.touch("touchMove", [point])
        page.touch("touchEnd", [])
    else:
        page.mouse("mousePressed", *start, buttons=1)
        for point in path:
            page.mouse("mouseMoved", *point, buttons=1)
        page.mouse("mouseReleased", *end)


def picture_rgba(test, options):
    """The RGBA pixels of dreieck --picture with OPTIONS."""
    with tempfile.TemporaryDirectory() as folder:
        path = os.path.join(folder, "picture.png")
        subprocess.run([test.dreieck, "--picture", path, *options], check=True, capture_output=True)
        return rgba_of_png(path)


def canvas_against_picture(test, page, options, what):
    """The canvas against dreieck --picture with OPTIONS."""
    expected = picture_rgba(test, options)
    width, height, rgba = page.canvas_rgba("#screen")
    if rgba == expected:
        return True
    test.check(False, f"{what}: the {width}x{height} canvas differs from --picture {' '.join(options)}: "
                      f"{difference(rgba, expected, width)}")
    test.png(re.sub(r"[^a-z0-9]+", "-", what.lower()) + ".png", width, height, rgba)
    return False


def explored_against_picture(test, page, corners, options, what, size="640x480"):
    """The canvas against dreieck --picture of CORNERS in SIZE with OPTIONS."""
    triangle = ",".join(str(v) for corner in corners for v in corner)
    return canvas_against_picture(test, page, ["--size", size, "--triangle", triangle, *options], what)


def hide_hint(page):
    """The line of keys goes: a press at the canvas's bottom left, away from the corners
    (it is shown until the first key or button)."""
    bottom = page.evaluate("Math.floor(document.getElementById('screen').getBoundingClientRect().bottom)")
    page.mouse("mousePressed", 5, bottom - 10)
    page.mouse("mouseReleased", 5, bottom - 10)
    settle(page)


def explore_shown(test, page, size, what, options=("--time", SECOND)):
    """The Explore button on the screensaver at --time SECOND: the explorer opens on the
    triangle shown, every construction on, as --picture draws it at SIZE (with OPTIONS)."""
    page.wait_for("dreieck.ticks >= 3", timeout=10)
    click(page, "#explore")
    page.wait_for("dreieck.exploring")
    settle(page)
    hide_hint(page)
    canvas_against_picture(test, page, ["--size", size, *options], what)


def test_explore(test, site, browser):
    page = test.open(browser, site, "explore&size=640x480&triangle=" + ",".join(str(v) for c in CORNERS for v in c),
                     size=(800, 600))
    page.wait_for("dreieck.exploring && dreieck.explored !== undefined")
    corners, options = [list(c) for c in CORNERS], ["--step", "7"]
    for what, action, after in EXPLORE:
        if isinstance(action, tuple):
            how, corner, start, end = action
            start = start or corners[corner]
            end = corners[1] if end == "B" else end
            drag(page, how, tuple(start), tuple(end))
            corners[corner] = [corners[corner][i] + end[i] - start[i] for i in (0, 1)]
        else:
            key, key_code, text = KEYS[action]
            page.key(action if not text else text, code=key, key_code=key_code, text=text)
        options = after or options
        settle(page)
        explored_against_picture(test, page, corners, options, what)
    test.check(page.evaluate("dreieck.exploring") and not page.problems(),
               f"after the degenerate corners the explorer is {page.evaluate('dreieck.exploring')}, "
               f"problems {page.problems()}")

    # S: the downloads are the canvas as PNG and the same picture as --picture's SVG,
    # and the line names the options that draw it again.
    triangle = ",".join(str(v) for corner in corners for v in corner)
    redraw = f"--size 640x480 --triangle {triangle} --step 7 --no-circumcircle"
    with tempfile.TemporaryDirectory() as folder:
        page.send("Browser.setDownloadBehavior", behavior="allow", downloadPath=folder)
        page.key("s", code="KeyS", key_code=83, text="s")
        page.key("s", code="KeyS", key_code=83, text="s")
        page.wait_for("dreieck.saved.length === 2")
        # The downloads may come in either order; the second save's name has "-2".
        saved, again = sorted(page.evaluate("dreieck.saved"), key=lambda entry: len(entry["name"]))
        same_second = again["name"][:23] == saved["name"][:23]  # dreieck-YYYYMMDD-HHMMSS
        test.check(again["name"] == (saved["name"][:-4] + "-2.png" if same_second else again["name"]) != saved["name"],
                   f"two saves at once: {saved['name']} and {again['name']}")
        png, svg = (os.path.join(folder, saved[kind] or "none") for kind in ("name", "svg"))
        page.pump(0.5)
        rgba = rgba_of_png(png) if os.path.exists(png) else b""
        subprocess.run([test.dreieck, "--picture", os.path.join(folder, "picture.png"), *redraw.split()], check=True)
        expected = rgba_of_png(os.path.join(folder, "picture.png"))
        test.check(rgba == expected, f"S: {png} is not dreieck --picture {redraw} ({len(rgba)} bytes)")
        # The canvas names the second file at the top, above the picture it saved.
        width, _, canvas = page.canvas_rgba("#screen")
        top = 30 * width * 4
        test.check(canvas[top:] == expected[top:] and canvas[:top] != expected[:top],
                   f"S: the canvas is not the picture with a line at the top: {difference(canvas, expected, width)}")
        test.check(saved["redraw"] == redraw, f"S names {saved['redraw']}, not {redraw}")
        subprocess.run([test.dreieck, "--picture", os.path.join(folder, "picture.svg"), *redraw.split()], check=True)
        expected = open(os.path.join(folder, "picture.svg"), "rb").read()
        got = open(svg, "rb").read() if os.path.exists(svg) else b""
        # The same document but for the surface's number, and the labels' font size and
        # stretch, which the canvas measures on the first surface a process draws on (an
        # image on the page, the SVG in --picture): their product, the width, is the same.
        def same(document):
            document = re.sub(rb'surface[0-9]+', b'surface', document)
            return re.sub(rb'matrix\(([0-9.]+) 0 0 1 ([^"]*)" (font-family="[^"]*") font-size="([0-9.]+)"',
                          lambda m: b'%s %s %.2f' % (m[2], m[3], float(m[1]) * float(m[4])), document)
        test.check(same(got) == same(expected) and b"<text" in got,
                   f"S: {svg} ({len(got)} bytes, {got.count(b'<text')} texts) is not dreieck --picture's SVG "
                   f"({len(expected)} bytes)")

    # Escape: back to the screensaver, whose Explore button opens the triangle shown.
    page.key("Escape", key_code=27)
    page.wait_for("!dreieck.exploring && dreieck.runs === 1")
    test.open(browser, site, f"interval=500&size=640x480&time={SECOND}", size=(800, 600), page=page)
    explore_shown(test, page, "640x480", "Explore on the triangle the screensaver showed")

    # A redraw while a corner is dragged, every construction on, 1920x1080.
    page = test.open(browser, site, "explore&triangle=400,900,1500,950,900,150", size=(1920, 1080), page=page)
    page.wait_for("dreieck.exploring")
    start = page.evaluate("dreieck.explored.length")
    for k in range(60):
        drag_once = (400 + 6 * (k % 30), 900 - 3 * (k % 30))
        page.mouse("mousePressed" if k == 0 else "mouseMoved", *drag_once, buttons=1)
        page.pump(0.02)
    page.mouse("mouseReleased", *drag_once)
    settle(page)
    costs = page.evaluate(f"dreieck.explored.slice({start})")
    ms = sorted(c[0] for c in costs)
    median = ms[len(ms) // 2] if ms else float("inf")
    print(f"explore: a redraw at 1920x1080 while dragging: median {median:.2f} ms, most {ms[-1] if ms else 0:.2f} ms "
          f"over {len(ms)} pictures", flush=True)
    test.check(len(ms) >= 20 and median <= 40, f"dragging at 1920x1080: {len(ms)} pictures, median {median:.2f} ms")
    test.check(not page.problems(), f"the page reported {page.problems()}")


# ---- edges ----

# The clock of a tab: Date.now, which the program's time() reads, stands at T0 until
# the test moves window.testNow (the timers of the ticks run on as ever).
T0 = 1614834367  # 2021-03-04 05:06:07 UTC, 19:06:07 on Kiritimati (UTC+14)
TRIANGLE = ",".join(str(v) for corner in CORNERS for v in corner)
# Every construction off: a cycle of four ticks, the caption at the fourth.
NONE_ON = ["no-medians", "no-incircle", "no-circumcircle", "no-altitudes", "no-nine-point-circle", "no-euler-line",
           "no-excircles"]
# The line of keys on each shade: the colour of its ink.
HINT_INK = [("white", b"\0\0\0\xff"), ("light-grey", b"\0\0\0\xff"), ("grey", b"\0\0\0\xff"),
            ("dark-grey", b"\xff\xff\xff\xff"), ("black", b"\xff\xff\xff\xff")]
# Where the pointer goes around A (100,400), and the shape the canvas then asks for:
# a hand within 8 px on every side, the arrow 9 px off, four arrows while dragging.
POINTER_SHAPES = [
    ("mouseMoved", (40, 40), "default", "away from the corners"),
    ("mouseMoved", (92, 400), "pointer", "8 px left of A"), ("mouseMoved", (108, 400), "pointer", "8 px right of A"),
    ("mouseMoved", (100, 392), "pointer", "8 px above A"), ("mouseMoved", (100, 408), "pointer", "8 px below A"),
    ("mouseMoved", (91, 400), "default", "9 px left of A"), ("mouseMoved", (109, 400), "default", "9 px right of A"),
    ("mouseMoved", (100, 391), "default", "9 px above A"), ("mouseMoved", (100, 409), "default", "9 px below A"),
    ("mousePressed", (100, 400), "move", "pressed on A"), ("mouseReleased", (100, 400), "pointer", "released on A"),
]


def holds(page, condition, seconds):
    """Whether the expression CONDITION comes true within SECONDS."""
    try:
        page.wait_for(condition, timeout=seconds)
        return True
    except cdp.CdpError:
        return False


def utc(second):
    return time.strftime("%Y-%m-%dT%H:%M:%SZ", time.gmtime(second))


def clocked_tab(browser):
    """A tab whose clock stands at T0, in the time zone of Kiritimati."""
    page = browser.open("about:blank")
    page.before_scripts(f"window.testNow = {T0} * 1000; Date.now = () => window.testNow;")
    page.send("Emulation.setTimezoneOverride", timezoneId="Pacific/Kiritimati")
    return page


def explore_at_caption(page):
    """Explore clicked at once when a tick has erased the picture and written the caption."""
    page.evaluate("""(async () => {
        for (;;) {
            await dreieck.tick(dreieck.ticks + 1);
            if (dreieck.step === 0) break;
        }
        document.getElementById('explore').click();
    })()""", await_promise=True)
    page.wait_for("dreieck.exploring")
    settle(page)
    hide_hint(page)


def saved_against_redraw(test, page, folder, count, what):
    """The COUNT-th save's PNG (downloaded into FOLDER) against dreieck --picture of the
    options it names: the save."""
    page.wait_for(f"dreieck.saved.length >= {count}")
    saved = page.evaluate(f"dreieck.saved[{count - 1}]")
    png = os.path.join(folder, saved["name"])
    deadline = time.monotonic() + 5
    while not os.path.exists(png) and time.monotonic() < deadline:
        page.pump(0.1)
    rgba = rgba_of_png(png) if os.path.exists(png) else b""
    expected = picture_rgba(test, saved["redraw"].split())
    if rgba != expected:
        test.check(False, f"{what}: {saved['name']} ({len(rgba)} bytes) is not dreieck --picture {saved['redraw']}"
                          + (f": {difference(rgba, expected, 640)}" if rgba else ""))
    return saved


def hold(page, key, code, key_code, repeats):
    """KEY held down for REPEATS of the browser's repeats, then released; until the
    explorer has drawn what it asked for."""
    for repeat in [False] + [True] * repeats:
        page.send("Input.dispatchKeyEvent", type="keyDown", key=key, code=code, windowsVirtualKeyCode=key_code, text=key,
                  autoRepeat=repeat)
    page.send("Input.dispatchKeyEvent", type="keyUp", key=key, code=code, windowsVirtualKeyCode=key_code)
    settle(page)


def downloads_done(page, folder):
    """Until every save offered has its PNG and SVG in FOLDER, and the browser writes no
    download there any longer (before the folder goes)."""
    deadline = time.monotonic() + 10
    while time.monotonic() < deadline:
        names = [name for entry in page.evaluate("dreieck.saved") for name in (entry["name"], entry["svg"]) if name]
        present = os.listdir(folder)
        if all(name in present for name in names) and not any(n.endswith(".crdownload") for n in present):
            return
        page.pump(0.1)


def test_edges(test, site, browser):
    # The line of keys is legible on every shade: its ink is black on the light ones and
    # grey, white on the dark ones; below it the canvas is the picture.
    page = None
    for shade, ink in HINT_INK:
        page = test.open(browser, site, f"explore&size=640x480&background={shade}&triangle={TRIANGLE}",
                         size=(800, 600), page=page)
        page.wait_for("dreieck.exploring")
        settle(page)
        width, _, rgba = page.canvas_rgba("#screen")
        expected = picture_rgba(test, ["--size", "640x480", "--triangle", TRIANGLE, "--background", shade])
        top = 30 * width * 4
        inked = sum(rgba[i:i + 4] == ink for i in range(0, top, 4)) - \
            sum(expected[i:i + 4] == ink for i in range(0, top, 4))
        test.check(inked >= 200, f"{shade}: the line of keys has {inked} more pixels of {tuple(ink[:3])} than the "
                                 "picture, not 200")
        if rgba[top:] != expected[top:]:
            test.check(False, f"{shade}: below the line of keys {difference(rgba[top:], expected[top:], width)}")

    # The pointer's shapes around a corner, as the canvas asks for them.
    test.open(browser, site, f"explore&size=640x480&triangle={TRIANGLE}", size=(800, 600), page=page)
    page.wait_for("dreieck.exploring")
    for kind, (x, y), shape, what in POINTER_SHAPES:
        page.mouse(kind, x, y, buttons=1 if kind == "mousePressed" else None)
        holds(page, f"document.getElementById('screen').style.cursor === '{shape}'", 1)
        shown = page.evaluate("document.getElementById('screen').style.cursor")
        test.check(shown == shape, f"the pointer {what}: '{shown}', not '{shape}'")
    settle(page)

    # Right held down: the browser repeats its key, and each repeat is a step (from 7
    # round to 0, 1 and 2).
    for repeat in (False, True, True):
        page.send("Input.dispatchKeyEvent", type="rawKeyDown", key="ArrowRight", code="ArrowRight",
                  windowsVirtualKeyCode=39, autoRepeat=repeat)
    page.send("Input.dispatchKeyEvent", type="keyUp", key="ArrowRight", code="ArrowRight", windowsVirtualKeyCode=39)
    settle(page)
    explored_against_picture(test, page, CORNERS, ["--step", "2"], "Right held for two repeats")

    # A digit held down switches its construction once: 2 with one repeat is the
    # incircle off (not off and on again); 2 once more, on.
    hold(page, "2", "Digit2", 50, repeats=1)
    explored_against_picture(test, page, CORNERS, ["--step", "1", "--no-incircle"], "2 held for one repeat")
    hold(page, "2", "Digit2", 50, repeats=0)

    # A drag that leaves the canvas is followed while the button is held.
    drag_path = [(100 + 60 * i, 400 + 15 * i) for i in range(1, 11)]  # to (700, 550), off the canvas
    page.mouse("mousePressed", 100, 400, buttons=1)
    for point in drag_path:
        page.mouse("mouseMoved", *point, buttons=1)
    settle(page)
    corners = [[700, 550], CORNERS[1], CORNERS[2]]
    explored_against_picture(test, page, corners, ["--step", "2"], "A held at (700,550), off the canvas")
    page.mouse("mouseReleased", 700, 550)
    settle(page)

    # S at once after a movement, while that picture waits for the display's refresh:
    # what it saves is the picture of the corners it names.
    with tempfile.TemporaryDirectory() as folder:
        downloads(page, folder)
        page.mouse("mousePressed", 500, 420, buttons=1)
        page.mouse("mouseMoved", 520, 420, buttons=1)
        page.mouse("mouseMoved", 540, 420, buttons=1)
        page.key("s", code="KeyS", key_code=83, text="s")
        saved = saved_against_redraw(test, page, folder, 1, "S at once after a movement")
        redraw = "--size 640x480 --triangle 700,550,540,420,260,80 --step 2"
        test.check(saved["redraw"] == redraw, f"S at once after a movement names {saved['redraw']}, not {redraw}")
        page.mouse("mouseReleased", 540, 420)
        # S held down saves once, however often the browser repeats it.
        hold(page, "s", "KeyS", 83, repeats=3)
        page.pump(1)
        test.check(page.evaluate("dreieck.saved.length") == 2,
                   f"S held for three repeats: {page.evaluate('dreieck.saved.length') - 1} saves, not 1")
        saved_against_redraw(test, page, folder, 2, "S held")
        downloads_done(page, folder)

    # ?scale=2 without a size: the screen is the window's half, each pixel 2x2 on the
    # canvas, and the pointer lands on the program's pixels; ?size=640x480 stays
    # 640x480 whatever the window does.
    page = test.open(browser, site, "explore&scale=2&triangle=50,200,250,210,130,40", size=(800, 600), page=page)
    page.wait_for("dreieck.exploring")
    drag(page, "mouse", (100, 400), (160, 380))
    settle(page)
    explored_against_picture(test, page, [[80, 190], [250, 210], [130, 40]], ["--step", "7", "--scale", "2"],
                             "?scale=2: A dragged", "400x300")
    test.open(browser, site, f"explore&size=640x480&triangle={TRIANGLE}", size=(800, 600), page=page)
    page.wait_for("dreieck.exploring")
    page.set_viewport(700, 500)
    page.pump(0.5)
    settle(page)
    hide_hint(page)
    explored_against_picture(test, page, CORNERS, ["--step", "7"], "?size=640x480 in a window resized to 700x500")

    # The explorer follows the browser's window, resized in one direction and then in the
    # other; so does the screensaver at its next tick.
    test.open(browser, site, f"explore&triangle={TRIANGLE}", size=(800, 600), page=page)
    page.wait_for("dreieck.exploring")
    settle(page)
    hide_hint(page)
    for size in ((700, 600), (700, 500)):
        page.set_viewport(*size)
        holds(page, f"document.getElementById('screen').width === {size[0]} && "
                    f"document.getElementById('screen').height === {size[1]}", 2)
        settle(page)
        explored_against_picture(test, page, CORNERS, ["--step", "7"], f"the explorer in a window resized to "
                                 f"{size[0]}x{size[1]}", f"{size[0]}x{size[1]}")
    page = test.open(browser, site, f"interval=500&time={SECOND}", size=(800, 600), page=page)
    page.wait_for("dreieck.ticks >= 1")
    page.set_viewport(800, 500)
    ticks = page.evaluate("dreieck.ticks")
    page.wait_for(f"dreieck.ticks >= {ticks + 2}")
    canvas = page.evaluate("[document.getElementById('screen').width, document.getElementById('screen').height]")
    test.check(canvas == [800, 500], f"the screensaver in a window resized to 800x500: the canvas is {canvas}")

    # After ?step=3, Explore opens with every construction.
    test.open(browser, site, f"interval=500&size=640x480&time={SECOND}&step=3", size=(800, 600), page=page)
    explore_shown(test, page, "640x480", "Explore after ?step=3")

    # On a clock that stands still, in Kiritimati: ?explore opens the current second's
    # triangle, ?explore&time= that second's; two Spaces within a second give the
    # triangles of the next two seconds; three saves are named after the local time,
    # the second and third with -2 and -3.
    page = clocked_tab(browser)
    for query, second in (("", T0), (f"&time={utc(T0 + 3600)}", T0 + 3600)):
        test.open(browser, site, f"explore&size=640x480{query}", size=(800, 600), page=page)
        page.wait_for("dreieck.exploring")
        settle(page)
        hide_hint(page)
        canvas_against_picture(test, page, ["--size", "640x480", "--time", utc(second)], f"?explore{query}")
        for k in (1, 2):
            page.key(" ", code="Space", key_code=32, text=" ")
            settle(page)
            canvas_against_picture(test, page, ["--size", "640x480", "--time", utc(second + k)],
                                   f"?explore{query}: Space {k} within a second")
    with tempfile.TemporaryDirectory() as folder:
        downloads(page, folder)
        for _ in range(3):
            page.key("s", code="KeyS", key_code=83, text="s")
        page.wait_for("dreieck.saved.length === 3")
        names = sorted(entry["name"] for entry in page.evaluate("dreieck.saved"))
        expected = ["dreieck-20210304-190607-2.png", "dreieck-20210304-190607-3.png", "dreieck-20210304-190607.png"]
        test.check(names == expected, f"three saves at 19:06:07 in Kiritimati are named {names}, not {expected}")
        downloads_done(page, folder)

    # Explore while the caption shows opens a triangle of its own, the current second's:
    # not the one just erased (the clock's first, T0's), nor --time's (every
    # construction off, a cycle of four ticks).
    for query, now in ((f"&time={utc(T0 + 50)}", T0 + 100), ("", T0 + 100)):
        test.open(browser, site, f"interval=500&size=640x480&{'&'.join(NONE_ON)}{query}", size=(800, 600), page=page)
        page.wait_for("dreieck.ticks >= 1")
        page.evaluate(f"window.testNow = {now} * 1000")
        explore_at_caption(page)
        canvas_against_picture(test, page, ["--size", "640x480", "--time", utc(now), *("--" + o for o in NONE_ON)],
                               f"Explore while the caption shows{' (?time=)' if query else ''}")
    test.check(not page.problems(), f"the page reported {page.problems()}")


# ---- screens ----

# Screens (CSS size and device pixel ratio) and the canvas on each, in device pixels:
# by DevTools' emulation alone, which counts no device pixels for the page (the largest
# box of whole CSS pixels whose device size is whole), and in a browser of that device
# scale factor (the whole window, as devicePixelContentBoxSize counts it).
SCREENS = [
    ((801, 601, 1.5), (1200, 900), (1202, 902)),
    ((1001, 701, 1.5), (1500, 1050), (1502, 1052)),
    ((1366, 768, 1.25), (1705, 960), (1708, 960)),
    ((1280, 800, 1.75), (2240, 1400), (2240, 1400)),
]
BLACK = b"\0\0\0\xff"


def screen_against_canvas(page, path=None, inside=None, half=None):
    """A screenshot against the canvas's own pixels (beyond the canvas, the black
    background): (pixels that differ outside the rectangle INSIDE (x0, y0, x1, y1) in
    device pixels, pixels that differ inside it, the first that differs, the sizes).
    HALF (x, y): DevTools' emulation of a window whose device size is not whole fills
    the screenshot's last column or row, from x or y on, with what it likes; beyond
    the canvas those are not compared."""
    width, height, shot = screenshot_rgba(page, path)
    canvas_width, canvas_height, canvas = page.canvas_rgba("#screen")
    outside = within = 0
    first = None
    for y in range(height):
        row = shot[y * width * 4:(y + 1) * width * 4]
        own = canvas[y * canvas_width * 4:(y + 1) * canvas_width * 4][:width * 4] if y < canvas_height else b""
        own += BLACK * (width - len(own) // 4)
        if row == own:
            continue
        for x in range(width):
            if half and (x >= max(half[0], canvas_width) or y >= max(half[1], canvas_height)):
                continue
            if row[x * 4:x * 4 + 4] != own[x * 4:x * 4 + 4]:
                if inside and inside[0] <= x < inside[2] and inside[1] <= y < inside[3]:
                    within += 1
                else:
                    outside += 1
                    first = first or (x, y)
    return outside, within, first, (width, height), (canvas_width, canvas_height)


def bar_rectangle(page):
    """The buttons' rectangle in device pixels, a pixel wider all round."""
    return page.evaluate("""(r => [r.left, r.top, r.right, r.bottom].map((v, i) =>
        Math.round(v * devicePixelRatio) + (i < 2 ? -1 : 1)))(document.getElementById('bar').getBoundingClientRect())""")


def one_screen(test, site, browser, screen, canvas, way):
    what = f"{screen[0]}x{screen[1]} @{screen[2]} ({way})"
    name = re.sub(r"[^a-z0-9.]+", "-", what.lower()).strip("-")
    page = test.open(browser, site, f"interval=500&time={SECOND}&step=7", screen, record=True)
    how = page.evaluate("window.dreieckScreen && dreieckScreen.how")
    test.check(how == ("whole" if way == "emulated" else "device-pixel-content-box"), f"{what}: measured by {how}")
    # Five seconds with the pointer still: the picture alone, to the pixel.
    page.wait_for("dreieck.held && performance.now() >= 5000", timeout=20)
    os.makedirs(test.args.out, exist_ok=True)
    half = (int(screen[0] * screen[2]), int(screen[1] * screen[2])) if way == "emulated" else None
    outside, _, first, shot, size = screen_against_canvas(page, os.path.join(test.args.out, f"{name}-still.png"),
                                                          half=half)
    test.check(size == canvas, f"{what}: the canvas is {size}, not {canvas}")
    test.check(outside == 0, f"{what}: after 5 s still, {outside} pixels of the {shot} screenshot differ from the "
                             f"canvas, first at {first} (screenshot in {test.args.out})")
    test.check(page.evaluate("getComputedStyle(document.getElementById('screen')).cursor") == "none",
               f"{what}: the pointer is still shown over the canvas")
    frames = test.frames(["--size", f"{canvas[0]}x{canvas[1]}", "--time", SECOND])[:8]
    compare_ticks(test, page, recorded(page), frames, what)
    # A movement brings the buttons (and the pointer) back, over the picture and nowhere else.
    page.mouse("mouseMoved", screen[0] // 2, screen[1] // 2)
    page.wait_for("!document.body.classList.contains('quiet')", timeout=5)
    # Asked at once: comparing a large screenshot on a busy machine can outlast the
    # three seconds after which they go again.
    test.check(page.evaluate("getComputedStyle(document.getElementById('screen')).cursor") != "none",
               f"{what}: the pointer stays hidden after a movement")
    bar = bar_rectangle(page)
    outside, within, first, _, _ = screen_against_canvas(page, os.path.join(test.args.out, f"{name}-moved.png"), bar,
                                                         half)
    test.check(outside == 0 and within > 1000, f"{what}: after a movement {within} pixels differ in the buttons' "
                                               f"{bar}, {outside} outside it (first at {first})")
    test.check(not page.problems(), f"{what}: the page reported {page.problems()}")
    print(f"screens: {what}: canvas {size[0]}x{size[1]} in a {shot[0]}x{shot[1]} screenshot, {len(frames)} ticks "
          "compared", flush=True)
    return page


def test_screens(test, site, browser):
    for screen, whole, _ in SCREENS:
        page = one_screen(test, site, browser, screen, whole, "emulated")
    for screen, _, device in SCREENS:
        with cdp.Browser(extra_args=[f"--force-device-scale-factor={screen[2]}"]) as scaled:
            one_screen(test, site, scaled, screen, device, "device")

    # The ratio changes (another monitor) while the cycle runs: the next tick takes it.
    page = test.open(browser, site, f"interval=500&time={SECOND}", (801, 601, 1.5), record=True, page=page)
    page.wait_for("dreieck.ticks >= 2")
    before = page.evaluate("dreieck.ticks")
    page.set_viewport(801, 601, 1.25)
    after = page.evaluate("dreieck.ticks")
    page.wait_for(f"dreieck.ticks >= {after + 2}", timeout=5)
    sizes = [(e["tick"], e["width"], e["height"]) for e in recorded(page)]
    test.check(all((w, h) == (1200, 900) for t, w, h in sizes if t <= before) and
               all((w, h) == (1000, 750) for t, w, h in sizes if t > after),
               f"at 1.5, then 1.25 after tick {before}: the ticks' canvases were {sizes}")
    page.evaluate("dreieckScreen.quiet()")
    outside, _, first, _, _ = screen_against_canvas(page, half=(1001, 751))
    test.check(outside == 0, f"after the ratio changed, {outside} pixels of the screen differ from the canvas, first "
                             f"at {first}")

    # The explorer's pointer at 1.5 lands on the device pixels it points at: A, at device
    # pixels (300, 600), taken at CSS pixels (200, 400) and dragged by 60 and -20.
    page = test.open(browser, site, "explore&triangle=300,600,750,630,390,120", (801, 601, 1.5), page=page)
    page.wait_for("dreieck.exploring")
    drag(page, "mouse", (200, 400), (260, 380))
    settle(page)
    explored_against_picture(test, page, [[390, 570], [750, 630], [390, 120]], ["--step", "7"],
                             "A dragged at 801x601 @1.5", "1200x900")

    # f in the explorer: full screen, the monitor its screen (here 1280x800 at 1.75).
    page = test.open(browser, site, "explore&triangle=100,400,500,420,260,80", (1366, 768, 1.25), page=page)
    page.wait_for("dreieck.exploring")
    settle(page)
    page.mouse("mousePressed", 5, 700)  # the line of keys goes
    page.mouse("mouseReleased", 5, 700)
    settle(page)
    explored_against_picture(test, page, CORNERS, ["--step", "7"], "the explorer at 1366x768 @1.25", "1705x960")
    page.key("f", code="KeyF", key_code=70, text="f")
    page.wait_for("document.fullscreenElement !== null && dreieck.exploring", timeout=5)
    page.set_viewport(1280, 800, 1.75)
    page.wait_for("document.getElementById('screen').width === 2240", timeout=5)
    settle(page)
    explored_against_picture(test, page, CORNERS, ["--step", "7"], "the explorer full screen, 1280x800 @1.75",
                             "2240x1400")
    page.evaluate("dreieckScreen.quiet()")
    outside, _, first, _, _ = screen_against_canvas(page, os.path.join(test.args.out, "explorer-full-screen.png"))
    test.check(outside == 0, f"the explorer full screen: {outside} pixels of the screen differ from the canvas, first "
                             f"at {first}")
    page.key("Escape", key_code=27)
    page.wait_for("document.fullscreenElement === null && !dreieck.exploring", timeout=5)
    test.check(not page.problems(), f"the page reported {page.problems()}")


# ---- single ----

def downloads(page, folder):
    page.send("Browser.setDownloadBehavior", behavior="allow", downloadPath=folder)


def test_single(test, site, browser):
    single = "file://" + os.path.abspath(test.args.single)
    page = test.open(browser, single, f"interval=500&time={SECOND}", record=True)
    test.check(page.evaluate("[dreieck.state, dreieck.message]") == ["running", ""],
               f"dreieck.html from a file: {page.evaluate('[dreieck.state, dreieck.message]')}")
    frames = test.frames(["--size", "1024x768", "--time", SECOND])
    page.wait_for("dreieck.recorded.some(e => e.step === 0)", timeout=20)
    entries = recorded(page)
    test.check(len(entries) >= len(frames), f"dreieck.html: {len(entries)} ticks, not a cycle of {len(frames)}")
    compare_ticks(test, page, entries, frames, "dreieck.html")
    addresses = {params["request"]["url"].split(":")[0] for method, params in page.events
                 if method == "Network.requestWillBeSent"}
    test.check(addresses <= {"file", "data"}, f"dreieck.html asked for addresses of {addresses}")
    print(f"single: dreieck.html from a file: {len(frames)} ticks compared", flush=True)

    # The settings, kept in the browser over a reload.
    open_dialog(page)
    click(page, "#settings input[data-id='1000']")
    click(page, "#settings button[data-id='1']")
    page.wait_for("dreieck.runs === 2", timeout=15)
    test.open(browser, single, "", page=page)
    page.wait_for("dreieck.state === 'running' && dreieck.settings !== null")
    test.check(page.evaluate("dreieck.settings") == {**DEFAULTS, "flags": [0] + [1] * 6, "interval": 500},
               f"dreieck.html after a reload: {page.evaluate('dreieck.settings')}")

    # Explore and Save.
    page.evaluate("localStorage.clear()")
    test.open(browser, single, f"interval=500&size=640x480&time={SECOND}", size=(800, 600), page=page)
    explore_shown(test, page, "640x480", "dreieck.html: Explore")
    with tempfile.TemporaryDirectory() as folder:
        downloads(page, folder)
        click(page, "#save")
        page.wait_for("dreieck.saved.length === 1")
        saved = page.evaluate("dreieck.saved[0]")
        png = os.path.join(folder, saved["name"])
        deadline = time.monotonic() + 5
        while not (os.path.exists(png) and os.path.exists(os.path.join(folder, saved["svg"]))) and \
                time.monotonic() < deadline:
            page.pump(0.1)
        rgba = rgba_of_png(png) if os.path.exists(png) else b""
        subprocess.run([test.dreieck, "--picture", os.path.join(folder, "picture.png"), *saved["redraw"].split()],
                       check=True)
        test.check(rgba == rgba_of_png(os.path.join(folder, "picture.png")),
                   f"dreieck.html: Save gave {os.listdir(folder)}, the PNG {len(rgba)} bytes, not dreieck --picture "
                   f"{saved['redraw']}")
        test.check(os.path.exists(os.path.join(folder, saved["svg"])), f"dreieck.html: Save gave no {saved['svg']}")
    test.check(not page.problems(), f"dreieck.html reported {page.problems()}")


# ---- offline ----

def worker_build(folder):
    return re.search(r'const build = "([0-9a-f]+)"', open(os.path.join(folder, "sw.js")).read())[1]


def test_offline(test, site, browser):
    # A copy of the site, which the test changes as a new build would.
    folder = os.path.join(test.scratch, "offline")
    shutil.copytree(site.folder, folder)
    with cdp.Site(folder) as served:
        query = f"interval=500&time={SECOND}"
        page = test.open(browser, served, query, record=True)
        page.wait_for("navigator.serviceWorker.controller !== null", timeout=15)
        build = worker_build(folder)
        kept = page.evaluate("caches.keys()", await_promise=True)
        test.check(page.evaluate("navigator.serviceWorker.controller.state") == "activated" and
                   kept == [f"dreieck-{build}"], f"the worker: {kept}, not dreieck-{build}")

        # Installable: the manifest without errors, its icons there, nothing missing.
        manifest = page.send("Page.getAppManifest")
        test.check(manifest.get("url") == served.url("manifest.webmanifest") and manifest.get("errors") == [],
                   f"Page.getAppManifest: {manifest.get('url')}, errors {manifest.get('errors')}")
        data = json.loads(manifest.get("data") or "{}")
        wanted = {"name": "Dreieck", "short_name": "Dreieck", "display": "fullscreen", "background_color": "#000000",
                  "start_url": "./?fullscreen"}
        test.check({k: data.get(k) for k in wanted} == wanted, f"the manifest says {data}")
        icons = page.evaluate(f"""Promise.all({json.dumps([icon['src'] for icon in data.get('icons', [])])}.map(src =>
            fetch(src).then(answer => answer.blob()).then(createImageBitmap).then(b => [src, b.width, b.height])))""",
                              await_promise=True)
        test.check(icons == [[name, side, side] for name, side in ICONS.items()], f"the icons load as {icons}")
        errors = page.send("Page.getInstallabilityErrors").get("installabilityErrors")
        test.check(errors == [], f"Chromium finds the page not installable: {errors}")

        # No network: the page opens from the worker's files and draws the same.
        frames = test.frames(["--size", "1024x768", "--time", SECOND])
        asked = len(served.requests)
        served.offline = True
        page.send("Network.emulateNetworkConditions", offline=True, latency=0, downloadThroughput=-1,
                  uploadThroughput=-1)
        test.open(browser, served, query, page=page)
        page.wait_for("dreieck.recorded.some(e => e.step === 0)", timeout=20)
        test.check(page.evaluate("[dreieck.state, dreieck.message]") == ["running", ""],
                   f"offline: {page.evaluate('[dreieck.state, dreieck.message]')}")
        compare_ticks(test, page, recorded(page), frames, "offline")
        test.check(all(status == "refused" for _, status in served.requests[asked:]),
                   f"offline, the server answered {served.requests[asked:]}")
        test.check(not page.problems(), f"offline the page reported {page.problems()}")
        print(f"offline: the page drew {len(frames)} ticks with the server unreachable", flush=True)

        # A new build, of the same size (its title in capitals): the next visit shows it,
        # and its worker keeps it instead of the old one.
        served.offline = False
        page.send("Network.emulateNetworkConditions", offline=False, latency=0, downloadThroughput=-1,
                  uploadThroughput=-1)
        index = os.path.join(folder, "index.html")
        with open(index, encoding="utf-8") as f:
            text = f.read()
        with open(index, "w", encoding="utf-8") as f:
            f.write(text.replace("<title>Dreieck</title>", "<title>DREIECK</title>", 1))
        test.check(os.path.getsize(index) == len(text.encode()), "the changed index.html is not of the same size")
        subprocess.run([sys.executable, SITE_BUILD, "worker", folder,
                        os.path.join(SOURCE, "frontends", "page", "site", "sw.js")], check=True)
        new = worker_build(folder)
        test.check(new != build, f"index.html changed, of the same size, left the build {build}")
        next_build = "document.title === 'DREIECK'"
        test.open(browser, served, query, page=page)
        test.check(page.evaluate(next_build), "the visit after the site changed shows the old page")
        deadline = time.monotonic() + 15
        while kept != [f"dreieck-{new}"] and time.monotonic() < deadline:
            page.pump(0.2)
            kept = page.evaluate("caches.keys()", await_promise=True)
        test.check(kept == [f"dreieck-{new}"], f"after the new build the worker keeps {kept}, not dreieck-{new}")
        served.offline = True
        page.send("Network.emulateNetworkConditions", offline=True, latency=0, downloadThroughput=-1,
                  uploadThroughput=-1)
        test.open(browser, served, query, page=page)
        page.wait_for("dreieck.ticks >= 1", timeout=10)
        test.check(page.evaluate(next_build), "offline after the new build, the old page opened")
        served.offline = False
        page.send("Network.emulateNetworkConditions", offline=False, latency=0, downloadThroughput=-1,
                  uploadThroughput=-1)

        # The installed app opens at the manifest's start address: the screensaver, the
        # picture alone from its first tick on.
        start = urllib.parse.urljoin(manifest.get("url", ""), data.get("start_url", ""))
        page.set_viewport(1024, 768)
        page.navigate(start)
        page.wait_for("dreieck.state === 'running'", timeout=10)
        quiet = page.evaluate("[document.body.classList.contains('quiet'), performance.now()]")
        test.check(quiet[0] and quiet[1] < 3000, f"the app's start {start}: the buttons still shown "
                                                 f"{quiet[1]:.0f} ms after the start")
        page.wait_for("dreieck.ticks >= 1", timeout=10)
        outside, _, first, _, _ = screen_against_canvas(page, os.path.join(test.args.out, "app-start.png"))
        test.check(outside == 0, f"the app's start {start}: {outside} pixels over the picture (first at {first})")
        test.check(not page.problems(), f"the page reported {page.problems()}")


# ---- controls ----

def looks(page, selector):
    """How the element looks now: "shown", "invisible" (there, but not seen) or "none"
    (no box at all)."""
    return page.evaluate(f"""(e => !e || e.getClientRects().length === 0 ? 'none' :
        getComputedStyle(e).visibility === 'visible' ? 'shown' : 'invisible')
        (document.querySelector({json.dumps(selector)}))""")


def focused(page):
    return page.evaluate("document.activeElement === document.body ? 'body' : "
                         "(document.activeElement.id || document.activeElement.dataset.id || '?')")


def tab_to(page, target, most=8):
    """Tab until the keyboard is on TARGET (an id or a dialog control's number); where it
    got to."""
    for _ in range(most):
        page.key("Tab", key_code=9)
        if focused(page) == target:
            break
    return focused(page)


def quiet_now(page):
    """Until the controls have gone (three seconds without a movement)."""
    page.wait_for("document.body.classList.contains('quiet')", timeout=8)


# Lines that stay until they are closed: the address, the line, and how it goes.
LASTING = [
    ("interval=abc", "falscher Wert für interval: 'abc' (500 bis 5000 Millisekunden)" + BAD_TAIL, True, "Escape"),
    ("help", None, False, "the close button"),
    ("interval=abc", "falscher Wert für interval: 'abc' (500 bis 5000 Millisekunden)" + BAD_TAIL, True, "Erkunden"),
    ("interval=abc", "falscher Wert für interval: 'abc' (500 bis 5000 Millisekunden)" + BAD_TAIL, True,
     "Einstellungen"),
    ("interval=abc", "falscher Wert für interval: 'abc' (500 bis 5000 Millisekunden)" + BAD_TAIL, True, "Start"),
]


def test_controls(test, site, browser):
    # Keyboard only: Tab twice is Erkunden, which stays with the keyboard on it when the
    # rest goes; Enter opens the explorer, Tab and Enter on Zurück leave it; Space on Einstellungen opens
    # the panel, Space switches a check box, Escape cancels; Enter on Start goes full
    # screen, Escape leaves.
    page = test.open(browser, site, f"interval=500&time={SECOND}")
    page.wait_for("dreieck.ticks >= 1", timeout=10)
    test.check(tab_to(page, "explore", most=2) == "explore", f"Tab twice: the keyboard is on {focused(page)}")
    quiet_now(page)
    shown = [focused(page), looks(page, "#explore"), looks(page, "#start"),
             page.evaluate("getComputedStyle(document.getElementById('screen')).cursor")]
    test.check(shown == ["explore", "shown", "shown", "none"],
               f"3 s later the keyboard is on {shown[0]}, Erkunden {shown[1]}, Start {shown[2]}, the pointer over "
               f"the picture {shown[3]}; not explore, shown, shown, none")
    page.key("Enter", key_code=13, text="\r")
    test.check(holds(page, "dreieck.exploring", 5), "Enter on Erkunden opened no explorer")
    # In the explorer Tab goes on to its buttons, and Enter presses the one it is on.
    test.check(tab_to(page, "back", most=3) == "back", f"Tab in the explorer reached {focused(page)}, not Zurück")
    page.key("Enter", key_code=13, text="\r")
    test.check(holds(page, "!dreieck.exploring && dreieck.runs === 2", 5), "Enter on Zurück left the explorer open")
    test.check(tab_to(page, "open-settings") == "open-settings", f"Tab reached {focused(page)}, not Einstellungen")
    page.key(" ", code="Space", key_code=32, text=" ")
    test.check(holds(page, "document.getElementById('settings').open", 5), "Space on Einstellungen opened no panel")
    test.check(tab_to(page, "1000", most=4) == "1000", f"Tab in the panel reached {focused(page)}, not Schwerlinien")
    page.key(" ", code="Space", key_code=32, text=" ")
    page.pump(0.3)
    test.check(dialog_state(page)[0] is False, f"Space on Schwerlinien: the panel shows {dialog_state(page)}")
    page.key("Escape", key_code=27)
    test.check(holds(page, "!document.getElementById('settings').open && dreieck.runs === 3", 5),
               "Escape left the panel open")
    test.check(page.evaluate(KEPT_JS) is None, f"Escape kept {page.evaluate(KEPT_JS)}")
    test.check(tab_to(page, "start") == "start", f"Tab reached {focused(page)}, not Start")
    page.key("Enter", key_code=13, text="\r")
    test.check(holds(page, "document.fullscreenElement !== null", 5), "Enter on Start: no full screen")
    page.key("Escape", key_code=27)
    test.check(holds(page, "document.fullscreenElement === null && !document.body.classList.contains('saving')", 5),
               "Escape left full screen on")

    # The picture has a name for those who do not see it.
    named = [(node.get("role", {}).get("value"), node.get("name", {}).get("value"))
             for node in page.send("Accessibility.getFullAXTree")["nodes"]]
    canvas = ("image", "Dreieck: ein Dreieck und seine Konstruktionen, eine nach der anderen")
    test.check(canvas in named, f"the canvas is not named {canvas}: {[n for n in named if n[0] == 'image']}")

    # The settings panel keeps its pointer when the rest goes; over the picture it goes.
    open_dialog(page)
    quiet_now(page)
    pointers = page.evaluate("""['#settings', '#settings input[data-id="1000"]', '#settings button[data-id="1"]',
        '#screen'].map(s => getComputedStyle(document.querySelector(s)).cursor)""")
    test.check(pointers == ["auto", "default", "default", "none"],
               f"3 s still with the panel open, the pointer over the panel, a check box, OK and the picture: "
               f"{pointers}, not auto, default, default, none")
    page.key("Escape", key_code=27)
    page.wait_for("!document.getElementById('settings').open", timeout=5)

    # A line that matters stays until it is closed or the user acts; the buttons go.
    for query, line, error, closed in LASTING:
        test.open(browser, site, query, page=page)
        page.wait_for("dreieck.ticks >= 1", timeout=10)
        quiet_now(page)
        shown = page.evaluate("[dreieck.message, dreieck.messageIsError]")
        test.check((line is None or shown[0] == line) and shown[1] == error and looks(page, "#message") == "shown" and
                   looks(page, "#bar") == "invisible",
                   f"?{query}, 3 s later: the line {looks(page, '#message')} ({shown[0][:100]!r}, error "
                   f"{shown[1]}), the buttons {looks(page, '#bar')}")
        if closed == "Escape":
            page.key("Escape", key_code=27)
        elif closed == "Erkunden":
            click(page, "#explore")
            page.wait_for("dreieck.exploring", timeout=5)
        elif closed == "Einstellungen":
            click(page, "#open-settings")
            page.wait_for("document.getElementById('settings').open", timeout=5)
        elif closed == "Start":
            click(page, "#start")
            page.wait_for("document.fullscreenElement !== null", timeout=5)
        else:
            # The usage in a font of fixed width, its columns straight.
            font = page.evaluate("getComputedStyle(document.getElementById('message-text')).fontFamily")
            test.check(font == "monospace", f"?{query}: the usage is in {font}, not monospace")
            click(page, "#dismiss")
        test.check(holds(page, "dreieck.message === ''", 2) and looks(page, "#message") in ("none", "invisible"),
                   f"?{query}: {closed} left the line {looks(page, '#message')}: {page.evaluate('dreieck.message')}")
        if closed in ("Einstellungen", "Start"):
            page.key("Escape", key_code=27)
            page.wait_for("!document.getElementById('settings').open && document.fullscreenElement === null && "
                          "!document.body.classList.contains('saving')", timeout=5)
            test.check(looks(page, "#message") == "none", f"?{query}: after {closed} and Escape the line is back")

    # Where nothing can work, nothing is offered, and the line stays: index.html from a
    # file, the program stopped, its labels' font unreadable.
    test.open(browser, "file://" + os.path.abspath(os.path.join(site.folder, "index.html")), "", page=page)
    page.pump(3.5)
    offered = [looks(page, s) for s in ("#message", "#bar", "#dismiss")]
    test.check(page.evaluate("dreieck.state") == "file" and offered == ["shown", "none", "none"],
               f"index.html from a file, 3.5 s later: {page.evaluate('dreieck.state')}, the line, buttons and close "
               f"button {offered}")
    test.open(browser, site, "", page=page)
    page.evaluate("setTimeout(() => { throw new WebAssembly.RuntimeError('unreachable'); })")
    page.wait_for("dreieck.state === 'failed'", timeout=5)
    page.forget_problems()
    offered = [looks(page, s) for s in ("#message", "#bar", "#dismiss")]
    test.check(offered == ["shown", "none", "none"], f"the program stopped: the line, buttons and close button {offered}")
    folder = os.path.join(test.scratch, "no-font")
    shutil.copytree(site.folder, folder)
    font = re.search(r'<link id="font"[^>]* href="([^"]+)"', open(os.path.join(folder, "index.html")).read())[1]
    with open(os.path.join(folder, font), "wb") as f:
        f.write(b"no font" * 100)
    with cdp.Site(folder) as broken:
        test.open(browser, broken, "", page=page)
        page.wait_for("dreieck.state !== 'running'", timeout=10)
        offered = [page.evaluate("dreieck.state"), page.evaluate("dreieck.message")] + \
            [looks(page, s) for s in ("#message", "#bar")]
        expected = ["failed", "Die Schrift der Beschriftung ließ sich nicht lesen.", "shown", "none"]
        test.check(offered == expected, f"an unreadable font: {offered}, not {expected}")

    # A browser that grants no full screen (a frame that does not allow it) gets no Start.
    page = browser.open("about:blank")
    page.before_scripts("Object.defineProperty(Document.prototype, 'fullscreenEnabled', { get: () => false });")
    test.open(browser, site, "", page=page)
    offered = [looks(page, s) for s in ("#start", "#explore", "#open-settings")]
    test.check(offered == ["none", "shown", "shown"], f"no full screen granted: Start, Erkunden, Einstellungen {offered}")

    # A page slow to load: ?explore opens with its buttons, which go three seconds after
    # the first picture, not after the page began.
    site.delays["/dreieck.wasm"] = 4
    page = test.open(browser, site, "explore&triangle=100,400,500,420,260,80", page=page)
    site.delays.clear()
    page.wait_for("dreieck.exploring && dreieck.firstPictureMs !== null", timeout=20)
    when = page.evaluate("[document.body.classList.contains('quiet'), dreieck.firstPictureMs]")
    test.check(not when[0] and when[1] > 4000, f"?explore after {when[1]:.0f} ms of loading: quiet {when[0]} at the "
                                               "first picture")
    quiet_now(page)
    after = page.evaluate("performance.now() - dreieck.firstPictureMs")
    test.check(after >= 2900, f"the buttons went {after:.0f} ms after the first picture, not 3000")
    test.check(not page.problems(), f"the page reported {page.problems()}")


# ---- idle ----

def native_tick(test):
    """A native tick at 1920x1080 in ms (dreieck_bench's cycle with 500 ms pauses, per
    tick; the quicker of two runs of three cycles), or None when the host build has no
    benchmarks."""
    bench = os.path.join(test.args.host_build, "dreieck_bench")
    if not os.access(bench, os.X_OK):
        return None
    run = subprocess.run([bench, "--benchmark_filter=BM_CycleWithPauses", "--benchmark_format=json",
                          "--benchmark_repetitions=2"],
                         env={**os.environ, "DREIECK_BENCH_PAUSE_MS": "500"}, capture_output=True, text=True, check=True)
    cycles = [b for b in json.loads(run.stdout)["benchmarks"] if b.get("run_type") == "iteration"]
    return min(b["real_time"] * {"ms": 1, "us": 1e-3, "ns": 1e-6}[b["time_unit"]] for b in cycles) / 11


def first_picture(site):
    """Milliseconds from navigation to the first picture, in a browser of its own
    (nothing cached), of SITE (a cdp.Site or an address)."""
    with cdp.Browser() as fresh:
        page = fresh.open("about:blank")
        page.set_viewport(1024, 768)
        page.navigate((site.url("index.html") if isinstance(site, cdp.Site) else site) + "?interval=500")
        page.wait_for("dreieck.firstPictureMs !== null")
        return page.evaluate("dreieck.firstPictureMs")


def test_idle(test, site, browser):
    page = test.open(browser, site, "interval=500")
    page.wait_for("dreieck.ticks >= 2", timeout=10)
    # Once the buttons have gone (three seconds after the page opened), with nobody there.
    page.wait_for("document.body.classList.contains('quiet')", timeout=10)
    before = page.evaluate("[dreieck.ticks, dreieck.timeouts, dreieck.events]")
    events = page.trace(30)
    after = page.evaluate("[dreieck.ticks, dreieck.timeouts, dreieck.events]")
    ticks, timeouts, posted = (a - b for a, b in zip(after, before))
    # The renderer that ran the page's timers; its tasks, and which of them ran any
    # JavaScript. A tick's tasks begin with its timer and end within 100 ms; the
    # browser's own (page-load metrics, the tracing itself) may come at any time.
    pid = max({e["pid"] for e in events}, key=lambda p: sum(e["name"] == "TimerFire" for e in events if e["pid"] == p))
    events = [e for e in events if e["pid"] == pid]
    fires = [e["ts"] for e in events if e["name"] == "TimerFire"]
    script = [e["ts"] for e in events if e["name"] in ("TimerFire", "FunctionCall", "EventDispatch",
                                                          "FireAnimationFrame", "FireIdleCallback", "EvaluateScript")]
    tasks = [e for e in events if e["name"] == "RunTask"]
    between = [e for e in tasks if not any(f - 5000 <= e["ts"] <= f + 100000 for f in fires)]
    scripted = [e for e in between if any(e["ts"] <= t <= e["ts"] + e.get("dur", 0) for t in script)]
    frames = sum(e["name"] == "FireAnimationFrame" for e in events)
    ms = lambda chosen: sum(e.get("dur", 0) for e in chosen) / 1000  # noqa: E731
    print(f"idle: 30 s at 500 ms: {ticks} ticks, {timeouts} timeouts, {posted} events, {len(fires)} timers fired, "
          f"{frames} animation frames; {len(tasks)} main-thread tasks ({ms(tasks):.1f} ms), {len(between)} of them "
          f"between ticks ({ms(between):.2f} ms), {len(scripted)} of those running the page's script", flush=True)
    # Each wake-up is a tick: one timeout, one timer fired (give or take those of the
    # second it takes to start and end the trace), no animation frames, no events.
    test.check(55 <= ticks <= 65 and timeouts == ticks and abs(len(fires) - ticks) <= 3 and posted == 0 and
               frames == 0, f"30 s at 500 ms: {ticks} ticks, {timeouts} timeouts, {len(fires)} timers fired, "
                            f"{posted} events, {frames} animation frames; each wake-up should be a tick")
    test.check(not scripted, f"{len(scripted)} tasks ran script between ticks: "
                             f"{[(e['ts'], e.get('dur')) for e in scripted][:5]}")
    test.check(ms(between) <= 0.002 * 30000, f"the browser's tasks between ticks took {ms(between):.1f} ms in 30 s")

    # The figures, side by side: the site and dreieck.html, the first picture served
    # and from a file (each in a fresh browser), a tick at 1920x1080 device pixels at
    # 150 % (a 1280x720 window) against the native tick.
    sizes = site_size(site.folder)
    single = open(test.args.single, "rb").read()
    served, from_file = first_picture(site), first_picture("file://" + os.path.abspath(test.args.single))
    page = test.open(browser, site, f"interval=500&time={SECOND}", size=(1280, 720, 1.5), page=page)
    # A machine shared with other work slows some cycles: the quickest of cycles 2 to
    # 5 on the page, against the quicker of two native runs.
    page.wait_for("dreieck.ticks >= 55", timeout=45)
    canvas = page.evaluate("[document.getElementById('screen').width, document.getElementById('screen').height]")
    ms, show = page.evaluate("[dreieck.tickMs.slice(11, 55), dreieck.showMs.slice(11, 55)]")
    tick, shown = min((sum(ms[k:k + 11]) / 11, sum(show[k:k + 11]) / 11) for k in range(0, 44, 11))
    native = native_tick(test)
    print(f"idle: the site, gzip -9: {sum(sizes.values())} bytes in {len(sizes)} files\n"
          f"idle: dreieck.html: {len(single)} bytes, {len(gzip.compress(single, 9))} gzip -9\n"
          f"idle: the first picture after navigation began, nothing cached: served {served:.0f} ms, "
          f"dreieck.html from a file {from_file:.0f} ms\n"
          f"idle: a tick at {canvas[0]}x{canvas[1]} (1280x720 @1.5; the quickest of cycles 2 to 5): {tick:.2f} ms, {shown:.2f} of "
          f"it putting pixels on the canvas, {tick - shown:.2f} drawing; native "
          + (f"{native:.2f} ms: {tick / native:.1f}x" if native else "not measured (no dreieck_bench in the "
             "host build; -DDREIECK_BENCH=ON builds it)"), flush=True)
    test.check(sum(sizes.values()) <= 1000000, f"the site is {sum(sizes.values())} bytes gzipped")
    test.check(served <= 1000 and from_file <= 1000, f"the first picture: served {served:.0f} ms, from a file "
                                                     f"{from_file:.0f} ms")
    test.check(canvas == [1920, 1080], f"1280x720 @1.5 gave a {canvas} canvas")
    # Against the native tick the ratio is a figure (docs/performance.md): on a machine
    # shared with other work either side varies by 2x from run to run, so the bounds
    # here are generous ones that only a real slowdown breaks.
    test.check(tick - shown <= 10 and tick <= 40,
               f"a tick at 1920x1080 @1.5 takes {tick:.2f} ms ({shown:.2f} showing), native {native}")
    test.check(not page.problems(), f"the page reported {page.problems()}")


def main():
    tests = {"cycle": test_cycle, "page": test_page, "settings": test_settings, "idle": test_idle,
             "controls": test_controls,
             "explore": test_explore, "edges": test_edges, "screens": test_screens, "single": test_single,
             "offline": test_offline}
    parser = argparse.ArgumentParser()
    parser.add_argument("test", choices=tests)
    parser.add_argument("--site", required=True)
    parser.add_argument("--single", help="dreieck.html (default: beside the site's folder)")
    parser.add_argument("--host-build", default="")
    parser.add_argument("--out", required=True)
    args = parser.parse_args()
    args.single = args.single or os.path.join(os.path.dirname(os.path.abspath(args.site)), "dreieck.html")
    if not args.host_build or not os.access(os.path.join(args.host_build, "dreieck"), os.X_OK):
        print(f"web-{args.test}: skipped, no dreieck in the host build '{args.host_build}' "
              "(cmake --preset host && cmake --build --preset host builds it)")
        return 77
    test = Test(args)
    os.makedirs(args.out, exist_ok=True)
    with tempfile.TemporaryDirectory(prefix="dreieck-web-") as scratch:
        test.scratch = scratch
        with cdp.Site(args.site) as site, cdp.Browser() as browser:
            tests[args.test](test, site, browser)
    print(f"web-{args.test}: {'passed' if not test.failures else f'{len(test.failures)} failed'}")
    return 1 if test.failures else 0


if __name__ == "__main__":
    sys.exit(main())
