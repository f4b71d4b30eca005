// The dispatcher from construction number to drawing, and the triangle's outline.
#include "geometry/numeric.h"
#include "render/draw.h"

void Triangle::DrawFigure(HDC& dc, int32_t kind) {
  switch (static_cast<uint32_t>(kind)) {
    case FigureTriangle: DrawTriangle(dc); break;
    case FigureMedians: DrawMedians(dc); break;
    case FigureCircumcircle: DrawCircumcircle(dc); break;
    case FigureIncircle: DrawIncircle(dc); break;
    case FigureAltitudes: DrawAltitudes(dc); break;
    case FigureNinePointCircle: DrawNinePointCircle(dc); break;
    case FigureEulerLine: DrawEulerLine(dc); break;
    case FigureExcircles: DrawExcircles(dc); break;
    default: break;  // not a construction: no call at all
  }
}

void Triangle::DrawTriangle(HDC& dc) {
  PenInUse pen = BeginPen(dc, PS_SOLID, 2, triangleColour);
  SetBkMode(dc, TRANSPARENT);
  DrawSegment(dc, a, b);
  DrawSegment(dc, b, c);
  DrawSegment(dc, c, a);
  EndPen(dc, pen);
  // Fixed offsets put the letters outside the corners the placement favours:
  // A lower left, B lower right, C at the top.
  DrawLabel(dc, {WrapSub(a.x, 20), a.y}, triangleColour, "A");
  DrawLabel(dc, b, triangleColour, "B");
  DrawLabel(dc, {WrapSub(c.x, 10), WrapSub(c.y, 20)}, triangleColour, "C");
  ComputeDerivedPoints();
}
