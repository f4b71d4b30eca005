// The drawing protocol every figure follows, and the label text helper.
//
// A figure creates its pen, selects it (keeping the pen it replaces), sets the
// transparent background mode, draws each segment as its own MoveToEx/LineTo pair,
// then selects the kept pen back and deletes its own. Labels come after. What is
// deleted is always the object the figure created, so a device context that could
// not be had (and took nothing) leaks nothing either.
#pragma once

#include "geometry/numeric.h"
#include "geometry/triangle.h"

// A figure's pen and the pen it replaced in the device context.
struct PenInUse {
  HPEN pen;
  HGDIOBJ kept;
};
// Creates a pen and selects it.
PenInUse BeginPen(HDC& dc, int style, int width, Colour colour);
// Selects the kept pen back and deletes the figure's pen.
void EndPen(HDC& dc, const PenInUse& pen);
// One straight segment from p to q, starting with its own move.
void DrawSegment(HDC& dc, const Point& p, const Point& q);

// m moved by (dx, dy), wrapping: with a side's vector turned a quarter turn, the
// second point of a perpendicular through m.
inline Point Moved(const Point& m, int32_t dx, int32_t dy) { return {WrapAdd(m.x, dx), WrapAdd(m.y, dy)}; }

// The distance from centre to p with its fraction cut off: the differences wrap to
// 32 bits, their squares and sum are formed in double. Far-off centres of nearly
// parallel lines can give values beyond 2^31; they keep their low 32 bits.
int32_t Radius(const Point& centre, const Point& p);
// A full circle: a move to its rightmost point, where an arc from angle 0 begins, so
// AngleArc's lead-in line has no length. The radius goes to AngleArc as its unsigned
// 32-bit pattern.
void DrawCircle(HDC& dc, const Point& centre, int32_t radius);
// A cross 10 pixels across at m, horizontal stroke first.
void DrawCross(HDC& dc, const Point& m);

// A font the program writes with (Arial, as `height`, `width` and `weight` ask) and the
// font it replaced in the device context; EndFont selects that back and deletes it.
struct FontInUse {
  HFONT font;
  HGDIOBJ kept;
};
FontInUse BeginFont(HDC& dc, int height, int width, int weight);
void EndFont(HDC& dc, const FontInUse& font);

// Writes text with its top-left corner 6 pixels right of and below the anchor, in a
// small thin Arial of the given colour.
void DrawLabel(HDC& dc, const Point& anchor, Colour colour, const char* text);
