// The program's icon as a window carries it for the desktop (_NET_WM_ICON): for each
// size its width, its height and then width x height pixels, row by row from the top,
// each 0xAARRGGBB, not premultiplied. The build writes the table from the program's
// icon (res/dreieck.ico; cmake/icons.cmake) into the Linux program, which hands it to
// the X11 backend with its window's title and class: a resource, pixels only.
#pragma once

#include <cstddef>
#include <cstdint>

namespace dreieck {

extern const uint32_t kWindowIcon[];
extern const size_t kWindowIconLength;

}  // namespace dreieck
