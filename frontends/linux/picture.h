// Pictures of a moment of the cycle, drawn by the program itself on Cairo surfaces.
#pragma once

#include <cairo.h>

#include <string>

#include "driver/options.h"

namespace dreieck {

// --picture FILE: the picture after the tick of the step asked for, as PNG, SVG or PDF.
// 0 when written; 1 (after one line on stderr) when it could not be, and then a file
// of that name, if any, is left as it was.
int RunPicture(const driver::Options& options);

// --frames DIR: one PNG after every tick of one whole cycle; prints how many.
int RunFrames(const driver::Options& options);

// Writes an image surface as a PNG file, whole or not at all; without `replace`, a
// file that has taken the name meanwhile is kept and the write fails.
bool WritePng(cairo_surface_t* image, const std::string& path, bool replace, std::string* error);

}  // namespace dreieck
