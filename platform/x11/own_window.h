// A window of the program's own on the X display.
#pragma once

#include <X11/Xlib.h>

namespace x11 {

// Creates and maps a window titled "Dreieck" (class "dreieck", "Dreieck"; the machine,
// the process and the program's icon named on it as desktops expect) that a window
// manager may close: 800x600 (at most the screen) in the middle of the default
// screen, resizable; or, `fullscreen`, covering the whole screen.
Window MakeOwnWindow(Display* display, bool fullscreen);

}  // namespace x11
