#!/usr/bin/python3
"""Serves the page of the browser build, or photographs one cycle of it in headless
Chromium (tools/run.sh --web comes here through tools/run-web.sh).

    web.py serve SITE [QUERY]              serves SITE on 127.0.0.1 until interrupted
    web.py photograph SITE QUERY OUT       one cycle at 1024x768: OUT/tick-NN.png

QUERY is the address's query without the "?" (e.g. background=white&interval=500).
photograph takes a screenshot of the page after each tick of its first cycle (tick-00
the triangle, ... the last one the erase with the caption) and replaces OUT with them
only when the whole cycle is there (or the picture held after the step asked for). A query the page refuses ends with the page's own
line on stderr and exit code 2, OUT as it was; a page that does not run, with 1.
"""

import os
import shutil
import sys
import tempfile
import time

sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "tests", "web"))
import cdp  # noqa: E402


def serve(site_folder, query):
    with cdp.Site(site_folder) as site:
        print(f"run: the page is at {site.url('index.html' + ('?' + query if query else ''))}", flush=True)
        print("run: serving build/web/site on 127.0.0.1 (Ctrl-C ends it)", flush=True)
        try:
            while True:
                time.sleep(3600)
        except KeyboardInterrupt:
            return 0


def photograph(site_folder, query, out):
    width, height = 1024, 768
    taking = tempfile.mkdtemp(prefix="screens-web.", dir=os.path.dirname(os.path.abspath(out)))
    try:
        with cdp.Site(site_folder) as site, cdp.Browser(width, height) as browser:
            page = browser.open("about:blank")
            page.set_viewport(width, height)
            url = site.url("index.html" + ("?" + query if query else ""))
            print(f"run: photographing one cycle of {url}", flush=True)
            page.navigate(url)
            page.wait_for("dreieck.state !== 'loading'", timeout=30)
            state = page.evaluate("dreieck.state")
            if state != "running":
                print(f"run: the page did not run ({state}): {page.evaluate('dreieck.message')}", file=sys.stderr)
                return 1
            if page.evaluate("dreieck.messageIsError"):
                print(f"run: {page.evaluate('dreieck.message')}", file=sys.stderr)
                return 2
            tick = 0
            while True:
                # The screenshot comes right after the tick, long before the next one.
                page.evaluate(f"dreieck.tick({tick + 1})", await_promise=True)
                page.screenshot(os.path.join(taking, f"tick-{tick:02d}.png"))
                tick += 1
                held = page.evaluate("dreieck.held")
                if held or page.evaluate("dreieck.step") == 0:
                    break
            problems = page.problems()
        if problems:
            print("run: the page reported problems:\n  " + "\n  ".join(problems), file=sys.stderr)
            return 1
        shutil.rmtree(out, ignore_errors=True)
        os.replace(taking, out)
        last = "the picture held after the step asked for" if held else "the erase with the caption"
        print(f"run: a whole cycle is in {out}: tick-00.png the triangle, ... tick-{tick - 1:02d}.png {last}")
        return 0
    finally:
        shutil.rmtree(taking, ignore_errors=True)


def main(argv):
    if len(argv) >= 2 and argv[0] == "serve":
        return serve(argv[1], argv[2] if len(argv) > 2 else "")
    if len(argv) == 4 and argv[0] == "photograph":
        return photograph(argv[1], argv[2], argv[3])
    print(__doc__, file=sys.stderr)
    return 2


if __name__ == "__main__":
    sys.exit(main(sys.argv[1:]))
