#include "platform/x11/own_window.h"

#include <X11/Xatom.h>
#include <X11/Xutil.h>
#include <unistd.h>

#include <algorithm>
#include <cstring>
#include <vector>

#include "platform/x11/shared_image.h"

namespace x11 {

namespace {

// The visual to draw in: the screen's own when the picture can be drawn in it, else
// the deepest TrueColor one that takes it (an ARGB visual of 32 bits last: its windows
// would take the picture's unused bits for transparency). False when there is none.
bool ChooseVisual(Display* display, int screen, PixelLayout* layout) {
  if (LayoutOf(display, DefaultVisual(display, screen), DefaultDepth(display, screen), layout)) return true;
  XVisualInfo wanted = {};
  wanted.screen = screen;
  wanted.c_class = TrueColor;
  int count = 0;
  XVisualInfo* infos = XGetVisualInfo(display, VisualScreenMask | VisualClassMask, &wanted, &count);
  bool found = false;
  auto rank = [](int depth) { return depth == 32 ? 0 : depth; };
  for (int i = 0; i < count; ++i) {
    PixelLayout candidate;
    if ((!found || rank(infos[i].depth) > rank(layout->depth)) &&
        LayoutOf(display, infos[i].visual, infos[i].depth, &candidate)) {
      *layout = candidate;
      found = true;
    }
  }
  if (infos != nullptr) XFree(infos);
  return found;
}

}  // namespace

Window MakeOwnWindow(Display* display, bool fullscreen, const OwnWindowLook& look, std::string* error) {
  const int screen = DefaultScreen(display);
  PixelLayout layout;
  if (!ChooseVisual(display, screen, &layout)) {
    *error = std::string("the display ") + DisplayString(display) + " has " +
             DescribeVisual(DefaultVisual(display, screen), DefaultDepth(display, screen)) +
             " colour and no TrueColor visual; " + look.instance + " draws only in TrueColor";
    return 0;
  }
  const int sw = DisplayWidth(display, screen), sh = DisplayHeight(display, screen);
  const int w = fullscreen ? sw : std::min(800, sw), h = fullscreen ? sh : std::min(600, sh);
  XSetWindowAttributes attributes;
  attributes.background_pixmap = None;  // the picture is copied in; nothing to clear first
  attributes.backing_store = NotUseful;
  unsigned long mask = CWBackPixmap | CWBackingStore;
  if (layout.visual != DefaultVisual(display, screen)) {
    // Another visual than its parent's needs colours and a border of its own.
    attributes.colormap = XCreateColormap(display, RootWindow(display, screen), layout.visual, AllocNone);
    attributes.border_pixel = 0;
    mask |= CWColormap | CWBorderPixel;
  }
  const Window window =
      XCreateWindow(display, RootWindow(display, screen), fullscreen ? 0 : (sw - w) / 2, fullscreen ? 0 : (sh - h) / 2,
                    static_cast<unsigned>(w), static_cast<unsigned>(h), 0, layout.depth, InputOutput, layout.visual,
                    mask, &attributes);
  XStoreName(display, window, look.title);
  const Atom utf8 = XInternAtom(display, "UTF8_STRING", False);
  XChangeProperty(display, window, XInternAtom(display, "_NET_WM_NAME", False), utf8, 8, PropModeReplace,
                  reinterpret_cast<const unsigned char*>(look.title), static_cast<int>(std::strlen(look.title)));
  // Its class, and the machine it runs on (WM_CLIENT_MACHINE, Xlib asks the system)
  // with its process (_NET_WM_PID), so that the desktop's tools can tell whose window
  // it is; and the program's icon for task bars and window lists.
  XClassHint classHint;
  std::string name = look.instance, className = look.className;
  classHint.res_name = name.data();
  classHint.res_class = className.data();
  XSetWMProperties(display, window, nullptr, nullptr, nullptr, 0, nullptr, nullptr, &classHint);
  const long pid = getpid();
  XChangeProperty(display, window, XInternAtom(display, "_NET_WM_PID", False), XA_CARDINAL, 32, PropModeReplace,
                  reinterpret_cast<const unsigned char*>(&pid), 1);
  // Format 32 travels as long, whatever its width.
  const std::vector<long> icon(look.icon, look.icon + look.iconLength);
  XChangeProperty(display, window, XInternAtom(display, "_NET_WM_ICON", False), XA_CARDINAL, 32, PropModeReplace,
                  reinterpret_cast<const unsigned char*>(icon.data()), static_cast<int>(icon.size()));
  Atom deleteWindow = XInternAtom(display, "WM_DELETE_WINDOW", False);
  XSetWMProtocols(display, window, &deleteWindow, 1);
  if (fullscreen) {
    // A window manager is asked for full screen too; without one the size and place
    // already cover the screen.
    Atom state = XInternAtom(display, "_NET_WM_STATE_FULLSCREEN", False);
    XChangeProperty(display, window, XInternAtom(display, "_NET_WM_STATE", False), XA_ATOM, 32, PropModeReplace,
                    reinterpret_cast<unsigned char*>(&state), 1);
  }
  XMapWindow(display, window);
  return window;
}

}  // namespace x11
