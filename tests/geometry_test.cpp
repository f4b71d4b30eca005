// The triangle model and its integer geometry, pinned to exact pixels.
#include "geometry/numeric.h"
#include "support.h"

#include <cmath>
#include <limits>

namespace {

std::string Str(const Point& p) { return "(" + std::to_string(p.x) + "," + std::to_string(p.y) + ")"; }

#define EXPECT_POINT(expected, actual) EXPECT_EQ(Str(expected), Str(actual))

const Point A{100, 400}, B{500, 420}, C{260, 80};

Triangle WorkedExample() {
  Triangle t;
  t.a = A;
  t.b = B;
  t.c = C;
  t.ComputeDerivedPoints();
  return t;
}

TEST(DerivedPoints, WorkedExampleLandsOnTheGivenPixels) {
  Triangle t = WorkedExample();
  EXPECT_POINT((Point{300, 410}), t.midAB);
  EXPECT_POINT((Point{380, 250}), t.midBC);
  EXPECT_POINT((Point{180, 240}), t.midCA);
  EXPECT_POINT((Point{286, 300}), t.centroid);
  EXPECT_POINT((Point{306, 302}), t.circumcenter);
  EXPECT_POINT((Point{706, 46}), t.excenters[0]);
  EXPECT_POINT((Point{-72, 106}), t.excenters[1]);
  EXPECT_POINT((Point{311, 761}), t.excenters[2]);
}

TEST(DerivedPoints, WorkedExampleIntermediateSteps) {
  // Centroid: medians from A and from B; 280 * (2/3) truncates to 186.
  EXPECT_POINT((Point{286, 300}), IntersectLines(A, {380, 250}, B, {180, 240}));
  // Circumcenter from the perpendicular bisectors through PB and PC.
  EXPECT_POINT((Point{306, 302}), IntersectLines({380, 250}, {720, 10}, {180, 240}, {-140, 80}));
  // Excenter 0: the exterior bisector points at B and C, each from its M.
  EXPECT_POINT((Point{586, 264}), BisectorPoint(B, C, {900, 440}));
  EXPECT_POINT((Point{586, 264}), IntersectLines(B, {711, 36}, C, {900, 440}));
  EXPECT_POINT((Point{456, 65}), BisectorPoint(C, B, {420, -240}));
  EXPECT_POINT((Point{456, 65}), IntersectLines(C, {772, 41}, B, {420, -240}));
  EXPECT_POINT((Point{706, 46}), IntersectLines(B, {586, 264}, C, {456, 65}));
  // Excenters 1 and 2.
  EXPECT_POINT((Point{-4, 222}), BisectorPoint(A, C, {-300, 380}));
  EXPECT_POINT((Point{64, 95}), BisectorPoint(C, A, {20, -260}));
  EXPECT_POINT((Point{204, 578}), BisectorPoint(A, B, {-60, 720}));
  EXPECT_POINT((Point{414, 576}), BisectorPoint(B, A, {740, 760}));
  // The inner bisector from A, as the incircle uses it: U, V, M = (823, -22).
  EXPECT_POINT((Point{373, 241}), BisectorPoint(A, B, C));
  EXPECT_POINT((Point{373, 241}), IntersectLines(A, {823, -22}, B, C));
}

TEST(DerivedPoints, LeaveOrthocenterAndIncenterAlone) {
  Triangle t;
  t.a = A;
  t.b = B;
  t.c = C;
  t.orthocenter = {7, 8};
  t.incenter = {9, 10};
  t.ComputeDerivedPoints();
  EXPECT_POINT((Point{7, 8}), t.orthocenter);
  EXPECT_POINT((Point{9, 10}), t.incenter);
}

TEST(Mid, HalvesTowardTheFirstPoint) {
  EXPECT_POINT((Point{12, 7}), Mid({10, 10}, {15, 3}));
  EXPECT_POINT((Point{13, 6}), Mid({15, 3}, {10, 10}));
}

TEST(IntersectLines, ResultDependsOnWhichLineComesFirst) {
  EXPECT_POINT((Point{5, 5}), IntersectLines({0, 0}, {10, 10}, {0, 10}, {10, 0}));
  EXPECT_POINT((Point{2, 2}), IntersectLines({0, 0}, {7, 7}, {0, 5}, {5, 0}));
  EXPECT_POINT((Point{2, 3}), IntersectLines({0, 5}, {5, 0}, {0, 0}, {7, 7}));
}

TEST(IntersectLines, ParallelAndDegenerateLinesGiveTheFirstPoint) {
  EXPECT_POINT((Point{0, 0}), IntersectLines({0, 0}, {10, 0}, {0, 5}, {10, 5}));
  EXPECT_POINT((Point{4, 4}), IntersectLines({4, 4}, {4, 4}, {0, 5}, {10, 5}));  // 0/0
  EXPECT_POINT((Point{3, 1}), IntersectLines({3, 1}, {9, 1}, {0, 0}, {0, 0}));
}

TEST(BisectorPoint, CoincidentRayGivesTheVertex) {
  EXPECT_POINT((Point{3, 3}), BisectorPoint({3, 3}, {3, 3}, {10, 3}));
}

// A ray of no length points nowhere: its point 1000 pixels out is the vertex itself,
// the bisector then runs along the other ray, which the line through q and r also
// holds, and the meeting of coincident lines is the vertex.
TEST(BisectorPoint, RayOfNoLengthOnEitherSideGivesTheVertex) {
  struct Case {
    Point p, q, r;
  };
  const Case cases[] = {
      {{3, 3}, {10, 3}, {3, 3}},   {{3, 3}, {3, 3}, {3, 3}},      {{3, 3}, {3, 10}, {3, 3}},
      {A, B, A},                   {A, A, C},                     {C, {-300, 380}, C},
      {{0, 0}, {1, 1000000}, {0, 0}},
  };
  for (const Case& c : cases) {
    EXPECT_POINT(c.p, BisectorPoint(c.p, c.q, c.r)) << "q " << Str(c.q) << " r " << Str(c.r);
  }
}

TEST(SegmentPosition, EveryCase) {
  struct Case {
    Point p, q, x;
    int32_t expected;
  };
  const Case cases[] = {
      {{0, 0}, {10, 0}, {10, 0}, 0},   {{0, 0}, {10, 0}, {11, 0}, 1},
      {{0, 0}, {10, 0}, {0, 0}, 0},    {{0, 0}, {10, 0}, {-1, 0}, -1},
      {{5, 0}, {5, 10}, {5, 20}, 1},   {{5, 0}, {5, 10}, {5, -1}, -1},
      {{5, 0}, {5, 10}, {5, 4}, 0},    {{3, 3}, {3, 3}, {3, 4}, 1},
      {{3, 3}, {3, 3}, {3, 3}, -1},    {{3, 3}, {3, 3}, {3, 2}, -1},
      {{0, 0}, {10, 5}, {5, 100}, 0},  // only x counts when the ends differ in x
  };
  Triangle t;
  for (const Case& c : cases) {
    EXPECT_EQ(c.expected, t.SegmentPosition(c.p, c.q, c.x))
        << "p " << Str(c.p) << " q " << Str(c.q) << " x " << Str(c.x);
  }
}

TEST(Palette, EachShade) {
  const Colour fixed[] = {0x000000FF, 0x00008000, 0x00FF0000, 0x000080FF, 0x0000FF00, 0x00FFFF00, 0x00FF8000};
  for (BackgroundShade shade : {0, 1, 2, 3, 4, 7, -1}) {
    Triangle t;
    t.SetBackground(shade);
    EXPECT_EQ(shade, t.background);
    EXPECT_EQ(shade == 0 ? 0x00008080u : 0x0000FFFFu, t.ninePointColour) << "shade " << shade;
    const Colour actual[] = {t.triangleColour, t.circumcircleColour, t.incircleColour, t.medianColour,
                             t.altitudeColour, t.eulerLineColour, t.excircleColour};
    for (int i = 0; i < 7; ++i) EXPECT_EQ(fixed[i], actual[i]) << "entry " << i << " shade " << shade;
  }
}

TEST(Palette, NewTriangleHasTheWhiteBackgroundPaletteAndOrigins) {
  Triangle t;
  EXPECT_EQ(0, t.background);
  EXPECT_EQ(0x00008080u, t.ninePointColour);
  EXPECT_POINT((Point{0, 0}), t.excenters[2]);
  EXPECT_EQ(0x00008080u, gTriangle.ninePointColour);  // the global, from static init
}

TEST(Truncate, FollowsTheConversionRule) {
  const double inf = std::numeric_limits<double>::infinity();
  struct Case {
    double v;
    int32_t expected;
  };
  const Case cases[] = {
      {186.666, 186},
      {-74.63, -74},
      {-0.99, 0},
      {std::nan(""), 0},
      {inf, 0},
      {-inf, 0},
      {9223372036854775808.0, 0},   // 2^63: outside the 64-bit range
      {-9223372036854775808.0, 0},  // -2^63: inside, low 32 bits are 0
      {4294967296.0 + 5.5, 5},      // 2^32 + 5: low 32 bits
      {2147483648.0, INT32_MIN},    // 2^31 wraps
      {-2147483649.0, INT32_MAX},
      {1e300, 0},
  };
  for (const Case& c : cases) EXPECT_EQ(c.expected, Truncate(c.v)) << "v " << c.v;
}

// Extreme coordinates: products and sums beyond 32 bits wrap instead of overflowing,
// and nearly parallel lines give far-off but defined points.
TEST(ExtremeCoordinates, WrapWithoutUndefinedBehaviour) {
  const Point big{INT32_MAX, INT32_MIN};
  const Point small{INT32_MIN, INT32_MAX};
  Triangle t;
  t.a = big;
  t.b = small;
  t.c = {INT32_MAX - 1, INT32_MAX};
  t.ComputeDerivedPoints();
  EXPECT_POINT((Point{INT32_MAX, INT32_MIN}), t.midAB);  // the differences wrap to 1 and -1
  (void)IntersectLines(big, small, {0, 0}, {INT32_MAX, INT32_MAX});
  (void)BisectorPoint(big, small, {0, 0});
  (void)t.SegmentPosition(big, small, {INT32_MIN, 0});
  // Two lines one step off parallel: t = -(2^30 - 1), so the x offset is about -2^60,
  // which keeps its low 32 bits (2^30); the y offset fits as it is.
  const Point far = IntersectLines({0, 0}, {1 << 30, 1}, {0, 1}, {(1 << 30) - 1, 2});
  EXPECT_POINT((Point{1073741824, -1073741823}), far);
}

}  // namespace
