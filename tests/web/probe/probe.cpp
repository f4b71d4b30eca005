#include "tests/web/probe/probe.h"

#include <cmath>
#include <cstring>

namespace probe {

namespace {

void SetColour(cairo_t* cr, uint32_t rgb) {
  cairo_set_source_rgb(cr, ((rgb >> 16) & 0xFF) / 255.0, ((rgb >> 8) & 0xFF) / 255.0, (rgb & 0xFF) / 255.0);
}

// The canvas's font arithmetic for CreateFontA(height, width, ..., "Arial"): the
// face's cell and weighted average character width at size 1000 give the em and the
// horizontal stretch; metrics unhinted, grey antialiasing, slight hinting. Returns
// the ascent in whole pixels.
double SelectFont(cairo_t* cr, cairo_font_face_t* face, int height, int width) {
  cairo_set_font_face(cr, face);
  cairo_font_options_t* options = cairo_font_options_create();
  cairo_font_options_set_hint_metrics(options, CAIRO_HINT_METRICS_OFF);
  cairo_font_options_set_antialias(options, CAIRO_ANTIALIAS_GRAY);
  cairo_font_options_set_hint_style(options, CAIRO_HINT_STYLE_SLIGHT);
  cairo_set_font_options(cr, options);
  cairo_font_options_destroy(options);
  cairo_set_font_size(cr, 1000);
  cairo_font_extents_t extents;
  cairo_font_extents(cr, &extents);
  static const char kLetters[] = "abcdefghijklmnopqrstuvwxyz ";
  static const int kWeights[] = {64, 14, 27, 35, 100, 20, 14, 42, 63, 3,  6,  35, 20, 56,
                                 56, 17, 4,  49, 56,  71, 31, 10, 18, 3, 18, 2,  166};
  double sum = 0;
  for (int i = 0; i < 27; ++i) {
    const char letter[2] = {kLetters[i], 0};
    cairo_text_extents_t te;
    cairo_text_extents(cr, letter, &te);
    sum += te.x_advance * kWeights[i];
  }
  const double cell = (extents.ascent + extents.descent) / 1000, average = sum / 1000 / 1000;
  const double em = height / cell, xScale = width / (average * em);
  cairo_matrix_t matrix;
  cairo_matrix_init_scale(&matrix, em * xScale, em);
  cairo_set_font_matrix(cr, &matrix);
  cairo_font_extents(cr, &extents);
  return std::round(extents.ascent);
}

void Label(cairo_t* cr, cairo_font_face_t* face, int height, int width, uint32_t colour, int x, int y,
           const char* utf8) {
  cairo_save(cr);
  const double ascent = SelectFont(cr, face, height, width);
  SetColour(cr, colour);
  cairo_move_to(cr, x, y + ascent);
  cairo_show_text(cr, utf8);
  cairo_restore(cr);
}

}  // namespace

void Draw(cairo_t* cr, cairo_font_face_t* face) {
  SetColour(cr, 0x000000);
  cairo_paint(cr);
  // A one-pixel line as the canvas lights it: a band one pixel high per step of the
  // major axis, filled without antialiasing.
  cairo_save(cr);
  cairo_set_antialias(cr, CAIRO_ANTIALIAS_NONE);
  SetColour(cr, 0x00FF00);
  for (int x = 20; x < 620; ++x) cairo_rectangle(cr, x, 20 + (x - 20) * 3 / 11, 1, 1);
  cairo_fill(cr);
  cairo_restore(cr);
  // An antialiased stroke, as wide pens are drawn.
  cairo_save(cr);
  SetColour(cr, 0xFF8000);
  cairo_set_line_width(cr, 3);
  cairo_arc(cr, 560.5, 70.5, 40, 0, 2 * M_PI);
  cairo_stroke(cr);
  cairo_restore(cr);
  // The labels of a cycle (UTF-8 of their Windows-1252 bytes) and the caption.
  static const char* const kLabels[] = {"A", "B", "C", "Schwerpunkt", "Inkreismittelpunkt", "Umkreismittelpunkt",
                                        "Höhenschnittpunkt", "Feuerbachkreis", "Eulersche Gerade",
                                        "Ankreismittelpunkt"};
  int y = 30;
  for (const char* label : kLabels) {
    Label(cr, face, 12, 5, 0xFFFFFF, 26, y, label);
    y += 16;
  }
  Label(cr, face, 10, 6, 0xFFFF00, 10, 214,
        "Dreieck – merkwürdige Punkte und Kreise am Dreieck · ein Bildschirmschoner des Dreieck-Projekts");
}

std::vector<uint8_t> Rgba(cairo_surface_t* surface) {
  cairo_surface_flush(surface);
  const int width = cairo_image_surface_get_width(surface), height = cairo_image_surface_get_height(surface);
  const int stride = cairo_image_surface_get_stride(surface);
  const unsigned char* data = cairo_image_surface_get_data(surface);
  std::vector<uint8_t> rgba(static_cast<size_t>(width) * height * 4);
  for (int y = 0; y < height; ++y) {
    for (int x = 0; x < width; ++x) {
      uint32_t pixel;
      std::memcpy(&pixel, data + static_cast<size_t>(y) * stride + x * 4, 4);
      uint8_t* out = &rgba[(static_cast<size_t>(y) * width + x) * 4];
      out[0] = (pixel >> 16) & 0xFF;
      out[1] = (pixel >> 8) & 0xFF;
      out[2] = pixel & 0xFF;
      out[3] = 0xFF;
    }
  }
  return rgba;
}

}  // namespace probe
