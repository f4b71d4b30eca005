"""Drives Debian's headless Chromium through its DevTools protocol, for the tests of
the browser build, and serves the page's folder on the loopback.

    with Site("build/web/site") as site, Browser() as browser:
        page = browser.open(site.url("index.html"))
        page.wait_for("document.body.dataset.probe === 'drawn'")
        rgba = page.canvas_rgba("#probe")
        assert not page.problems(), page.problems()

Chromium runs as root here, so without its sandbox, with a fresh profile in a
temporary folder that goes when the browser does; it finds a free port itself
(--remote-debugging-port=0) and names it in DevToolsActivePort. Needs Debian's
python3-websocket (websocket-client), hence /usr/bin/python3.
"""

import base64
import functools
import http.server
import json
import os
import shutil
import socketserver
import subprocess
import tempfile
import threading
import time
import urllib.request

import websocket

CHROMIUM = "/usr/bin/chromium"


class CdpError(Exception):
    """The browser answered a command with an error, or did not answer in time."""


class Site:
    """A static file server for FOLDER on 127.0.0.1 at a free port, in a thread of
    this process. It serves .wasm as application/wasm (what streaming compilation
    asks for) and keeps the paths it was asked for and their status codes. While
    `offline` is set it answers nothing: each request's connection is closed unanswered
    (kept as status "refused"), as when the server cannot be reached. `delays` holds
    seconds by path: the answer to such a path comes that much later (a slow network)."""

    def __init__(self, folder):
        self.folder = os.path.abspath(folder)
        self.requests = []  # (path, status)
        self.offline = False
        self.delays = {}
        site = self

        class Handler(http.server.SimpleHTTPRequestHandler):
            extensions_map = {**http.server.SimpleHTTPRequestHandler.extensions_map,
                              ".wasm": "application/wasm", ".js": "text/javascript",
                              ".webmanifest": "application/manifest+json"}

            def do_GET(self):
                if site.offline:
                    site.requests.append((self.path, "refused"))
                    self.close_connection = True
                    return
                time.sleep(site.delays.get(self.path.split("?")[0], 0))
                super().do_GET()

            def log_request(self, code="-", size="-"):
                site.requests.append((self.path, int(code) if str(code).isdigit() else code))

            def log_message(self, *args):
                pass

        class Server(socketserver.ThreadingMixIn, http.server.HTTPServer):
            daemon_threads = True

        self._server = Server(("127.0.0.1", 0), functools.partial(Handler, directory=self.folder))
        self.port = self._server.server_address[1]
        self._thread = threading.Thread(target=self._server.serve_forever, daemon=True)

    def url(self, path=""):
        return f"http://127.0.0.1:{self.port}/{path}"

    def __enter__(self):
        self._thread.start()
        return self

    def __exit__(self, *exc):
        self._server.shutdown()
        self._server.server_close()
        self._thread.join()


class Browser:
    """Headless Chromium with a DevTools endpoint; open() gives a Page."""

    def __init__(self, width=1024, height=768, extra_args=(), timeout=30):
        self.profile = tempfile.mkdtemp(prefix="dreieck-chromium-")
        args = [CHROMIUM, "--no-sandbox", "--headless=new", "--disable-gpu", "--disable-quic", "--no-first-run",
                "--no-default-browser-check", "--disable-background-networking", "--disable-component-update",
                "--disable-sync", "--disable-extensions", "--force-color-profile=srgb", "--hide-scrollbars",
                f"--window-size={width},{height}", f"--user-data-dir={self.profile}",
                "--remote-debugging-port=0", *extra_args, "about:blank"]
        self.log_path = os.path.join(self.profile, "chromium.log")
        self._log = open(self.log_path, "wb")
        self.process = subprocess.Popen(args, stdin=subprocess.DEVNULL, stdout=self._log, stderr=subprocess.STDOUT,
                                        start_new_session=True)
        self.pages = []
        try:
            self.port = self._read_port(timeout)
        except Exception:
            self.close()
            raise

    def _read_port(self, timeout):
        # DevToolsActivePort holds the port, then the browser's endpoint path.
        path = os.path.join(self.profile, "DevToolsActivePort")
        deadline = time.monotonic() + timeout
        while time.monotonic() < deadline:
            if self.process.poll() is not None:
                raise CdpError(f"chromium ended with {self.process.returncode} before it listened: {self.log_tail()}")
            try:
                with open(path) as f:
                    lines = f.read().split()
                if len(lines) >= 2:
                    return int(lines[0])
            except FileNotFoundError:
                pass
            time.sleep(0.05)
        raise CdpError(f"chromium named no DevTools port within {timeout} s: {self.log_tail()}")

    def log_tail(self, lines=10):
        try:
            with open(self.log_path, errors="replace") as f:
                return " | ".join(f.read().splitlines()[-lines:])
        except OSError:
            return ""

    def _json(self, path, method="GET"):
        request = urllib.request.Request(f"http://127.0.0.1:{self.port}{path}", method=method)
        with urllib.request.urlopen(request, timeout=10) as answer:
            return json.load(answer)

    def open(self, url, timeout=30):
        """A new tab, its domains enabled, navigated to URL (returns once it has loaded)."""
        target = self._json("/json/new?about:blank", method="PUT")
        page = Page(target["webSocketDebuggerUrl"], timeout)
        self.pages.append(page)
        page.navigate(url)
        return page

    def close(self):
        for page in self.pages:
            page.close()
        if self.process.poll() is None:
            try:
                os.killpg(self.process.pid, 15)
                self.process.wait(10)
            except (ProcessLookupError, subprocess.TimeoutExpired):
                try:
                    os.killpg(self.process.pid, 9)
                except ProcessLookupError:
                    pass
                self.process.wait()
        self._log.close()
        shutil.rmtree(self.profile, ignore_errors=True)

    def __enter__(self):
        return self

    def __exit__(self, *exc):
        self.close()


class Page:
    """One tab. Keeps what went wrong on it: console errors, uncaught exceptions,
    error log entries, requests that failed or got an HTTP error."""

    def __init__(self, ws_url, timeout=30):
        self.timeout = timeout
        self._ws = websocket.create_connection(ws_url, timeout=timeout, suppress_origin=True)
        self._next_id = 0
        self.events = []
        self.console = []  # (type, text)
        self._problems = []
        self._touch = False
        for domain in ("Page", "Runtime", "Log", "Network", "Performance"):
            self.send(f"{domain}.enable")

    def close(self):
        if self._ws is not None:
            self._ws.close()
            self._ws = None

    # The protocol: commands and the events that arrive meanwhile.
    def send(self, method, **params):
        self._next_id += 1
        ident = self._next_id
        self._ws.send(json.dumps({"id": ident, "method": method, "params": params}))
        deadline = time.monotonic() + self.timeout
        while True:
            message = self._receive(deadline, method)
            if message.get("id") == ident:
                if "error" in message:
                    raise CdpError(f"{method}: {message['error'].get('message')} {message['error'].get('data', '')}")
                return message.get("result", {})

    def _receive(self, deadline, waiting_for):
        remaining = deadline - time.monotonic()
        if remaining <= 0:
            raise CdpError(f"no answer to {waiting_for} in time")
        self._ws.settimeout(remaining)
        try:
            message = json.loads(self._ws.recv())
        except websocket.WebSocketTimeoutException:
            raise CdpError(f"no answer to {waiting_for} in time") from None
        if "method" in message:
            self._event(message["method"], message.get("params", {}))
        return message

    def _event(self, method, params):
        self.events.append((method, params))
        if method == "Runtime.consoleAPICalled":
            text = " ".join(str(arg.get("value", arg.get("description", ""))) for arg in params.get("args", []))
            self.console.append((params.get("type"), text))
            if params.get("type") in ("error", "assert"):
                self._problems.append(f"console.{params['type']}: {text}")
        elif method == "Runtime.exceptionThrown":
            details = params.get("exceptionDetails", {})
            text = details.get("exception", {}).get("description") or details.get("text", "")
            self._problems.append(f"exception: {text}")
        elif method == "Log.entryAdded":
            entry = params.get("entry", {})
            if entry.get("level") == "error":
                self._problems.append(f"log ({entry.get('source')}): {entry.get('text')} {entry.get('url', '')}")
        elif method == "Network.loadingFailed":
            self._problems.append(f"request failed: {params.get('errorText')} ({params.get('type')})")
        elif method == "Network.responseReceived":
            response = params.get("response", {})
            if response.get("status", 0) >= 400:
                self._problems.append(f"HTTP {response['status']}: {response.get('url')}")

    def problems(self):
        """What went wrong on the page so far, one line each."""
        return list(self._problems)

    def pump(self, seconds):
        """Takes in the events of the next SECONDS."""
        deadline = time.monotonic() + seconds
        while True:
            try:
                self._receive(deadline, "events")
            except CdpError:
                return

    # Pages and scripts.
    def forget_problems(self):
        """Starts the list of problems afresh (for a page navigated again)."""
        self._problems.clear()

    def navigate(self, url):
        """Loads URL and returns once its load event has fired."""
        since = len(self.events)
        result = self.send("Page.navigate", url=url)
        if result.get("errorText"):
            raise CdpError(f"{url} did not load: {result['errorText']}")
        self.wait_for_event("Page.loadEventFired", since)

    def before_scripts(self, source):
        """Runs the JavaScript SOURCE in every document this tab loads from now on,
        before the document's own scripts."""
        self.send("Page.addScriptToEvaluateOnNewDocument", source=source)

    def wait_for_event(self, method, since=0, timeout=None):
        """The parameters of the first event METHOD from the SINCEth on, waiting for it."""
        deadline = time.monotonic() + (timeout or self.timeout)
        while True:
            for name, params in self.events[since:]:
                if name == method:
                    return params
            since = len(self.events)
            self._receive(deadline, method)

    def evaluate(self, expression, await_promise=False):
        """The value of a JavaScript expression (JSON-able); an exception is a CdpError."""
        result = self.send("Runtime.evaluate", expression=expression, returnByValue=True, awaitPromise=await_promise)
        if "exceptionDetails" in result:
            details = result["exceptionDetails"]
            raise CdpError(f"{expression}: {details.get('exception', {}).get('description') or details.get('text')}")
        return result.get("result", {}).get("value")

    def wait_for(self, condition, timeout=None):
        """Waits until the expression CONDITION is true; a CdpError after TIMEOUT seconds."""
        deadline = time.monotonic() + (timeout or self.timeout)
        while True:
            if self.evaluate(f"!!({condition})"):
                return
            if time.monotonic() > deadline:
                raise CdpError(f"still not true after {timeout or self.timeout} s: {condition}; "
                               f"problems: {self.problems()}")
            self.pump(0.05)

    def canvas_rgba(self, selector):
        """(width, height, bytes): the canvas's pixels as RGBA rows, from getImageData."""
        value = self.evaluate(f"""(() => {{
            const canvas = document.querySelector({json.dumps(selector)});
            const data = canvas.getContext('2d').getImageData(0, 0, canvas.width, canvas.height).data;
            let text = '';
            for (let i = 0; i < data.length; i += 0x8000)
              text += String.fromCharCode.apply(null, data.subarray(i, i + 0x8000));
            return [canvas.width, canvas.height, btoa(text)];
        }})()""")
        return value[0], value[1], base64.b64decode(value[2])

    # Looking and the window.
    def screenshot(self, path=None):
        """The visible page as PNG bytes (also written to PATH when given)."""
        data = base64.b64decode(self.send("Page.captureScreenshot", format="png")["data"])
        if path:
            with open(path, "wb") as f:
                f.write(data)
        return data

    def set_viewport(self, width, height, scale=1, mobile=False):
        self.send("Emulation.setDeviceMetricsOverride", width=width, height=height, deviceScaleFactor=scale,
                  mobile=mobile)

    # Input, as the user gives it.
    def key(self, key, code=None, key_code=0, text=None):
        """Presses and releases a key (key "Escape", code "Escape", key_code 27)."""
        down = {"type": "keyDown" if text else "rawKeyDown", "key": key, "code": code or key,
                "windowsVirtualKeyCode": key_code}
        if text:
            down["text"] = text
        self.send("Input.dispatchKeyEvent", **down)
        self.send("Input.dispatchKeyEvent", type="keyUp", key=key, code=code or key, windowsVirtualKeyCode=key_code)

    def mouse(self, kind, x, y, button="left", buttons=None, click_count=1):
        """One mouse event: kind "mousePressed", "mouseReleased", "mouseMoved" or "mouseWheel"."""
        params = {"type": kind, "x": x, "y": y, "button": button if kind != "mouseMoved" else "none",
                  "clickCount": click_count if kind != "mouseMoved" else 0}
        if buttons is not None:
            params["buttons"] = buttons
        self.send("Input.dispatchMouseEvent", **params)

    def click(self, x, y):
        self.mouse("mousePressed", x, y)
        self.mouse("mouseReleased", x, y)

    def touch(self, kind, points):
        """One touch event: kind "touchStart", "touchMove", "touchEnd" or "touchCancel",
        POINTS a list of (x, y) (empty for the end). As on a real screen, a move that
        stays within a few pixels of the start reaches no touchmove handler, and a touch
        that ends where it began is followed by mouse events (a tap)."""
        if not self._touch:
            self.send("Emulation.setTouchEmulationEnabled", enabled=True, maxTouchPoints=5)
            self._touch = True
        self.send("Input.dispatchTouchEvent", type=kind,
                  touchPoints=[{"x": x, "y": y, "id": i} for i, (x, y) in enumerate(points)])

    # What the page costs.
    def metrics(self):
        """Performance.getMetrics as a dict: TaskDuration and ScriptDuration (seconds of
        the main thread), LayoutCount, RecalcStyleCount, JSHeapUsedSize, ..."""
        return {m["name"]: m["value"] for m in self.send("Performance.getMetrics")["metrics"]}

    def trace(self, seconds, categories="toplevel,devtools.timeline,disabled-by-default-devtools.timeline"):
        """The complete trace events ("X") of the next SECONDS (Tracing domain) on the
        renderers' main threads (CrRendererMain), in time order: dicts with pid, name,
        ts and dur in microseconds, args."""
        since = len(self.events)
        self.send("Tracing.start", categories=categories, transferMode="ReportEvents")
        self.pump(seconds)
        self.send("Tracing.end")
        self.wait_for_event("Tracing.tracingComplete", since, timeout=60)
        events = [e for method, params in self.events[since:] if method == "Tracing.dataCollected"
                  for e in params.get("value", [])]
        main = {(e["pid"], e["tid"]) for e in events
                if e.get("name") == "thread_name" and e.get("args", {}).get("name") == "CrRendererMain"}
        return sorted((e for e in events if (e.get("pid"), e.get("tid")) in main and e.get("ph") == "X"),
                      key=lambda e: e["ts"])

    def busy_over(self, seconds):
        """Seconds of main-thread task time, script time and layouts the page spends in
        the next SECONDS (what an idle page should keep near zero)."""
        before = self.metrics()
        self.pump(seconds)
        after = self.metrics()
        return {name: after[name] - before[name] for name in ("TaskDuration", "ScriptDuration", "LayoutCount",
                                                               "RecalcStyleCount")}
