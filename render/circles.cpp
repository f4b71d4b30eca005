// The circle constructions: circumcircle, incircle, nine-point circle and excircles.
#include "geometry/numeric.h"
#include "render/draw.h"

void Triangle::DrawCircumcircle(HDC& dc) {
  PenInUse pen = BeginPen(dc, PS_DASH, 1, circumcircleColour);
  const int32_t r = Radius(circumcenter, a);
  SetBkMode(dc, TRANSPARENT);
  // The perpendicular bisectors, from each side's midpoint to the centre.
  DrawSegment(dc, midAB, circumcenter);
  DrawSegment(dc, midBC, circumcenter);
  DrawSegment(dc, midCA, circumcenter);
  EndPen(dc, pen);
  pen = BeginPen(dc, PS_SOLID, 1, circumcircleColour);
  DrawCircle(dc, circumcenter, r);
  EndPen(dc, pen);
  DrawLabel(dc, circumcenter, circumcircleColour, "Umkreismittelpunkt");
}

void Triangle::DrawIncircle(HDC& dc) {
  PenInUse pen = BeginPen(dc, PS_DOT, 1, incircleColour);
  // The inner bisectors from a and from b, each given by its vertex and where it
  // meets the opposite side.
  const Point p1 = BisectorPoint(a, b, c);
  const Point p2 = BisectorPoint(b, c, a);
  incenter = IntersectLines(a, p1, b, p2);
  SetBkMode(dc, TRANSPARENT);
  DrawSegment(dc, a, incenter);
  DrawSegment(dc, b, incenter);
  DrawSegment(dc, c, incenter);
  // The radius reaches the foot of the perpendicular from the incenter onto line ab.
  const Point q = Moved(incenter, WrapSub(a.y, b.y), WrapSub(b.x, a.x));
  const int32_t r = Radius(incenter, IntersectLines(a, b, incenter, q));
  EndPen(dc, pen);
  pen = BeginPen(dc, PS_SOLID, 1, incircleColour);
  DrawCircle(dc, incenter, r);
  EndPen(dc, pen);
  DrawLabel(dc, incenter, incircleColour, "Inkreismittelpunkt");
}

void Triangle::DrawNinePointCircle(HDC& dc) {
  PenInUse pen = BeginPen(dc, PS_DASHDOTDOT, 1, ninePointColour);
  // The nine-point circle is the circumcircle of the side midpoints: its centre is
  // where the perpendicular bisectors of two of their connecting lines meet.
  const Point mAB = Mid(a, b);
  const Point mBC = Mid(b, c);
  const Point mCA = Mid(c, a);
  const Point u = Mid(mAB, mBC);
  const Point pu = Moved(u, WrapSub(mAB.y, mBC.y), WrapSub(mBC.x, mAB.x));
  const Point w = Mid(mBC, mCA);
  const Point pw = Moved(w, WrapSub(mBC.y, mCA.y), WrapSub(mCA.x, mBC.x));
  const Point n = IntersectLines(u, pu, w, pw);
  SetBkMode(dc, TRANSPARENT);
  DrawCross(dc, n);
  const int32_t r = Radius(n, mCA);
  DrawCircle(dc, n, r);
  EndPen(dc, pen);
  // The label hangs off the circle's rightmost point rather than its centre.
  DrawLabel(dc, {WrapAdd(n.x, r), n.y}, ninePointColour, "Feuerbachkreis");
}

void Triangle::DrawExcircles(HDC& dc) {
  PenInUse pen = BeginPen(dc, PS_SOLID, 1, excircleColour);
  SetBkMode(dc, TRANSPARENT);
  // Centre marks and their labels first, so the circles are drawn over the labels.
  for (const Point& j : excenters) {
    DrawCross(dc, j);
    DrawLabel(dc, j, excircleColour, "Ankreismittelpunkt");
  }
  EndPen(dc, pen);
  pen = BeginPen(dc, PS_DASHDOTDOT, 1, excircleColour);
  // Each radius reaches the foot of the perpendicular from the excenter onto the
  // side it touches: bc, ca and ab in turn.
  const Point& j0 = excenters[0];
  const Point f0 = IntersectLines(c, b, j0, Moved(j0, WrapSub(b.y, c.y), WrapSub(c.x, b.x)));
  DrawCircle(dc, j0, Radius(j0, f0));
  const Point& j1 = excenters[1];
  const Point f1 = IntersectLines(c, a, j1, Moved(j1, WrapSub(a.y, c.y), WrapSub(c.x, a.x)));
  DrawCircle(dc, j1, Radius(j1, f1));
  const Point& j2 = excenters[2];
  const Point f2 = IntersectLines(a, b, j2, Moved(j2, WrapSub(b.y, a.y), WrapSub(a.x, b.x)));
  DrawCircle(dc, j2, Radius(j2, f2));
  EndPen(dc, pen);
}
