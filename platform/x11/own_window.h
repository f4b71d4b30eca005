// A window of the program's own on the X display.
#pragma once

#include <X11/Xlib.h>

#include <string>

namespace x11 {

// Creates and maps a window titled "Dreieck" (class "dreieck", "Dreieck"; the machine,
// the process and the program's icon named on it as desktops expect) that a window
// manager may close: 800x600 (at most the screen) in the middle of the default
// screen, resizable; or, `fullscreen`, covering the whole screen. Its visual is the
// screen's own when that is TrueColor, else the deepest TrueColor visual the screen
// has. 0 (and *error) when it has none.
Window MakeOwnWindow(Display* display, bool fullscreen, std::string* error);

}  // namespace x11
