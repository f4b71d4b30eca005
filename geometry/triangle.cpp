#include "geometry/triangle.h"

#include "geometry/numeric.h"

#include <cmath>

Triangle gTriangle;

Point Mid(const Point& p, const Point& q) {
  return {WrapAdd(p.x, Half(WrapSub(q.x, p.x))), WrapAdd(p.y, Half(WrapSub(q.y, p.y)))};
}

Point IntersectLines(const Point& p1, const Point& p2, const Point& q1, const Point& q2) {
  const Point dp{WrapSub(p2.x, p1.x), WrapSub(p2.y, p1.y)};
  const Point dq{WrapSub(q2.x, q1.x), WrapSub(q2.y, q1.y)};
  const int32_t n = WrapAdd(WrapMul(WrapSub(p1.x, q1.x), dq.y), WrapMul(WrapSub(q1.y, p1.y), dq.x));
  const int32_t d = WrapSub(WrapMul(dp.y, dq.x), WrapMul(dp.x, dq.y));
  const double t = static_cast<double>(n) / static_cast<double>(d);
  return {WrapAdd(p1.x, Truncate(static_cast<double>(dp.x) * t)),
          WrapAdd(p1.y, Truncate(static_cast<double>(dp.y) * t))};
}

// The point about 1000 pixels from p towards q.
static Point TowardsByThousand(const Point& p, const Point& q) {
  const Point d{WrapSub(q.x, p.x), WrapSub(q.y, p.y)};
  const double dx = static_cast<double>(d.x);
  const double dy = static_cast<double>(d.y);
  const double xx = dx * dx;
  const double yy = dy * dy;
  const double length = std::sqrt(xx + yy);
  return {WrapAdd(p.x, Truncate(static_cast<double>(WrapMul(1000, d.x)) / length)),
          WrapAdd(p.y, Truncate(static_cast<double>(WrapMul(1000, d.y)) / length))};
}

Point BisectorPoint(const Point& p, const Point& q, const Point& r) {
  const Point u = TowardsByThousand(p, q);
  const Point v = TowardsByThousand(p, r);
  return IntersectLines(p, Mid(u, v), q, r);
}

Triangle::Triangle() { UpdatePalette(); }

void Triangle::SetBackground(BackgroundShade shade) {
  background = shade;
  UpdatePalette();
}

void Triangle::UpdatePalette() {
  triangleColour = 0x000000FF;      // red
  circumcircleColour = 0x00008000;  // green, half intensity
  incircleColour = 0x00FF0000;      // blue
  medianColour = 0x000080FF;        // orange
  altitudeColour = 0x0000FF00;      // bright green
  // Yellow vanishes on white, so the nine-point circle turns olive there.
  ninePointColour = background != 0 ? 0x0000FFFF : 0x00008080;
  eulerLineColour = 0x00FFFF00;     // cyan
  excircleColour = 0x00FF8000;      // azure
}

// The reflection of x through y: 2y - x.
static Point Reflect(const Point& x, const Point& y) {
  return {WrapSub(WrapMul(2, y.x), x.x), WrapSub(WrapMul(2, y.y), x.y)};
}

// Where the exterior bisectors at y and z meet: the centre of the excircle opposite x.
static Point Excenter(const Point& x, const Point& y, const Point& z) {
  return IntersectLines(y, BisectorPoint(y, z, Reflect(x, y)), z, BisectorPoint(z, y, Reflect(x, z)));
}

void Triangle::ComputeDerivedPoints() {
  midAB = Mid(a, b);
  midBC = Mid(b, c);
  midCA = Mid(c, a);
  centroid = IntersectLines(a, midBC, b, midCA);
  // Perpendicular bisectors of BC and CA: each midpoint and the midpoint moved by the
  // side's vector turned a quarter turn.
  const Point pb{WrapAdd(midBC.x, WrapSub(b.y, c.y)), WrapAdd(midBC.y, WrapSub(c.x, b.x))};
  const Point pc{WrapAdd(midCA.x, WrapSub(c.y, a.y)), WrapAdd(midCA.y, WrapSub(a.x, c.x))};
  circumcenter = IntersectLines(midBC, pb, midCA, pc);
  excenters[0] = Excenter(a, b, c);
  excenters[1] = Excenter(b, a, c);
  excenters[2] = Excenter(c, a, b);
}

int32_t Triangle::SegmentPosition(const Point& p, const Point& q, const Point& x) const {
  const double t = p.x != q.x
                       ? static_cast<double>(WrapSub(x.x, p.x)) / static_cast<double>(WrapSub(q.x, p.x))
                       : static_cast<double>(WrapSub(x.y, p.y)) / static_cast<double>(WrapSub(q.y, p.y));
  if (t > 1.0) return 1;
  if (t >= 0.0 && t <= 1.0) return 0;
  return -1;
}
