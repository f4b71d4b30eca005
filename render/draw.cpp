#include "render/draw.h"

#include "geometry/numeric.h"

#include <cmath>
#include <cstring>

PenInUse BeginPen(HDC& dc, int style, int width, Colour colour) {
  HPEN pen = CreatePen(style, width, colour);
  return {pen, SelectObject(dc, pen)};
}

void EndPen(HDC& dc, const PenInUse& pen) {
  SelectObject(dc, pen.kept);
  DeleteObject(pen.pen);
}

void DrawSegment(HDC& dc, const Point& p, const Point& q) {
  MoveToEx(dc, p.x, p.y, nullptr);
  LineTo(dc, q.x, q.y);
}

int32_t Radius(const Point& centre, const Point& p) {
  const double dx = static_cast<double>(WrapSub(centre.x, p.x));
  const double dy = static_cast<double>(WrapSub(centre.y, p.y));
  const double xx = dx * dx;
  const double yy = dy * dy;
  const double sum = xx + yy;
  return Truncate(std::sqrt(sum));
}

void DrawCircle(HDC& dc, const Point& centre, int32_t radius) {
  MoveToEx(dc, WrapAdd(centre.x, radius), centre.y, nullptr);
  AngleArc(dc, centre.x, centre.y, static_cast<DWORD>(static_cast<uint32_t>(radius)), 0.0f, 360.0f);
}

void DrawCross(HDC& dc, const Point& m) {
  DrawSegment(dc, {WrapSub(m.x, 5), m.y}, {WrapAdd(m.x, 5), m.y});
  DrawSegment(dc, {m.x, WrapSub(m.y, 5)}, {m.x, WrapAdd(m.y, 5)});
}

FontInUse BeginFont(HDC& dc, int height, int width, int weight) {
  HFONT font = CreateFontA(height, width, 0, 0, weight, 0, 0, 0, DEFAULT_CHARSET, OUT_DEFAULT_PRECIS,
                           CLIP_DEFAULT_PRECIS, DEFAULT_QUALITY, DEFAULT_PITCH | FF_DONTCARE, "Arial");
  return {font, SelectObject(dc, font)};
}

void EndFont(HDC& dc, const FontInUse& font) {
  SelectObject(dc, font.kept);
  DeleteObject(font.font);
}

void DrawLabel(HDC& dc, const Point& anchor, Colour colour, const char* text) {
  const FontInUse font = BeginFont(dc, 12, 5, FW_THIN);
  SetTextColor(dc, colour);
  TextOutA(dc, WrapAdd(anchor.x, 6), WrapAdd(anchor.y, 6), text, static_cast<int>(std::strlen(text)));
  EndFont(dc, font);
}
