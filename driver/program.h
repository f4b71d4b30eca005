// Running the program's own entry outside Windows (the Linux program, the page): the
// settings given as options go where the program reads them, and the program runs as a
// preview inside a frame window the platform made (an X11 window, a picture, the
// page's canvas).
#pragma once

#include <cstdint>

#include <string>

#include "explorer/explorer.h"
#include "driver/options.h"
#include "platform/win32.h"

namespace dreieck {

// Stores the settings the options give in the registry the program reads, so that
// every rule of the settings store holds; those not given keep what is stored.
void StoreSettings(const Options& options);

// Runs the program's entry with a preview command line naming `frame`; its result.
int RunInside(HWND frame);

// Where the explorer begins for these options: --triangle, else --time's triangle,
// else the current second's, at --step.
explorer::Start ExplorerStart(const Options& options);

// The options that draw `view` again with --picture at width x height: "--size WxH
// --triangle ... --step N", then the constructions that are off and a background that
// is not the default.
std::string PictureOptions(const explorer::View& view, int width, int height);

}  // namespace dreieck
