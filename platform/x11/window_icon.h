// The program's icon as a window carries it for the desktop (_NET_WM_ICON): for each
// size its width, its height and then width x height pixels, row by row from the top,
// each 0xAARRGGBB, not premultiplied. The build writes the table from the program's
// icon (res/dreieck.ico; cmake/icons.cmake) into the X11 backend, as it writes the
// dialog templates for the core: a resource, pixels only.
#pragma once

#include <cstddef>
#include <cstdint>

namespace x11 {

extern const uint32_t kWindowIcon[];
extern const size_t kWindowIconLength;

}  // namespace x11
