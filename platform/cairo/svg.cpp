#include "platform/cairo/svg.h"

#include <cairo-svg.h>

#include <cmath>
#include <cstdio>
#include <cstdlib>

namespace cairo_canvas {

namespace {

std::string XmlEscaped(const std::string& text) {
  std::string out;
  for (char c : text) {
    if (c == '&') out += "&amp;";
    else if (c == '<') out += "&lt;";
    else if (c == '>') out += "&gt;";
    else if (c == '"') out += "&quot;";
    else out += c;
  }
  return out;
}

}  // namespace

bool LabelsAsText(std::string* svg, const std::vector<TextRun>& texts, double scale) {
  const std::string open = "<g style=\"fill:";
  const std::string glyph = "<use xlink:href=\"#glyph";
  std::string out;
  size_t at = 0;
  size_t next = 0;  // labels before this one are placed or left out
  for (;;) {
    const size_t g = svg->find(open, at);
    if (g == std::string::npos) break;
    const size_t close = svg->find('>', g);
    const size_t use = close == std::string::npos ? close : svg->find_first_not_of(" \n", close + 1);
    if (use == std::string::npos || svg->compare(use, glyph.size(), glyph) != 0) {
      out.append(*svg, at, g + open.size() - at);
      at = g + open.size();
      continue;
    }
    const size_t end = svg->find("</g>", use);
    double x = 0, y = 0;
    const size_t xAt = svg->find(" x=\"", use), yAt = svg->find(" y=\"", use);
    if (end == std::string::npos || xAt > end || yAt > end) return false;
    x = std::strtod(svg->c_str() + xAt + 4, nullptr);
    y = std::strtod(svg->c_str() + yAt + 4, nullptr);
    size_t label = next;
    while (label < texts.size() &&
           !(std::fabs(texts[label].baseline * scale - y) < 0.01 && x >= texts[label].x * scale - 0.01 &&
             x <= (texts[label].x + texts[label].width) * scale + 0.01))
      ++label;
    if (label == texts.size()) return false;
    next = label + 1;
    const TextRun& t = texts[label];
    char head[400];
    std::snprintf(head, sizeof head,
                  "<text xml:space=\"preserve\" transform=\"matrix(%g 0 0 1 %g %g)\" "
                  "font-family=\"%s, Liberation Sans, Arimo, Helvetica, sans-serif\" font-size=\"%g\" "
                  "fill=\"#%02X%02X%02X\">",
                  t.xScale, t.x * scale, t.baseline * scale, XmlEscaped(t.face).c_str(), t.size * scale,
                  static_cast<unsigned>(t.colour & 0xFF), static_cast<unsigned>((t.colour >> 8) & 0xFF),
                  static_cast<unsigned>((t.colour >> 16) & 0xFF));
    out.append(*svg, at, g - at);
    out += head;
    out += XmlEscaped(t.utf8);
    out += "</text>";
    at = end + 4;
  }
  out.append(*svg, at, std::string::npos);
  // The glyph outlines nothing uses any more.
  for (;;) {
    const size_t s = out.find("<symbol overflow=\"visible\" id=\"glyph");
    if (s == std::string::npos) break;
    const size_t e = out.find("</symbol>", s);
    if (e == std::string::npos) break;
    size_t after = e + 9;
    if (after < out.size() && out[after] == '\n') ++after;
    out.erase(s, after - s);
  }
  svg->swap(out);
  return true;
}

cairo_status_t AppendToString(void* closure, const unsigned char* data, unsigned int length) {
  static_cast<std::string*>(closure)->append(reinterpret_cast<const char*>(data), length);
  return CAIRO_STATUS_SUCCESS;
}

bool MakeSvg(int width, int height, const std::function<bool(Canvas*)>& draw, std::string* svg, std::string* error) {
  svg->clear();
  cairo_surface_t* surface = cairo_svg_surface_create_for_stream(AppendToString, svg, width, height);
  cairo_svg_surface_set_document_unit(surface, CAIRO_SVG_UNIT_PX);
  bool drawn = false;
  std::vector<TextRun> texts;
  if (cairo_surface_status(surface) == CAIRO_STATUS_SUCCESS) {
    Canvas canvas(surface, width, height);
    canvas.KeepTexts();
    drawn = draw(&canvas);
    texts = canvas.Texts();
  }
  cairo_surface_finish(surface);
  const cairo_status_t status = cairo_surface_status(surface);
  cairo_surface_destroy(surface);
  if (status != CAIRO_STATUS_SUCCESS) *error = cairo_status_to_string(status);
  else if (!drawn) *error = "nothing was drawn";
  else if (!LabelsAsText(svg, texts, 1)) *error = "the labels could not be written as text";
  else return true;
  svg->clear();
  return false;
}

}  // namespace cairo_canvas
