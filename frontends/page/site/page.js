// The page around the program (dreieck.js and dreieck.wasm, built from the same code as
// the Windows and Linux programs). The program asks the page for what only the page
// has (platform/web/page.h): the browser's timer, the canvas, the window's size, the
// address's query, the settings kept in localStorage and the font file. The page
// itself runs nothing between ticks: one timeout per tick wakes the program, and the
// page's own handlers run only when the user does something.
//
// What the page shows around the program (the canvas's exact size, the controls out
// of the way) is screen.js's, window.dreieckScreen. Served from a web server the page
// keeps its files for offline visits (sw.js); dreieck.html is the same page in one
// file, which runs opened from a file as well.
//
// window.dreieck tells what the page has done (for the tests and the curious): its
// state, the message it shows, the timeouts that fired, the events it posted, the
// ticks drawn and what each cost, when the first picture came; tick(n) is a promise of
// the n-th tick; exploring, what each of the explorer's pictures cost and what S
// offered. With window.dreieckRecord set before this script runs, each tick's
// canvas is kept in dreieck.recorded, its RGBA pixels and their SHA-256 digest.
"use strict";
(() => {
  const canvas = document.getElementById("screen");
  const context = canvas.getContext("2d", { alpha: false });
  const messageLine = document.getElementById("message");
  const messageText = document.getElementById("message-text");
  const dialog = document.getElementById("settings");
  const controls = dialog.querySelector(".controls");
  const keptName = "dreieck.settings";
  const keepTicks = 1000;  // the costs of this many ticks are kept
  const record = !!window.dreieckRecord;
  const screen = window.dreieckScreen;
  // dreieck.html: the program, the font and this script inside the page.
  const oneFile = document.documentElement.dataset.build === "single";

  const status = window.dreieck = {
    state: "loading",  // then "running", or "failed", or "file" (index.html opened from a file)
    message: "",
    messageIsError: false,
    timeouts: 0,       // timeouts fired: the wake-ups of the ticks
    events: 0,         // events posted to the program
    runs: 0,           // times the program started (again after new settings)
    ticks: 0,
    step: 0,           // the cycle's next step
    held: false,       // the picture after the step the address asks for stays
    tickMs: [],        // each tick's milliseconds, the last `keepTicks`
    showMs: [],        // of them putting pixels on the canvas
    firstPictureMs: null,  // since navigation began
    firstTickMs: null,
    settings: null,    // as the program loaded them: {flags, background, interval}
    where: null,       // where the address asks it to draw, once the program began ("" its own window)
    wakeLock: false,
    exploring: false,  // the explorer has the canvas
    explored: [],      // each of its pictures: [milliseconds, of them putting pixels on the canvas]
    saved: [],         // what S offered: {name, svg, redraw}
    recorded: [],      // with dreieckRecord: {tick, run, started, step, width, height, digest}
    tick: n => new Promise(resolve => (status.ticks >= n ? resolve() : tickWaiters.push([n, resolve]))),
  };
  const tickWaiters = [];

  // A line at the top left; `below`, at the bottom (where it covers no line the program
  // draws at the top). It stays until the user closes it (its button or Escape), acts
  // (a button of the page) or another line takes its place.
  function say(text, error, below = false) {
    status.message = text;
    status.messageIsError = !!error;
    messageText.textContent = text;
    messageLine.classList.toggle("error", !!error);
    messageLine.classList.toggle("below", below);
    // Indented rows (the usage): in a font of fixed width, so that its columns stay.
    messageLine.classList.toggle("columns", text.includes("\n  "));
    messageLine.hidden = !text;
  }
  const dismiss = () => say("");
  document.getElementById("dismiss").addEventListener("click", dismiss);
  // Nothing the page offers can work any longer: the line that says why stays alone.
  function stop(state) {
    status.state = state;
    document.body.classList.add("stopped");
  }
  // Where the browser grants no full screen (a frame that does not allow it), Start is
  // not offered.
  if (!document.fullscreenEnabled) document.body.classList.add("no-fullscreen");

  if (location.protocol === "file:" && !oneFile) {
    stop("file");
    say("Diese Seite braucht einen Webserver: Browser führen WebAssembly aus einer Datei nicht aus. Öffnen Sie " +
        "stattdessen dreieck.html aus demselben Ordner: sie enthält alles in einer Datei.", true);
    return;
  }
  keepOffline();

  // The address's query as (name, value or null, the pair as written); the program
  // reads it with its option table, which says what is wrong with it.
  function queryPairs(search) {
    const decode = text => {
      try {
        return decodeURIComponent(text.replace(/\+/g, " "));
      } catch (e) {
        return text;
      }
    };
    return search.replace(/^\?/, "").split("&").filter(written => written).map(written => {
      const at = written.indexOf("=");
      return at < 0 ? [decode(written), null, written] : [decode(written.slice(0, at)), decode(written.slice(at + 1)), written];
    });
  }

  // The settings kept in this browser: the program's registry values, by their names,
  // as the program hands them over after its settings dialog's OK; read afresh each
  // time the program asks (another tab may have stored others meanwhile), and kept in
  // memory instead while localStorage refuses them. The page reads no name of them.
  let keptHere = null;
  function readKept() {
    if (keptHere) return keptHere;
    try {
      const parsed = JSON.parse(localStorage.getItem(keptName) || "{}");
      return parsed && typeof parsed === "object" ? parsed : {};
    } catch (e) {
      return {};
    }
  }

  // Whether the address asks for the whole screen: fullscreen, or the saver.
  const wholeScreen = () => status.where === "fullscreen" || status.where === "saver";

  // The wait between ticks: one timeout, or an event posted meanwhile.
  const events = [];
  let wake = null;
  let timer = 0;
  // An event of `kind` with its numbers and a name, as the program reads them
  // (platform/web/page.h): ("pointer", [x, y], "pressed"), ("key", [held], "ArrowLeft").
  function post(kind, numbers = [], name = "") {
    events.push([kind, numbers, name]);
    status.events++;
    if (wake) {
      clearTimeout(timer);
      const resolve = wake;
      wake = null;
      resolve(0);
    }
  }

  // The first picture: the controls go out of the way three seconds after it (or after
  // the pointer last moved), however long the page took to load.
  function shown() {
    if (status.firstPictureMs !== null) return;
    status.firstPictureMs = performance.now();
    screen.begin();
  }

  // The canvas takes the size of the image shown on it.
  function takeSize(width, height) {
    if (canvas.width === width && canvas.height === height) return;
    canvas.width = width;
    canvas.height = height;
    screen.fit(canvas);
  }

  const page = {
    query: queryPairs(location.search),
    font: null,
    wait(ms) {
      return new Promise(resolve => {
        if (events.length) return resolve(0);
        wake = resolve;
        if (ms >= 0) {
          timer = setTimeout(() => {
            status.timeouts++;
            wake = null;
            resolve(1);
          }, ms);
        }
      });
    },
    nextEvent: () => events.shift() || null,
    windowSize: () => screen.size(),
    show(pixels, x, y, width, height, imageWidth, imageHeight) {
      takeSize(imageWidth, imageHeight);
      context.putImageData(new ImageData(pixels, width, height), x, y);
      shown();
    },
    // The whole image's RGBA as the canvas is to have it, of which `rects` (x, y, width,
    // height each) changed.
    showKept(pixels, imageWidth, imageHeight, rects) {
      takeSize(imageWidth, imageHeight);
      const image = new ImageData(pixels, imageWidth, imageHeight);
      for (let i = 0; i < rects.length; i += 4) {
        context.putImageData(image, 0, 0, rects[i], rects[i + 1], rects[i + 2], rects[i + 3]);
      }
      shown();
    },
    ticked(started, step, ms, showMs, held) {
      const tick = ++status.ticks;
      status.step = step;
      status.held = held;
      for (const [list, value] of [[status.tickMs, ms], [status.showMs, showMs]]) {
        list.push(value);
        if (list.length > keepTicks) list.shift();
      }
      if (status.firstTickMs === null) status.firstTickMs = performance.now();
      if (record) {
        const pixels = context.getImageData(0, 0, canvas.width, canvas.height);
        const entry = { tick, run: status.runs, started, step, held, width: canvas.width, height: canvas.height,
                        digest: null, pixels };
        status.recorded.push(entry);
        crypto.subtle.digest("SHA-256", pixels.data).then(hash => {
          entry.digest = Array.from(new Uint8Array(hash), b => b.toString(16).padStart(2, "0")).join("");
        });
      }
      for (let i = tickWaiters.length - 1; i >= 0; --i) {
        if (tickWaiters[i][0] <= tick) tickWaiters.splice(i, 1)[0][1]();
      }
    },
    started(flags, background, interval, red, green, blue) {
      status.runs++;
      status.state = "running";
      status.settings = { flags, background, interval };
      document.body.style.background = `rgb(${red}, ${green}, ${blue})`;
    },
    where(option) {
      status.where = option;
      // Asked for full screen (as the installed app is) or for the saver: the
      // screensaver, the picture alone until the pointer moves.
      if (wholeScreen()) screen.quiet();
    },
    // The kept values as [name, number as text] (the program takes those it can keep).
    kept() {
      return Object.entries(readKept()).map(([name, value]) => [name, typeof value === "number" ? String(value) : ""]);
    },
    keep(values) {
      const kept = Object.fromEntries(values);
      try {
        localStorage.setItem(keptName, JSON.stringify(kept));
        keptHere = null;
      } catch (e) {
        keptHere = kept;
        say("Die Einstellungen ließen sich in diesem Browser nicht speichern; sie gelten für diesen Besuch.", true);
      }
    },
    stopped: () => stop("failed"),
    exploring(on) {
      status.exploring = on;
      if (on && status.state === "loading") status.state = "running";
      document.body.classList.toggle("exploring", on);
      if (!on) canvas.style.cursor = "";
    },
    explored(ms, showMs) {
      status.explored.push([ms, showMs]);
      if (status.explored.length > keepTicks) status.explored.shift();
    },
    // The pointer's shape the program asks for, as CSS names it.
    pointerShape(css) {
      canvas.style.cursor = css;
    },
    savePicture(stem, svg, redraw, line, ms) {
      const offer = (blob, name) => {
        const link = Object.assign(document.createElement("a"), { href: URL.createObjectURL(blob), download: name });
        link.click();
        setTimeout(() => URL.revokeObjectURL(link.href), 60000);
      };
      canvas.toBlob(png => {
        offer(png, `${stem}.png`);
        if (svg) offer(new Blob([svg], { type: "image/svg+xml" }), `${stem}.svg`);
        status.saved.push({ name: `${stem}.png`, svg: svg ? `${stem}.svg` : null, redraw });
        say(line, false, true);
        setTimeout(() => status.message === line && say(""), ms);
      }, "image/png");
    },
    message: say,
    showDialog,
    closeDialog,
  };

  // ---- A dialog of the program (its settings): drawn from the controls the core
  // describes, where the template places them (in CSS pixels). What the user does goes
  // back to the program's dialog manager, and what the controls then show comes back in
  // the next description.
  let dialogShown = null;  // the description the panel shows
  function place(element, c) {
    element.dataset.type = c.type;
    Object.assign(element.style, {
      left: `${c.x}px`, top: `${c.y}px`, width: `${c.cx}px`,
      height: c.type === "scrollbar" ? "auto" : `${c.cy}px`,
    });
    return element;
  }
  function controlOf(c) {
    if (c.type === "group") {
      const group = document.createElement("fieldset");
      group.append(Object.assign(document.createElement("legend"), { textContent: c.text }));
      return group;
    }
    if (c.type === "check" || c.type === "radio") {
      const label = document.createElement("label");
      const input = Object.assign(document.createElement("input"), { type: c.type === "check" ? "checkbox" : "radio" });
      input.dataset.id = c.id;
      // The dialog manager decides what it shows: once the browser's own click is done,
      // the control shows what the dialog's last description says.
      input.addEventListener("click", () => {
        post("dialog-click", [c.id]);
        setTimeout(() => dialogShown && showStates(dialogShown));
      });
      label.append(input, c.text);
      return label;
    }
    if (c.type === "scrollbar") {
      const box = document.createElement("div");
      const input = Object.assign(document.createElement("input"), { type: "range", min: c.min, max: c.max, step: 1 });
      input.dataset.id = c.id;
      input.style.width = "100%";
      const output = document.createElement("output");
      input.addEventListener("input", () => (output.textContent = input.value));
      // The thumb dropped: where it lies now.
      input.addEventListener("change", () => post("dialog-scroll", [c.id, Number(input.value)]));
      box.append(input, output);
      return box;
    }
    if (c.type === "button" || c.type === "default") {
      const button = Object.assign(document.createElement("button"), { type: "button", textContent: c.text });
      button.dataset.id = c.id;
      button.addEventListener("click", () => post("dialog-click", [c.id]));
      return button;
    }
    const text = Object.assign(document.createElement("div"), { textContent: c.text });
    if (c.type === "text-right") text.className = "right";
    return text;
  }
  function showDialog(description) {
    if (!dialogShown) {
      document.getElementById("settings-caption").textContent = description.caption;
      controls.replaceChildren(...description.controls.map(c => place(controlOf(c), c)));
      controls.style.width = `${description.cx}px`;
      controls.style.height = `${description.cy}px`;
      // On a screen narrower than the dialog (a phone) the whole dialog smaller.
      const fit = Math.min(1, (innerWidth - 24) / (description.cx + 2));
      dialog.style.zoom = fit < 1 ? String(fit) : "";
      dialog.showModal();
    }
    dialogShown = description;
    showStates(description);
  }
  function showStates(description) {
    for (const c of description.controls) {
      const input = controls.querySelector(`input[data-id="${c.id}"]`);
      if (!input) continue;
      if (input.type === "range") {
        input.value = c.pos;
        input.dispatchEvent(new Event("input"));
      } else {
        input.checked = c.checked;
      }
    }
  }
  function closeDialog() {
    dialogShown = null;
    if (dialog.open) dialog.close();
  }
  // Escape and Enter are the dialog manager's: Cancel, and the default button.
  dialog.addEventListener("cancel", event => {
    event.preventDefault();
    post("dialog-key", [], "Escape");
  });
  // A browser may close a dialog itself (a second Escape without a click between): the
  // program's dialog is then cancelled, as if its Cancel was pressed.
  dialog.addEventListener("close", () => {
    if (dialogShown) post("dialog-key", [], "Escape");
  });
  // Enter on a focused button presses that button (the browser's own click); elsewhere
  // it is the dialog manager's default button.
  dialog.addEventListener("keydown", event => {
    if (event.key !== "Enter" || (event.target instanceof HTMLButtonElement && event.target.dataset.id)) return;
    event.preventDefault();
    post("dialog-key", [], "Enter");
  });
  // Before the program's first tick too: the program takes the press when it waits.
  const programRuns = () => status.state === "loading" || status.state === "running";
  // A button of the page pressed: the user acts, and the line shown goes.
  const acting = () => status.message && !document.body.classList.contains("stopped") && dismiss();
  document.getElementById("open-settings").addEventListener("click", () => {
    acting();
    if (!status.exploring && programRuns()) post("button", [], "settings");
  });

  // ---- Full screen: the screensaver. The Start button or f goes there, hides the
  // pointer and keeps the screen on (where the browser grants it); a click or Escape
  // leaves.
  let wakeLock = null;
  async function keepScreenOn() {
    try {
      wakeLock = navigator.wakeLock ? await navigator.wakeLock.request("screen") : null;
    } catch (e) {
      wakeLock = null;
    }
    status.wakeLock = !!wakeLock;
  }
  function start() {
    if (document.fullscreenElement || dialog.open) return;
    document.documentElement.requestFullscreen().catch(e => say(`Vollbild verweigert: ${e.message}`, true));
  }
  function leave() {
    if (document.fullscreenElement) document.exitFullscreen().catch(() => {});
  }
  document.addEventListener("fullscreenchange", () => {
    const saving = !!document.fullscreenElement;
    document.body.classList.toggle("saving", saving);
    if (saving) {
      keepScreenOn();
    } else if (wakeLock) {
      wakeLock.release().catch(() => {});
      wakeLock = null;
      status.wakeLock = false;
    }
  });
  document.addEventListener("visibilitychange", () => {
    if (document.visibilityState === "visible" && document.fullscreenElement && !wakeLock) keepScreenOn();
  });
  document.getElementById("start").addEventListener("click", () => {
    acting();
    start();
  });
  // Exploring, the keys go to the explorer as the browser names them, a key held down
  // marked as a repeat; the program turns them into its keys, and the explorer decides
  // what each does. These are the keys it has a name for. Tab is the browser's, and
  // Enter and Space press the button the keyboard is on (Speichern, Zurück).
  const explorerKey = key => /^(Arrow(Left|Up|Right|Down)| |Escape|Enter|Backspace|[a-zA-Z0-9])$/.test(key);
  const pressesButton = key => (key === "Enter" || key === " ") &&
    document.activeElement instanceof HTMLButtonElement && document.activeElement.getClientRects().length > 0;
  document.addEventListener("keydown", event => {
    if (dialog.open || event.ctrlKey || event.altKey || event.metaKey) return;
    if (status.exploring) {
      // f: the explorer full screen, the monitor its screen (as for the screensaver).
      if (event.key === "f" || event.key === "F") return start();
      if (!explorerKey(event.key) || pressesButton(event.key)) return;
      event.preventDefault();
      post("key", [event.repeat ? 1 : 0], event.key);
      if (event.key !== "Escape") return;
    }
    if (event.key === "f" || event.key === "F") start();
    else if (event.key === "Escape" && document.fullscreenElement) leave();
    else if (event.key === "Escape" && !document.body.classList.contains("stopped")) dismiss();
  });
  // The explorer's pointer, mouse or touch, in the canvas's device pixels. A drag
  // begins on the canvas and is followed over the whole page until it is released.
  const where = event => {
    const box = canvas.getBoundingClientRect();
    const ratio = canvas.width / (box.width || 1);
    return [Math.round((event.clientX - box.left) * ratio), Math.round((event.clientY - box.top) * ratio)];
  };
  let pressed = null;  // the pointer of the drag
  canvas.addEventListener("pointerdown", event => {
    if (!status.exploring || !event.isPrimary || event.button !== 0) return;
    pressed = event.pointerId;
    post("pointer", where(event), "pressed");
  });
  document.addEventListener("pointermove", event => {
    if (status.exploring && event.isPrimary && (pressed === event.pointerId || event.target === canvas))
      post("pointer", where(event), "moved");
  });
  for (const kind of ["pointerup", "pointercancel"]) {
    document.addEventListener(kind, event => {
      if (pressed !== event.pointerId) return;
      pressed = null;
      if (status.exploring) post("pointer", where(event), "released");
    });
  }
  // The screensaver takes a new size at its next tick; the explorer draws again now.
  screen.onChange(() => {
    screen.fit(canvas);
    if (status.exploring) post("resized");
  });
  document.getElementById("explore").addEventListener("click", () => {
    acting();
    if (!status.exploring && programRuns()) post("button", [], "explore");
  });
  // The explorer's Save and Back are its S and Escape.
  document.getElementById("save").addEventListener("click", () => post("key", [0], "s"));
  document.getElementById("back").addEventListener("click", () => post("key", [0], "Escape"));
  document.addEventListener("pointerdown", event => {
    if (status.exploring) return;
    if (document.fullscreenElement) leave();
    // Asked for by the address (fullscreen or saver): a click on the picture goes full screen.
    else if (wholeScreen() && event.target === canvas) start();
  });

  // ---- Offline: served from a web server the page has its service worker (sw.js)
  // keep its files, so that a later visit opens without the network and the page can
  // be installed as an app (manifest.webmanifest).
  function keepOffline() {
    status.worker = "none";  // then "registered", or why not
    if (oneFile || !("serviceWorker" in navigator) || !window.isSecureContext) return;
    navigator.serviceWorker.register("sw.js").then(
      () => (status.worker = "registered"),
      error => (status.worker = `refused: ${error.message}`));
  }

  // ---- The program: the font and the module come in side by side, then it runs.
  if (typeof Dreieck !== "function") {
    stop("failed");
    say("Das Programm (dreieck.js) wurde nicht geladen.", true);
    return;
  }
  // The font's address is the page's (a data: address in dreieck.html).
  const font = fetch(document.getElementById("font").href).then(answer => {
    if (!answer.ok) throw new Error(`die Schrift der Beschriftung: HTTP ${answer.status}`);
    return answer.arrayBuffer();
  });
  const fail = what => {
    stop("failed");
    say(`Das Programm wurde angehalten: ${what}`, true);
  };
  // A trap after the program resumed from a wait is not its start's: it reaches the
  // page as an uncaught error or a rejected promise.
  const stopped = error => status.state !== "failed" && fail((error && error.message) || String(error));
  addEventListener("error", event => event.error instanceof WebAssembly.RuntimeError && stopped(event.error));
  addEventListener("unhandledrejection", event => stopped(event.reason));
  Promise.all([font, Dreieck({ page, noInitialRun: true, onAbort: fail }), screen.ready])
    .then(([bytes, program]) => {
      page.font = new Uint8Array(bytes);
      program.callMain([]);
    })
    .catch(error => fail(error.message || String(error)));
})();
