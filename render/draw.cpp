#include "render/draw.h"

#include "geometry/numeric.h"

#include <cstring>

HGDIOBJ BeginPen(HDC& dc, int style, int width, Colour colour) {
  HPEN pen = CreatePen(style, width, colour);
  return SelectObject(dc, pen);
}

void EndPen(HDC& dc, HGDIOBJ kept) { DeleteObject(SelectObject(dc, kept)); }

void DrawSegment(HDC& dc, const Point& p, const Point& q) {
  MoveToEx(dc, p.x, p.y, nullptr);
  LineTo(dc, q.x, q.y);
}

void DrawLabel(HDC& dc, const Point& anchor, Colour colour, const char* text) {
  HFONT font = CreateFontA(12, 5, 0, 0, FW_THIN, 0, 0, 0, DEFAULT_CHARSET, OUT_DEFAULT_PRECIS,
                           CLIP_DEFAULT_PRECIS, DEFAULT_QUALITY, DEFAULT_PITCH | FF_DONTCARE, "Arial");
  HGDIOBJ kept = SelectObject(dc, font);
  SetTextColor(dc, colour);
  TextOutA(dc, WrapAdd(anchor.x, 6), WrapAdd(anchor.y, 6), text, static_cast<int>(std::strlen(text)));
  DeleteObject(SelectObject(dc, kept));
}
