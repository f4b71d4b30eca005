// The program on a display: in an X window or on a Wayland compositor, until it ends.
#pragma once

#include "driver/options.h"

namespace dreieck {

// Runs the program in the window the options name (a window of its own, full screen,
// the saver, the root window, a given window or XScreenSaver's), or the explorer in a
// window of its own: on Wayland when WAYLAND_DISPLAY is set (or DREIECK_DISPLAY is
// wayland), else on X11; the windows of others are X11's always. 0 when it ended
// normally; 1 (and one line on stderr) when there was no display, no such window or no
// TrueColor to draw in, DREIECK_DISPLAY named neither, or the display was lost.
int RunOnDisplay(const driver::Options& options);

// The same on the Wayland compositor of $WAYLAND_DISPLAY (wayland.cpp).
int RunOnWayland(const driver::Options& options);

// SIGTERM, SIGINT and SIGHUP write to a pipe whose reading end a backend's wait
// watches; a signal that was ignored when we started stays ignored. The reading end,
// or -1 (after one line) when there is no pipe.
int EndOnSignals();

}  // namespace dreieck
