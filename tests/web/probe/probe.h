// The browser build's probe: one small picture drawn the way the Cairo canvas
// (platform/cairo/canvas.cpp) draws, by the same code built for the page
// (WebAssembly, Cairo and FreeType built from Debian's sources) and natively (the
// system's Cairo), so that a test can compare the two pixel for pixel. It stands in
// for the web backend until that exists and can go when it does.
#pragma once

#include <cairo.h>

#include <cstdint>
#include <vector>

namespace probe {

constexpr int kWidth = 640;
constexpr int kHeight = 240;

// Draws the probe picture on an image surface of kWidth x kHeight with `face` for
// the text: a one-pixel line as the canvas lights it, an antialiased circle, every
// label of a cycle at the labels' font (a cell of 12, characters 5 wide) and the
// caption at its font (10, 6), as the canvas sizes GDI fonts.
void Draw(cairo_t* cr, cairo_font_face_t* face);

// The surface's pixels as RGBA, as a canvas's ImageData holds them (the surface is
// opaque: RGB24).
std::vector<uint8_t> Rgba(cairo_surface_t* surface);

}  // namespace probe
