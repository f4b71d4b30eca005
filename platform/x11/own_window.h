// A window of the program's own on the X display.
#pragma once

#include <X11/Xlib.h>

#include <cstddef>
#include <cstdint>
#include <string>

namespace x11 {

// What the front end names a window of its own with, for the desktop: its title, its
// class (WM_CLASS: the instance, which is the program's name and its desktop entry's,
// and the class), and its icon in _NET_WM_ICON's form: for each size its width, its
// height and then width x height pixels, row by row from the top, each 0xAARRGGBB, not
// premultiplied.
struct OwnWindowLook {
  const char* title;
  const char* instance;
  const char* className;
  const uint32_t* icon;
  size_t iconLength;
};

// Creates and maps a window with that look (and the machine and the process named on
// it, as desktops expect) that a window manager may close: 800x600 (at most the screen)
// in the middle of the default screen, resizable; or, `fullscreen`, covering the whole
// screen. Its visual is the screen's own when that is TrueColor, else the deepest
// TrueColor visual the screen has. 0 (and *error) when it has none.
Window MakeOwnWindow(Display* display, bool fullscreen, const OwnWindowLook& look, std::string* error);

}  // namespace x11
