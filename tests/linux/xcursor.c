/* xcursor: the shape the pointer has on the display now, for tests of programs that
 * change it; or the shape a cursor of the cursor font has there, to recognise it by.
 *
 *   xcursor [left_ptr|hand2|fleur]
 *
 * Prints "WxH+XHOT+YHOT HASH": the size and hot spot of the cursor image the X server
 * shows (XFIXES) and a hash (FNV-1a) of its pixels, so that two shapes can be told
 * apart and one recognised again. With a name, the pointer is shown with that cursor of
 * the cursor font for a moment (an input-only window of that cursor over the whole
 * screen) and that is what it prints. Exit codes: 0, 1 no display or no XFIXES, 2 bad
 * usage. Build: cc xcursor.c -lXfixes -lX11 (it compiles as C++ as well).
 */
#include <X11/Xlib.h>
#include <X11/cursorfont.h>
#include <X11/extensions/Xfixes.h>
#include <stdint.h>
#include <stdio.h>
#include <string.h>

static const struct {
  const char *name;
  unsigned shape;
} kShapes[] = {{"left_ptr", XC_left_ptr}, {"hand2", XC_hand2}, {"fleur", XC_fleur}};

int main(int argc, char **argv) {
  int shape = -1;
  for (size_t i = 0; argc == 2 && i < sizeof kShapes / sizeof kShapes[0]; ++i)
    if (strcmp(argv[1], kShapes[i].name) == 0) shape = (int)kShapes[i].shape;
  if (argc > 2 || (argc == 2 && shape < 0)) {
    fprintf(stderr, "xcursor: %s\nusage: xcursor [left_ptr|hand2|fleur]\n",
            argc > 2 ? "one argument at most" : "unknown cursor name");
    return 2;
  }
  Display *display = XOpenDisplay(NULL);
  int event_base, error_base;
  if (!display || !XFixesQueryExtension(display, &event_base, &error_base)) {
    fprintf(stderr, "xcursor: no display %s with XFIXES\n", XDisplayName(NULL));
    return 1;
  }
  if (shape >= 0) {
    /* The server shows the cursor of the window under the pointer: this one, over all. */
    XSetWindowAttributes attributes;
    attributes.override_redirect = True;
    attributes.cursor = XCreateFontCursor(display, (unsigned)shape);
    const int screen = DefaultScreen(display);
    Window over = XCreateWindow(display, RootWindow(display, screen), 0, 0, (unsigned)DisplayWidth(display, screen),
                                (unsigned)DisplayHeight(display, screen), 0, 0, InputOnly, CopyFromParent,
                                CWOverrideRedirect | CWCursor, &attributes);
    XMapRaised(display, over);
    XSync(display, False);
  }
  XFixesCursorImage *cursor = XFixesGetCursorImage(display);
  if (!cursor) {
    fprintf(stderr, "xcursor: the server shows no cursor image\n");
    return 1;
  }
  uint32_t hash = 2166136261u;
  for (size_t i = 0; i < (size_t)cursor->width * cursor->height; ++i) {
    hash = (hash ^ (uint32_t)(cursor->pixels[i] & 0xFFFFFFFFu)) * 16777619u;
  }
  printf("%ux%u+%u+%u %08x\n", cursor->width, cursor->height, cursor->xhot, cursor->yhot, (unsigned)hash);
  XFree(cursor);
  XCloseDisplay(display);
  return 0;
}
