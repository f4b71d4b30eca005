// dreieck --explore: the explorer (explorer/explorer.h) in a window of its own on the X
// display. The X11 backend turns the pointer and keys into the explorer window's
// messages and shows the pointer shapes it asks for; here is where it begins and how
// it saves a picture.
#pragma once

#include "driver/options.h"
#include "platform/x11/backend.h"

namespace dreieck {

// Runs the explorer in `outer`, an X window of our own that `backend` shows: 0 when it
// ended, 1 (after one line on stderr) when its window could not be made.
int ExploreOnDisplay(const Options& options, x11::Backend* backend, HWND outer);

}  // namespace dreieck
