// Expected call records for the figure tests: the pieces every construction is made
// of, spelled as the platform core records them on the first device context.
#pragma once

#include "support.h"

#include <cstdio>
#include <cstring>

namespace figures {

inline std::string Xy(const Point& p) { return std::to_string(p.x) + "," + std::to_string(p.y); }
inline std::string Str(const Point& p) { return "(" + Xy(p) + ")"; }

inline std::string HexColour(Colour colour) {
  char buffer[16];
  std::snprintf(buffer, sizeof buffer, "0x%08X", static_cast<unsigned>(colour));
  return buffer;
}

// CreatePen and its selection; the pen is the n-th created since the reset.
inline Lines PenOn(int style, int width, Colour colour, int n) {
  const std::string pen = "CreatePen(" + std::to_string(style) + "," + std::to_string(width) + ",";
  return {pen + HexColour(colour) + ")", "SelectObject(dc1,pen" + std::to_string(n) + ")"};
}
inline Lines PenOff(int n) {
  return {"SelectObject(dc1,stock:BLACK_PEN)", "DeleteObject(pen" + std::to_string(n) + ")"};
}
inline Lines Transparent() { return {"SetBkMode(dc1,1)"}; }

inline Lines Segment(const Point& p, const Point& q) { return {"MoveToEx(dc1," + Xy(p) + ")", "LineTo(dc1," + Xy(q) + ")"}; }

// A full circle: the move to its rightmost point, then the arc all the way round.
inline Lines Circle(const Point& centre, int32_t rightX, const std::string& radius) {
  return {"MoveToEx(dc1," + std::to_string(rightX) + "," + std::to_string(centre.y) + ")",
          "AngleArc(dc1," + Xy(centre) + "," + radius + ",0.0,360.0)"};
}
inline Lines Circle(const Point& centre, int32_t radius) {
  return Circle(centre, centre.x + radius, std::to_string(radius));
}

inline Lines Cross(const Point& m) {
  return {"MoveToEx(dc1," + std::to_string(m.x - 5) + "," + std::to_string(m.y) + ")",
          "LineTo(dc1," + std::to_string(m.x + 5) + "," + std::to_string(m.y) + ")",
          "MoveToEx(dc1," + std::to_string(m.x) + "," + std::to_string(m.y - 5) + ")",
          "LineTo(dc1," + std::to_string(m.x) + "," + std::to_string(m.y + 5) + ")"};
}

// A label at its anchor (the text starts 6 pixels right and below), in the n-th font.
inline Lines Label(const Point& anchor, Colour colour, const char* text, int n) {
  std::string quoted = "\"";
  for (const char* p = text; *p != 0; ++p) {
    const unsigned char c = static_cast<unsigned char>(*p);
    char buffer[8];
    std::snprintf(buffer, sizeof buffer, c > 0x7E ? "\\x%02X" : "%c", c);
    quoted += buffer;
  }
  quoted += "\"," + std::to_string(std::strlen(text));
  const std::string font = "font" + std::to_string(n);
  return {"CreateFontA(12,5,0,0,100,0,0,0,1,0,0,0,0,\"Arial\")",
          "SelectObject(dc1," + font + ")",
          "SetTextColor(dc1," + HexColour(colour) + ")",
          "TextOutA(dc1," + std::to_string(anchor.x + 6) + "," + std::to_string(anchor.y + 6) + "," + quoted + ")",
          "SelectObject(dc1,stock:SYSTEM_FONT)",
          "DeleteObject(" + font + ")"};
}

// Concatenates pieces into one expected record.
inline Lines Seq(std::initializer_list<Lines> pieces) {
  Lines out;
  for (const Lines& piece : pieces) out.insert(out.end(), piece.begin(), piece.end());
  return out;
}

// The foot of the perpendicular from v onto the line pq, as a point of that line.
inline Point Foot(const Point& p, const Point& q, const Point& v) {
  return IntersectLines(p, q, v, {v.x + p.y - q.y, v.y + q.x - p.x});
}

// The triangle of the worked examples, with its derived points.
inline void SetTriangle(const Point& a, const Point& b, const Point& c) {
  gTriangle.a = a;
  gTriangle.b = b;
  gTriangle.c = c;
  gTriangle.ComputeDerivedPoints();
}

}  // namespace figures
