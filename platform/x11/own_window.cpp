#include "platform/x11/own_window.h"

#include <X11/Xatom.h>
#include <X11/Xutil.h>
#include <unistd.h>

#include <algorithm>
#include <vector>

#include "platform/x11/window_icon.h"

namespace x11 {

Window MakeOwnWindow(Display* display, bool fullscreen) {
  const int screen = DefaultScreen(display);
  const int sw = DisplayWidth(display, screen), sh = DisplayHeight(display, screen);
  const int w = fullscreen ? sw : std::min(800, sw), h = fullscreen ? sh : std::min(600, sh);
  XSetWindowAttributes attributes;
  attributes.background_pixmap = None;  // the picture is copied in; nothing to clear first
  attributes.backing_store = NotUseful;
  const Window window =
      XCreateWindow(display, RootWindow(display, screen), fullscreen ? 0 : (sw - w) / 2, fullscreen ? 0 : (sh - h) / 2,
                    static_cast<unsigned>(w), static_cast<unsigned>(h), 0, CopyFromParent, InputOutput,
                    CopyFromParent, CWBackPixmap | CWBackingStore, &attributes);
  XStoreName(display, window, "Dreieck");
  const Atom utf8 = XInternAtom(display, "UTF8_STRING", False);
  XChangeProperty(display, window, XInternAtom(display, "_NET_WM_NAME", False), utf8, 8, PropModeReplace,
                  reinterpret_cast<const unsigned char*>("Dreieck"), 7);
  // Its class, and the machine it runs on (WM_CLIENT_MACHINE, Xlib asks the system)
  // with its process (_NET_WM_PID), so that the desktop's tools can tell whose window
  // it is; and the program's icon for task bars and window lists.
  XClassHint classHint;
  char name[] = "dreieck", className[] = "Dreieck";
  classHint.res_name = name;
  classHint.res_class = className;
  XSetWMProperties(display, window, nullptr, nullptr, nullptr, 0, nullptr, nullptr, &classHint);
  const long pid = getpid();
  XChangeProperty(display, window, XInternAtom(display, "_NET_WM_PID", False), XA_CARDINAL, 32, PropModeReplace,
                  reinterpret_cast<const unsigned char*>(&pid), 1);
  // Format 32 travels as long, whatever its width.
  const std::vector<long> icon(kWindowIcon, kWindowIcon + kWindowIconLength);
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
