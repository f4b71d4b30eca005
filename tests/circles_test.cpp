// The circle figures: circumcircle, incircle, nine-point circle and excircles, call by
// call, with their centres, radii and labels.
#include "figures.h"

#include <climits>

namespace {

using namespace figures;

class CircleFigures : public CoreTest {
 protected:
  void SetUp() override {
    CoreTest::SetUp();
    SetTriangle(A, B, C);
  }
  const Point A{100, 400}, B{500, 420}, C{260, 80};
};

TEST_F(CircleFigures, CircumcircleBisectorsThenCircleThenLabel) {
  HDC dc = OpenDc();
  gTriangle.DrawFigure(dc, FigureCircumcircle);
  const Point o{306, 302};
  EXPECT_TRUE(SameCalls(Seq({PenOn(PS_DASH, 1, 0x00008000, 1), Transparent(), Segment({300, 410}, o),
                             Segment({380, 250}, o), Segment({180, 240}, o), PenOff(1),
                             PenOn(PS_SOLID, 1, 0x00008000, 2), Circle(o, 228), PenOff(2),
                             Label(o, 0x00008000, "Umkreismittelpunkt", 1)}),
                        core::Calls()));
  ExpectClean(dc);
}

TEST_F(CircleFigures, IncircleBisectorsThenCircleThenLabel) {
  HDC dc = OpenDc();
  gTriangle.incenter = {1, 2};
  gTriangle.DrawFigure(dc, FigureIncircle);
  const Point i{276, 298};
  EXPECT_EQ(Str(i), Str(gTriangle.incenter));  // stored for good
  EXPECT_TRUE(SameCalls(Seq({PenOn(PS_DOT, 1, 0x00FF0000, 1), Transparent(), Segment(A, i), Segment(B, i),
                             Segment(C, i), PenOff(1), PenOn(PS_SOLID, 1, 0x00FF0000, 2), Circle(i, 110), PenOff(2),
                             Label(i, 0x00FF0000, "Inkreismittelpunkt", 1)}),
                        core::Calls()));
  ExpectClean(dc);
}

TEST_F(CircleFigures, IncenterIsWhereTheBisectorsFromAAndBMeet) {
  const Point p1 = BisectorPoint(A, B, C);
  const Point p2 = BisectorPoint(B, C, A);
  EXPECT_EQ("(373,241)(179,244)", Str(p1) + Str(p2));
  EXPECT_EQ("(276,298)", Str(IntersectLines(A, p1, B, p2)));
}

TEST_F(CircleFigures, NinePointCircleOnePenCrossCircleAndLabelOffItsRightEnd) {
  HDC dc = OpenDc();
  gTriangle.DrawFigure(dc, FigureNinePointCircle);
  const Point n{278, 299};
  EXPECT_TRUE(SameCalls(Seq({PenOn(PS_DASHDOTDOT, 1, 0x00008080, 1), Transparent(), Cross(n), Circle(n, 114),
                             PenOff(1), Label({392, 299}, 0x00008080, "Feuerbachkreis", 1)}),
                        core::Calls()));
  ExpectClean(dc);
}

TEST_F(CircleFigures, ExcirclesLabelTheirCentresBetweenTheTwoPens) {
  HDC dc = OpenDc();
  gTriangle.DrawFigure(dc, FigureExcircles);
  const Point j0{706, 46}, j1{-72, 106}, j2{311, 761};
  const Colour azure = 0x00FF8000;
  EXPECT_TRUE(SameCalls(
      Seq({PenOn(PS_SOLID, 1, azure, 1), Transparent(), Cross(j0), Label(j0, azure, "Ankreismittelpunkt", 1),
           Cross(j1), Label(j1, azure, "Ankreismittelpunkt", 2), Cross(j2),
           Label(j2, azure, "Ankreismittelpunkt", 3), PenOff(1), PenOn(PS_DASHDOTDOT, 1, azure, 2),
           Circle(j0, 383), Circle(j1, 285), Circle(j2, 350), PenOff(2)}),
      core::Calls()));
  ExpectClean(dc);
}

// Each radius is measured from the centre to one point: a vertex or the foot of a
// perpendicular onto a side.
TEST_F(CircleFigures, RadiusIsMeasuredToTheGivenPoint) {
  struct Case {
    const char* what;
    Point centre;
    Point measured;  // as the figure finds it
    Point expected;
    int32_t radius;
  };
  const Case cases[] = {
      {"circumcircle: vertex a", {306, 302}, A, {100, 400}, 228},
      {"incircle: foot on ab", {276, 298}, Foot(A, B, {276, 298}), {270, 408}, 110},
      {"nine-point: mid(c, a)", {278, 299}, Mid(C, A), {180, 240}, 114},
      {"excircle 0: foot on bc", {706, 46}, Foot(C, B, {706, 46}), {392, 267}, 383},
      {"excircle 1: foot on ca", {-72, 106}, Foot(C, A, {-72, 106}), {184, 233}, 285},
      {"excircle 2: foot on ab", {311, 761}, Foot(A, B, {311, 761}), {328, 411}, 350},
  };
  for (const Case& k : cases) {
    EXPECT_EQ(Str(k.expected), Str(k.measured)) << k.what;
    EXPECT_EQ(k.radius, Radius(k.centre, k.measured)) << k.what;
  }
}

// A triangle whose integer results change with every argument order: a foot taken from
// the other end of its side (incircle radius 116, excircles 676, 223, 380), the
// bisector from b aimed at a before c (incenter (130,328)), or a midpoint of an odd
// difference taken from its other end (mid(a, c) is (14,277), mid(c, a) (15,277)) each
// move a centre or a radius by a pixel.
TEST_F(CircleFigures, ArgumentOrderDecidesTheTruncatedPixels) {
  HDC dc = OpenDc();
  SetTriangle({12, 446}, {502, 437}, {17, 108});
  gTriangle.DrawFigure(dc, FigureIncircle);
  gTriangle.DrawFigure(dc, FigureNinePointCircle);
  gTriangle.DrawFigure(dc, FigureExcircles);
  EXPECT_TRUE(SameCalls({"AngleArc(dc1,131,327,117,0.0,360.0)", "AngleArc(dc1,140,356,147,0.0,360.0)",
                         "AngleArc(dc1,701,-245,675,0.0,360.0)", "AngleArc(dc1,-208,226,224,0.0,360.0)",
                         "AngleArc(dc1,387,819,379,0.0,360.0)"},
                        core::CallsNamed({"AngleArc"})));
}

TEST_F(CircleFigures, RadiusTruncatesAndGoesToAngleArcUnsigned) {
  struct Case {
    const char* what;
    Point centre, p;
    int32_t rightX;
    const char* radius;
  };
  const Case cases[] = {
      {"3-4-5", {100, 100}, {103, 104}, 105, "5"},
      {"1.414 truncates to 1", {100, 100}, {101, 101}, 101, "1"},
      {"same point gives 0", {100, 100}, {100, 100}, 100, "0"},
      {"measured the other way round", {103, 104}, {100, 100}, 108, "5"},
      // sqrt(2) * 2^31 = 3037000499.98: beyond int32, kept as its unsigned pattern; the
      // move to the rightmost point wraps.
      {"beyond 2^31", {0, 0}, {INT32_MIN, INT32_MIN}, -1257966797, "3037000499"},
  };
  for (const Case& k : cases) {
    ResetPlatform();
    HDC dc = OpenDc();
    DrawCircle(dc, k.centre, Radius(k.centre, k.p));
    EXPECT_TRUE(SameCalls(Circle(k.centre, k.rightX, k.radius), core::Calls())) << k.what;
  }
}

}  // namespace
