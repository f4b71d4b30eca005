// dreieck --explore: the explorer (explorer/explorer.h) in a window of its own on the X
// display or a Wayland compositor. The backend turns the pointer and keys into the
// explorer window's messages and shows the pointer shapes it asks for; here is where it
// begins and how it saves a picture.
#pragma once

#include <cairo.h>

#include <functional>

#include "driver/options.h"
#include "platform/win32.h"

namespace dreieck {

// The pixels a program's window shows, or null: the backend's.
using ImageOf = std::function<cairo_surface_t*(HWND window)>;

// Runs the explorer in `outer`, a window of our own whose pixels `imageOf` tells: 0 when
// it ended, 1 (after one line on stderr) when its window could not be made.
int ExploreOnDisplay(const driver::Options& options, const ImageOf& imageOf, HWND outer);

}  // namespace dreieck
