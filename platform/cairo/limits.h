// What Cairo can hold, for those who must refuse more before they ask it.
#pragma once

namespace cairo_canvas {

// The most pixels a Cairo image surface has a side (within that its rows never overflow
// cairo_format_stride_for_width): a window's image and a PNG picture are no larger.
constexpr int kImageSideMax = 32767;

}  // namespace cairo_canvas
