// SVG documents drawn as GDI draws: Cairo's SVG surface, with every label written as
// a <text> element instead of glyph outlines.
#pragma once

#include <cairo.h>

#include <functional>
#include <string>
#include <vector>

#include "platform/cairo/canvas.h"

namespace cairo_canvas {

// Cairo's stream writer that appends to a std::string (the closure).
cairo_status_t AppendToString(void* closure, const unsigned char* data, unsigned int length);

// Cairo's SVG writes each label as glyph outlines: a group of <use> elements per label
// that shows, in the order they were drawn (labels wholly off the picture it leaves
// out). Each such group becomes a <text> element in its place, so labels stay text that
// can be read, searched and selected, and the glyph outlines go. A group is the label
// on its baseline whose extent holds the group's first glyph. Returns false when a
// group belongs to no label.
bool LabelsAsText(std::string* svg, const std::vector<TextRun>& texts, double scale);

// An SVG document of width x height pixels: what `draw` draws on a canvas of that
// size, labels as text. False, with *error, when the surface cannot be made, `draw`
// returns false or the labels cannot be written as text.
bool MakeSvg(int width, int height, const std::function<bool(Canvas*)>& draw, std::string* svg, std::string* error);

}  // namespace cairo_canvas
