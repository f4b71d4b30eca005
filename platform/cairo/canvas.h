// A canvas on a Cairo surface that draws as GDI draws: what a window or a picture
// shows. The same canvas serves image surfaces (pictures and the off-screen image
// behind an X11 window) and SVG and PDF surfaces.
//
// How GDI's pixels are matched:
//  - A one-pixel (cosmetic) pen lights one pixel per step along the line's major axis:
//    the pixels whose centres lie within half a pixel of the line, measured across the
//    minor axis. Each stretch is filled as a band one pixel high (or wide) without
//    antialiasing, so Cairo lights exactly those pixels.
//  - Its dash pattern (dot 3/3, dash 18/6, dash-dot 9/6/3/6, dash-dot-dot 9/3/3/3/3/3)
//    advances one unit per pixel step along the major axis, not per unit of length,
//    and starts afresh with every line; along an arc it carries on all the way.
//  - A line leaves its end pixel unlit. Arcs are walked as short chords, each a
//    straight stretch with its own major axis.
//  - A wider pen is solid with round ends, as CreatePen makes it.
//  - Everything is clipped to a margin around the surface before it reaches Cairo,
//    so far-off centres and huge radii cost no more than what shows.
//  - Text: Windows-1252 converted to UTF-8, the face from the face source (fontconfig
//    unless a platform sets another, see SetFaceSource); a positive
//    height is the cell height, a negative one the character height; a width scales
//    the average character width (the lower-case letters and the blank, weighted by
//    how often they occur) to it; the point is the top-left corner of the cell.
#pragma once

#include <cairo.h>

#include <string>
#include <vector>

#include "platform/cairo/limits.h"
#include "platform/core/backend.h"

namespace cairo_canvas {

// A label as it was written, for outputs that keep text as text (SVG).
struct TextRun {
  std::string utf8;
  double x;         // left end of the baseline, in client pixels
  double baseline;  // y of the baseline
  double width;     // its extent along the baseline
  double size;      // font size (em) in client pixels
  double xScale;    // horizontal stretch of the glyphs
  COLORREF colour;
  std::string face;
};

class Canvas : public core::Canvas {
 public:
  // Draws on `surface` (not owned), a client area of width x height pixels shown at
  // `scale` device pixels per client pixel.
  Canvas(cairo_surface_t* surface, int width, int height, double scale = 1.0);
  ~Canvas() override;
  Canvas(const Canvas&) = delete;
  Canvas& operator=(const Canvas&) = delete;

  void Line(const core::PenLook& pen, bool opaque, POINT from, POINT to) override;
  void Arc(const core::PenLook& pen, bool opaque, int x, int y, uint32_t radius, double start,
           double sweep) override;
  void Text(const core::FontLook& font, COLORREF colour, bool opaque, int x, int y, const char* text,
            int count) override;
  SIZE TextExtent(const core::FontLook& font, const char* text, int count) override;
  void Fill(const RECT& rect, COLORREF colour) override;

  cairo_surface_t* Surface() const { return surface_; }
  cairo_t* Context() const { return cr_; }
  int Width() const { return width_; }
  int Height() const { return height_; }
  // The client area drawn on since the last call, clipped to the canvas; empty
  // (left >= right) when nothing was drawn. With `pieces`, also the pieces it is made
  // of (a slanted line's or a circle's, not their whole box; the box alone once there
  // are more than kDamagePiecesMax of them).
  RECT TakeDamage(std::vector<RECT>* pieces = nullptr);
  static constexpr size_t kDamagePiecesMax = 4096;
  static constexpr double kDamagePiece = 32;  // pixels along a line, at most
  // Keeps the labels written from now on (for outputs that keep text as text); the
  // labels kept so far, in order.
  void KeepTexts() { keepTexts_ = true; }
  const std::vector<TextRun>& Texts() const { return texts_; }

 private:
  struct Band;
  struct Box;
  struct ArcPiece {
    double from, to;  // angles, in the direction of travel
    double span;      // |to - from|
  };
  void Damage(double left, double top, double right, double bottom);
  void DamageSegment(double x0, double y0, double x1, double y1, double margin);
  bool ShownPart(const Band& band, double* lo, double* hi) const;
  void AddStretch(const Band& band, double dir, double ra, double rb, Box* box);
  void FillBands(const std::vector<Band>& bands, const core::PenLook& pen, bool opaque);
  void SmallArc(const core::PenLook& pen, double cx, double cy, double r, double a0, double a1);
  std::vector<ArcPiece> PiecesInside(double cx, double cy, double r, double a0, double a1, double margin) const;
  void StrokeWide(const core::PenLook& pen, const std::vector<std::pair<double, double>>& points);
  void SelectFont(const core::FontLook& font, double* size, double* xScale, double* ascent);
  struct Measured {
    std::string utf8;
    cairo_text_extents_t text;
    cairo_font_extents_t font;
    double ascent, size, xScale;
  };
  Measured Measure(const core::FontLook& font, const char* text, int count);

  cairo_surface_t* surface_;
  cairo_t* cr_;
  int width_;
  int height_;
  RECT damage_;
  std::vector<RECT> pieces_;
  bool piecesOverflowed_ = false;
  bool keepTexts_ = false;
  std::vector<TextRun> texts_;
};

// Where the labels' faces come from: by default Cairo's toy font API, which on Linux
// asks fontconfig ("Arial" is what fontconfig puts in its place, Liberation Sans). A
// platform without fontconfig (the page) sets a source of its own once, before
// anything is drawn; the faces it returns stay its own. Null puts the default back.
using FaceSource = cairo_font_face_t* (*)(const std::string& face, bool italic, bool bold);
void SetFaceSource(FaceSource source);

// The Windows-1252 bytes as UTF-8, each as Windows converts it: the five bytes that
// code page leaves unassigned (0x81, 0x8D, 0x8F, 0x90, 0x9D) become the C1 controls
// U+0081 ... U+009D, as in Windows' own table.
std::string Utf8FromWindows1252(const char* text, int count);

}  // namespace cairo_canvas
