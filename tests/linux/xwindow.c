/* xwindow: a plain window of the tests' own, for programs that draw into a window they
 * did not create (dreieck --window-id, XSCREENSAVER_WINDOW).
 *
 *   xwindow WIDTHxHEIGHT[+X+Y] [0xRRGGBB]
 *
 * Maps a window of that size at that place (default +0+0) filled with the colour
 * (default 0x336699, no colour dreieck draws with), then prints its id as 0x-hex on a
 * line of its own once it is on the screen. After that it reads commands, one a line,
 * from standard input:
 *
 *   destroy   destroys the window and answers "destroyed" once the server has done it
 *   quit      ends the program (so does the end of the input)
 *
 * Ending the program in any way (SIGTERM included) destroys the window too: the X server
 * destroys the windows of a client that goes. Exit codes: 0, 1 no display, 2 bad usage.
 * Build: cc xwindow.c -lX11 (it compiles as C++ as well).
 */
#include <X11/Xlib.h>
#include <X11/Xutil.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>

static int usage(const char *problem) {
  fprintf(stderr, "xwindow: %s\nusage: xwindow WIDTHxHEIGHT[+X+Y] [0xRRGGBB]\n", problem);
  return 2;
}

int main(int argc, char **argv) {
  int x = 0, y = 0;
  unsigned int width = 0, height = 0;
  unsigned long colour = 0x336699;
  if (argc < 2 || argc > 3) return usage("wrong number of arguments");
  int mask = XParseGeometry(argv[1], &x, &y, &width, &height);
  if (!(mask & WidthValue) || !(mask & HeightValue) || width == 0 || height == 0 ||
      width > 32767 || height > 32767)
    return usage("the first argument must be a size such as 320x240+10+20");
  if (argc == 3) {
    char *end = NULL;
    colour = strtoul(argv[2], &end, 16);
    if (end == argv[2] || *end != '\0' || colour > 0xFFFFFF) return usage("bad colour");
  }

  Display *display = XOpenDisplay(NULL);
  if (!display) {
    fprintf(stderr, "xwindow: cannot open display %s\n", XDisplayName(NULL));
    return 1;
  }
  int screen = DefaultScreen(display);
  XSetWindowAttributes attributes;
  memset(&attributes, 0, sizeof attributes);
  /* On a 24-bit TrueColor visual (Xvfb's default) the pixel value is the colour itself. */
  attributes.background_pixel = colour;
  /* Placed where asked even under a window manager; Xvfb runs none. */
  attributes.override_redirect = True;
  attributes.event_mask = StructureNotifyMask;
  Window window = XCreateWindow(display, RootWindow(display, screen), x, y, width, height, 0,
                                CopyFromParent, InputOutput, CopyFromParent,
                                CWBackPixel | CWOverrideRedirect | CWEventMask, &attributes);
  XStoreName(display, window, "xwindow");
  XMapWindow(display, window);
  XEvent event;
  do {
    XWindowEvent(display, window, StructureNotifyMask, &event);
  } while (event.type != MapNotify);
  XSync(display, False);
  printf("0x%lx\n", (unsigned long)window);
  fflush(stdout);

  char line[64];
  while (fgets(line, sizeof line, stdin)) {
    line[strcspn(line, "\r\n")] = '\0';
    if (strcmp(line, "destroy") == 0) {
      XDestroyWindow(display, window);
      XSync(display, False);
      printf("destroyed\n");
      fflush(stdout);
    } else if (strcmp(line, "quit") == 0) {
      break;
    } else if (line[0] != '\0') {
      fprintf(stderr, "xwindow: unknown command \"%s\"\n", line);
    }
  }
  XCloseDisplay(display);
  return 0;
}
