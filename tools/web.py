#!/usr/bin/python3
"""Serves the page of the browser build, or runs it tick by tick in headless Chromium
for screenshots (tools/run.sh --web comes here through tools/run-web.sh).

    web.py serve SITE [QUERY]              serves SITE on 127.0.0.1 until interrupted
    web.py ticks SITE QUERY                the page at 1024x768, a tick at a time

QUERY is the address's query without the "?" (e.g. background=white&interval=500).
ticks says "ready" on stdout once the page runs; then each line FILE on stdin runs the
page's next tick and writes its screenshot to FILE, and the answer is "more", or "last"
after the cycle's last tick (the erase, or the picture held after the step asked for);
an empty line or the end of stdin ends it (tools/lib/cycle.sh, photograph_cycle, asks).
A query the page refuses ends it with the page's own line on stderr and exit code 2; a
page that does not run or reports a problem, with 1.
"""

import os
import sys
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


def ticks(site_folder, query):
    width, height = 1024, 768
    with cdp.Site(site_folder) as site, cdp.Browser(width, height) as browser:
        page = browser.open("about:blank")
        page.set_viewport(width, height)
        url = site.url("index.html" + ("?" + query if query else ""))
        print(f"run: photographing one cycle of {url}", file=sys.stderr, flush=True)
        page.navigate(url)
        page.wait_for("dreieck.state !== 'loading'", timeout=30)
        state = page.evaluate("dreieck.state")
        if state != "running":
            print(f"run: the page did not run ({state}): {page.evaluate('dreieck.message')}", file=sys.stderr)
            return 1
        if page.evaluate("dreieck.messageIsError"):
            print(f"run: {page.evaluate('dreieck.message')}", file=sys.stderr)
            return 2
        # The picture alone, as a page left running shows it: the buttons go at once.
        page.evaluate("dreieckScreen.quiet()")
        print("ready", flush=True)
        tick = 0
        for line in sys.stdin:
            if not line.strip():
                break
            # The screenshot comes right after the tick, long before the next one.
            tick += 1
            page.evaluate(f"dreieck.tick({tick})", await_promise=True)
            page.screenshot(line.rstrip("\n"))
            problems = page.problems()
            if problems:
                print("run: the page reported problems:\n  " + "\n  ".join(problems), file=sys.stderr)
                return 1
            last = page.evaluate("dreieck.held") or page.evaluate("dreieck.step") == 0
            print("last" if last else "more", flush=True)
    return 0


def main(argv):
    if len(argv) >= 2 and argv[0] == "serve":
        return serve(argv[1], argv[2] if len(argv) > 2 else "")
    if len(argv) == 3 and argv[0] == "ticks":
        return ticks(argv[1], argv[2])
    print(__doc__, file=sys.stderr)
    return 2


if __name__ == "__main__":
    sys.exit(main(sys.argv[1:]))
