// The constructions made of straight lines: medians, altitudes and the Euler line.
#include "geometry/numeric.h"
#include "render/draw.h"

namespace {

// One altitude: the shortest stretch of its line that holds the vertex, its foot and
// the orthocenter, chosen by where the orthocenter lies along vertex->foot.
void DrawAltitude(HDC& dc, const Triangle& t, const Point& vertex, const Point& foot) {
  switch (t.SegmentPosition(vertex, foot, t.orthocenter)) {
    case -1: DrawSegment(dc, t.orthocenter, foot); break;   // beyond the vertex
    case 0: DrawSegment(dc, vertex, foot); break;           // between vertex and foot
    default: DrawSegment(dc, vertex, t.orthocenter); break;  // beyond the foot
  }
}

}  // namespace

void Triangle::DrawMedians(HDC& dc) {
  PenInUse pen = BeginPen(dc, PS_SOLID, 1, medianColour);
  SetBkMode(dc, TRANSPARENT);
  DrawSegment(dc, a, midBC);
  DrawSegment(dc, b, midCA);
  DrawSegment(dc, c, midAB);
  EndPen(dc, pen);
  DrawLabel(dc, centroid, medianColour, "Schwerpunkt");
}

void Triangle::DrawAltitudes(HDC& dc) {
  PenInUse pen = BeginPen(dc, PS_DASHDOT, 1, altitudeColour);
  // Each altitude is given by its vertex and the vertex moved by the opposite side's
  // vector turned a quarter turn, (dx, dy) -> (-dy, dx); the foot is taken as a point
  // of the side's line.
  const Point footC = IntersectLines(a, b, c, Moved(c, WrapSub(a.y, b.y), WrapSub(b.x, a.x)));
  const Point footA = IntersectLines(b, c, a, Moved(a, WrapSub(b.y, c.y), WrapSub(c.x, b.x)));
  const Point footB = IntersectLines(c, a, b, Moved(b, WrapSub(c.y, a.y), WrapSub(a.x, c.x)));
  orthocenter = IntersectLines(a, footA, b, footB);
  SetBkMode(dc, TRANSPARENT);
  DrawAltitude(dc, *this, a, footA);
  DrawAltitude(dc, *this, b, footB);
  DrawAltitude(dc, *this, c, footC);
  EndPen(dc, pen);
  DrawLabel(dc, orthocenter, altitudeColour, "H\xF6henschnittpunkt");
}

void Triangle::DrawEulerLine(HDC& dc) {
  // Centroid and circumcenter coincide (equilateral triangle, or all vertices in one
  // point): no line is defined through them, so nothing is drawn at all.
  if (centroid == circumcenter) return;
  PenInUse pen = BeginPen(dc, PS_DASHDOT, 2, eulerLineColour);
  const int32_t w = GetDeviceCaps(dc, HORZRES);
  const int32_t h = GetDeviceCaps(dc, VERTRES);
  Point top;
  Point bottom;
  if (centroid.y == circumcenter.y) {
    // A horizontal line meets neither the top nor the bottom edge line; crossing them
    // would give the first edge point twice and a line along the left edge of the
    // display, which is plainly wrong. Draw it where it lies instead, across the whole
    // width, left to right; the anchor rule below then puts the label on the line, 30 %
    // of the way from its start, as it does for every other line.
    top = {0, centroid.y};
    bottom = {w, centroid.y};
  } else {
    top = IntersectLines({0, 0}, {w, 0}, centroid, circumcenter);
    bottom = IntersectLines({0, h}, {w, h}, centroid, circumcenter);
  }
  SetBkMode(dc, TRANSPARENT);
  DrawSegment(dc, top, bottom);
  EndPen(dc, pen);
  // 70 % of the way from the second end towards the first, 30 pixels to the right.
  const double ax = 0.7 * static_cast<double>(WrapSub(top.x, bottom.x));
  const double ay = 0.7 * static_cast<double>(WrapSub(top.y, bottom.y));
  const Point anchor{WrapAdd(WrapAdd(bottom.x, Truncate(ax)), 30), WrapAdd(bottom.y, Truncate(ay))};
  DrawLabel(dc, anchor, eulerLineColour, "Eulersche Gerade");
}
