// The program on the X display: in an X window, until it ends.
#pragma once

#include "driver/options.h"

namespace dreieck {

// Runs the program in the window the options name (a window of its own, full screen,
// the root window, a given window or XScreenSaver's), or the explorer in a window of
// its own. 0 when it ended normally; 1 (and one line on stderr) when there was no
// display, no such window or no TrueColor to draw in, or the display was lost.
int RunOnDisplay(const Options& options);

}  // namespace dreieck
