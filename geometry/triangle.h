// The triangle model: its vertices, the notable points derived from them, the
// background shade and the palette, plus the integer plane-geometry primitives.
#pragma once

#include "platform/win32.h"

#include <cstdint>

struct Point {
  int32_t x;
  int32_t y;
};

inline bool operator==(const Point& p, const Point& q) { return p.x == q.x && p.y == q.y; }

typedef uint32_t Colour;  // 0x00BBGGRR

// The figures, numbered as DrawFigure takes them. These are names, not an order: the
// cycle's order, which everything that lists the constructions follows, is the order of
// kConstructions (settings/settings.h).
enum FigureKind : int32_t {
  FigureTriangle = 0,
  FigureMedians = 1,
  FigureCircumcircle = 2,
  FigureIncircle = 3,
  FigureAltitudes = 4,
  FigureNinePointCircle = 5,
  FigureEulerLine = 6,
  FigureExcircles = 7,
};

// 0 white, 1 light grey, 2 grey, 3 dark grey, 4 black: the index of the stock brush.
typedef int32_t BackgroundShade;

// Midpoint, half a pixel toward p when a difference is odd.
Point Mid(const Point& p, const Point& q);

// Where the line p1p2 meets the line q1q2, as a point of the first line; p1 when the
// lines are parallel or a line is given by two equal points.
Point IntersectLines(const Point& p1, const Point& p2, const Point& q1, const Point& q2);

// Where the bisector of the angle at p between the rays towards q and r meets line qr.
Point BisectorPoint(const Point& p, const Point& q, const Point& r);

class Triangle {
 public:
  Triangle();

  void SetBackground(BackgroundShade shade);
  void UpdatePalette();
  void ComputeDerivedPoints();
  // Where x, a point on line pq, lies: -1 before p, 0 on the segment, 1 beyond q.
  int32_t SegmentPosition(const Point& p, const Point& q, const Point& x) const;

  // Drawing, one construction per call, into the given device context.
  void DrawFigure(HDC& dc, int32_t kind);
  void DrawTriangle(HDC& dc);
  void DrawMedians(HDC& dc);
  void DrawAltitudes(HDC& dc);
  void DrawEulerLine(HDC& dc);
  void DrawCircumcircle(HDC& dc);
  void DrawIncircle(HDC& dc);
  void DrawNinePointCircle(HDC& dc);
  void DrawExcircles(HDC& dc);

  Point a{}, b{}, c{};
  Point midAB{}, midBC{}, midCA{};
  Point orthocenter{};
  Point circumcenter{};
  Point incenter{};
  Point centroid{};
  Point excenters[3]{};
  BackgroundShade background = 0;
  Colour triangleColour = 0;
  Colour circumcircleColour = 0;
  Colour incircleColour = 0;
  Colour medianColour = 0;
  Colour altitudeColour = 0;
  Colour ninePointColour = 0;
  Colour eulerLineColour = 0;
  Colour excircleColour = 0;
};

extern Triangle gTriangle;
