/* xcursor: the shape the pointer has on the display now, for tests of programs that
 * change it.
 *
 *   xcursor
 *
 * Prints "WxH+XHOT+YHOT HASH": the size and hot spot of the cursor image the X server
 * shows (XFIXES) and a hash (FNV-1a) of its pixels, so that two shapes can be told
 * apart and one recognised again. Exit codes: 0, 1 no display or no XFIXES, 2 bad
 * usage. Build: cc xcursor.c -lXfixes -lX11 (it compiles as C++ as well).
 */
#include <X11/Xlib.h>
#include <X11/extensions/Xfixes.h>
#include <stdint.h>
#include <stdio.h>

int main(int argc, char **argv) {
  (void)argv;
  if (argc != 1) {
    fprintf(stderr, "xcursor: no arguments\nusage: xcursor\n");
    return 2;
  }
  Display *display = XOpenDisplay(NULL);
  int event_base, error_base;
  if (!display || !XFixesQueryExtension(display, &event_base, &error_base)) {
    fprintf(stderr, "xcursor: no display %s with XFIXES\n", XDisplayName(NULL));
    return 1;
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
