/* The least an X11 screensaver can do: a bare window with the saver's timer, as the
 * baseline the footprint of dreieck is set against.
 *
 *   bare_x11 [--interval MS] [--work none|clear] [--size WxH]
 *
 * The window covers the screen (or has the given size), like dreieck --fullscreen.
 * Between ticks the process sleeps in poll() on the X connection with the time to
 * the next tick as its timeout, exactly as dreieck's loop does; a tick that is due
 * is handed out once, and the next one is a whole interval after it. At each tick it
 * does nothing (--work none) or clears its window (--work clear, the default: one
 * request per tick that makes the server touch every pixel). A mouse button, q,
 * Escape, SIGTERM or SIGINT end it with 0; a bad argument ends it with 2. */
#define _POSIX_C_SOURCE 200809L

#include <X11/Xlib.h>
#include <X11/Xutil.h>
#include <X11/keysym.h>
#include <errno.h>
#include <poll.h>
#include <signal.h>
#include <stdint.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <time.h>

static volatile sig_atomic_t stopped;

static void OnSignal(int signal) {
  (void)signal;
  stopped = 1;
}

static uint64_t NowMs(void) {
  struct timespec now;
  clock_gettime(CLOCK_MONOTONIC, &now);
  return (uint64_t)now.tv_sec * 1000u + (uint64_t)now.tv_nsec / 1000000u;
}

static int Usage(const char* problem) {
  fprintf(stderr, "bare_x11: %s\nusage: bare_x11 [--interval MS] [--work none|clear] [--size WxH]\n", problem);
  return 2;
}

/* A whole number in [lo, hi] from all of text, or -1. */
static long Number(const char* text, long lo, long hi) {
  char* end = NULL;
  errno = 0;
  const long value = strtol(text, &end, 10);
  if (errno != 0 || end == text || *end != '\0' || value < lo || value > hi) return -1;
  return value;
}

int main(int argc, char** argv) {
  long interval = 2000;
  int clear = 1;
  long width = 0, height = 0;
  for (int i = 1; i < argc; ++i) {
    const char* option = argv[i];
    if (i + 1 >= argc) return Usage("an option without its value");
    const char* value = argv[++i];
    if (strcmp(option, "--interval") == 0) {
      if ((interval = Number(value, 10, 3600000)) < 0) return Usage("--interval takes 10..3600000 ms");
    } else if (strcmp(option, "--work") == 0) {
      if (strcmp(value, "none") != 0 && strcmp(value, "clear") != 0) return Usage("--work takes none or clear");
      clear = strcmp(value, "clear") == 0;
    } else if (strcmp(option, "--size") == 0) {
      char w[16], h[16];
      if (sscanf(value, "%15[0-9]x%15[0-9]", w, h) != 2 || (width = Number(w, 1, 16384)) < 0 ||
          (height = Number(h, 1, 16384)) < 0)
        return Usage("--size takes WxH");
    } else {
      return Usage("an unknown option");
    }
  }

  Display* display = XOpenDisplay(NULL);
  if (display == NULL) {
    fprintf(stderr, "bare_x11: cannot open the display\n");
    return 1;
  }
  struct sigaction action;
  memset(&action, 0, sizeof action);
  action.sa_handler = OnSignal;
  sigemptyset(&action.sa_mask);
  sigaction(SIGTERM, &action, NULL);
  sigaction(SIGINT, &action, NULL);

  const int screen = DefaultScreen(display);
  if (width == 0) {
    width = DisplayWidth(display, screen);
    height = DisplayHeight(display, screen);
  }
  XSetWindowAttributes attributes;
  attributes.background_pixel = BlackPixel(display, screen);
  attributes.event_mask = ButtonPressMask | KeyPressMask | ExposureMask;
  const Window window = XCreateWindow(display, RootWindow(display, screen), 0, 0, (unsigned)width,
                                      (unsigned)height, 0, CopyFromParent, InputOutput, CopyFromParent,
                                      CWBackPixel | CWEventMask, &attributes);
  XStoreName(display, window, "bare_x11");
  XMapWindow(display, window);
  XFlush(display);

  uint64_t due = NowMs() + (uint64_t)interval;
  int running = 1;
  while (running && !stopped) {
    while (XPending(display) > 0) {
      XEvent event;
      XNextEvent(display, &event);
      if (event.type == ButtonPress) running = 0;
      if (event.type == KeyPress) {
        const KeySym sym = XLookupKeysym(&event.xkey, 0);
        if (sym == XK_q || sym == XK_Escape) running = 0;
      }
    }
    const uint64_t now = NowMs();
    if (due <= now) {
      /* The tick; the next one a whole interval on, so a late tick never comes twice. */
      due = now + (uint64_t)interval;
      if (clear) XClearWindow(display, window);
      XFlush(display);
      continue;
    }
    struct pollfd fd = {ConnectionNumber(display), POLLIN, 0};
    poll(&fd, 1, (int)(due - now));
  }
  XDestroyWindow(display, window);
  XCloseDisplay(display);
  return 0;
}
