// What the page shows on the screen, apart from the program (page.js uses it):
//
// - The program's screen is the canvas at exactly the device pixels of its box, so that
//   the browser puts every pixel of it on the screen as it is, at any device pixel ratio
//   (125 %, 150 %, a zoomed page). Where the browser measures boxes in device pixels
//   (ResizeObserver's devicePixelContentBoxSize) the screen is the whole window;
//   elsewhere it is the largest box of whole CSS pixels whose size in device pixels is
//   whole too (at 150 %: an even number of CSS pixels), and the few device pixels left
//   at the right and bottom show the background.
// - The controls and the pointer over the picture go out of the way three seconds after
//   the pointer last moved (or after the first picture, however long the page took to
//   load), and come back at the next movement, touch or key.
//
// window.dreieckScreen: size(), the screen in device pixels; fit(canvas) gives the
// canvas the CSS box that shows its pixels one to one; onChange(f) calls f when the
// screen's size or ratio changed; ready, a promise of the first measurement; how, the
// way it measures ("device-pixel-content-box" or "whole"); begin(), the first picture
// is there; stir() and quiet(), the controls back or away now.
"use strict";
window.dreieckScreen = (() => {
  const viewport = document.getElementById("viewport");
  const changed = [];
  let device = [1, 1];   // the screen, in device pixels
  let box = ["0px", "0px"];  // the CSS box of a canvas that shows the whole screen
  let how = "";
  let observed = null;   // the last ResizeObserver entry of the viewport

  // The largest whole number of CSS pixels up to `length` that is a whole number of
  // device pixels too; the ratios browsers give (1.25, 1.100000023841858) find one
  // within a few steps.
  function wholeLength(length, ratio) {
    const most = Math.max(1, Math.floor(length + 1e-6));
    for (let css = most; css > 0 && css > most - 64; --css) {
      if (Math.abs(css * ratio - Math.round(css * ratio)) < 1e-3) return css;
    }
    return most;
  }

  function measure() {
    const ratio = window.devicePixelRatio || 1;
    let size, css, way;
    // The device pixels of the viewport, if the browser counts them: a count that does
    // not fit the CSS size and ratio (DevTools' device emulation gives CSS pixels here)
    // is not taken.
    const counted = observed && observed.devicePixelContentBoxSize && observed.devicePixelContentBoxSize[0];
    const cssSize = observed && observed.contentBoxSize && observed.contentBoxSize[0];
    if (counted && cssSize && Math.abs(counted.inlineSize - cssSize.inlineSize * ratio) <= 1 &&
        Math.abs(counted.blockSize - cssSize.blockSize * ratio) <= 1) {
      size = [counted.inlineSize, counted.blockSize];
      css = ["100%", "100%"];
      way = "device-pixel-content-box";
    } else {
      const rect = viewport.getBoundingClientRect();
      const width = wholeLength(rect.width, ratio), height = wholeLength(rect.height, ratio);
      size = [Math.max(1, Math.round(width * ratio)), Math.max(1, Math.round(height * ratio))];
      css = [`${width}px`, `${height}px`];
      way = "whole";
    }
    if (size[0] === device[0] && size[1] === device[1] && css[0] === box[0] && css[1] === box[1]) return;
    device = size;
    box = css;
    how = way;
    for (const f of changed) f();
  }

  // A change of ratio without a change of size (the window moved to another monitor)
  // fires no resize event: a media query on the ratio of the moment notices it.
  function watchRatio() {
    const query = matchMedia(`(resolution: ${window.devicePixelRatio || 1}dppx)`);
    query.addEventListener("change", () => {
      watchRatio();
      measure();
    }, { once: true });
  }

  let ready;
  if (window.ResizeObserver && window.ResizeObserverEntry &&
      "devicePixelContentBoxSize" in ResizeObserverEntry.prototype) {
    ready = new Promise(resolve => {
      new ResizeObserver(entries => {
        observed = entries[entries.length - 1];
        measure();
        resolve();
      }).observe(viewport, { box: "device-pixel-content-box" });
    });
  } else {
    measure();
    ready = Promise.resolve();
  }
  addEventListener("resize", measure);
  watchRatio();

  // The canvas's box: the screen's when it holds the screen's pixels, else as many CSS
  // pixels as it has device pixels (a size the address fixed).
  function fit(canvas) {
    const ratio = window.devicePixelRatio || 1;
    const whole = canvas.width === device[0] && canvas.height === device[1];
    const width = whole ? box[0] : `${canvas.width / ratio}px`;
    const height = whole ? box[1] : `${canvas.height / ratio}px`;
    if (canvas.style.width !== width) canvas.style.width = width;
    if (canvas.style.height !== height) canvas.style.height = height;
  }

  // ---- Out of the way. One timeout after the last movement; while the pointer keeps
  // moving it is not set again, only found early when it fires. Nothing goes before
  // the first picture: there is nothing else to see.
  const quietAfterMs = 3000;
  let lastStir = performance.now();
  let timer = 0;
  let at = null;  // where the pointer was last
  let begun = false;
  function quiet() {
    clearTimeout(timer);
    timer = 0;
    document.body.classList.add("quiet");
  }
  function settle() {
    const left = quietAfterMs - (performance.now() - lastStir);
    timer = left > 0 && begun ? setTimeout(settle, left) : 0;
    if (left <= 0 && begun) quiet();
  }
  // The three seconds count from now, unless the controls have gone already (asked for).
  function begin() {
    if (begun) return;
    begun = true;
    lastStir = performance.now();
    if (!timer && !document.body.classList.contains("quiet")) timer = setTimeout(settle, quietAfterMs);
  }
  function stir() {
    lastStir = performance.now();
    document.body.classList.remove("quiet");
    if (!timer) timer = setTimeout(settle, quietAfterMs);
  }
  // A pointer that did not move (the browser's own events after a change of layout)
  // stirs nothing.
  addEventListener("pointermove", event => {
    const here = `${event.screenX},${event.screenY}`;
    if (here === at) return;
    at = here;
    stir();
  }, { capture: true, passive: true });
  for (const kind of ["pointerdown", "touchstart", "keydown", "wheel"]) {
    addEventListener(kind, stir, { capture: true, passive: true });
  }
  stir();

  return {
    // Measured again when the program asks (at each tick): a ratio that changed
    // without an event the page could see is taken then.
    size() {
      measure();
      return device.slice();
    },
    fit,
    onChange: f => changed.push(f),
    ready,
    get how() {
      return how;
    },
    begin,
    stir,
    quiet,
  };
})();
