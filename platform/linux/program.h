// Running the program's own entry on Linux: the settings of the command line go where
// the program reads them, and the program runs as a preview inside a frame window the
// platform made (an X11 window, a picture).
#pragma once

#include "platform/linux/options.h"
#include "platform/win32.h"

namespace dreieck {

// Stores the settings the command line gives in the registry the program reads, so
// that every rule of the settings store holds; those not given keep their defaults.
void StoreSettings(const Options& options);

// Runs the program's entry with a preview command line naming `frame`; its result.
int RunInside(HWND frame);

}  // namespace dreieck
