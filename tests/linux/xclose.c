/* xclose: closes a window as a window manager's close button does, for tests of
 * programs that must end when their window is closed.
 *
 *   xclose WINDOW
 *
 * Sends the window (a 0x-hex or decimal id) the WM_PROTOCOLS client message
 * WM_DELETE_WINDOW, as the ICCCM has window managers do; what follows is the program's.
 * Exit codes: 0 sent, 1 no display or no such window, 2 bad usage. Build: cc xclose.c
 * -lX11 (it compiles as C++ as well).
 */
#include <X11/Xlib.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>

static int failed = 0;
static int on_error(Display *display, XErrorEvent *error) {
  (void)display;
  (void)error;
  failed = 1;
  return 0;
}

int main(int argc, char **argv) {
  char *end = NULL;
  unsigned long window = argc == 2 ? strtoul(argv[1], &end, 0) : 0;
  if (argc != 2 || end == argv[1] || *end != '\0' || window == 0) {
    fprintf(stderr, "usage: xclose WINDOW\n");
    return 2;
  }
  Display *display = XOpenDisplay(NULL);
  if (!display) {
    fprintf(stderr, "xclose: cannot open display %s\n", XDisplayName(NULL));
    return 1;
  }
  XSetErrorHandler(on_error);
  XEvent event;
  memset(&event, 0, sizeof event);
  event.xclient.type = ClientMessage;
  event.xclient.window = (Window)window;
  event.xclient.message_type = XInternAtom(display, "WM_PROTOCOLS", False);
  event.xclient.format = 32;
  event.xclient.data.l[0] = (long)XInternAtom(display, "WM_DELETE_WINDOW", False);
  event.xclient.data.l[1] = CurrentTime;
  XSendEvent(display, (Window)window, False, NoEventMask, &event);
  XSync(display, False);
  XCloseDisplay(display);
  if (failed) fprintf(stderr, "xclose: no window 0x%lx\n", window);
  return failed;
}
