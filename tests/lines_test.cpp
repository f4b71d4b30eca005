// The line figures: medians, altitudes and the Euler line, call by call.
#include "figures.h"

namespace {

using namespace figures;

class LineFigures : public CoreTest {};

const Point A{100, 400}, B{500, 420}, C{260, 80};

TEST_F(LineFigures, MediansRunFromEachVertexToTheOppositeMidpoint) {
  HDC dc = OpenDc();
  SetTriangle(A, B, C);
  gTriangle.DrawFigure(dc, FigureMedians);
  EXPECT_TRUE(SameCalls(Seq({PenOn(PS_SOLID, 1, 0x000080FF, 1), Transparent(), Segment({100, 400}, {380, 250}),
                             Segment({500, 420}, {180, 240}), Segment({260, 80}, {300, 410}), PenOff(1),
                             Label({286, 300}, 0x000080FF, "Schwerpunkt", 1)}),
                        core::Calls()));
  ExpectClean(dc);
}

TEST_F(LineFigures, AltitudesWorkedExampleCallByCall) {
  HDC dc = OpenDc();
  SetTriangle(A, B, C);
  gTriangle.DrawFigure(dc, FigureAltitudes);
  EXPECT_TRUE(SameCalls(Seq({PenOn(PS_DASHDOT, 1, 0x0000FF00, 1), Transparent(), Segment({100, 400}, {358, 219}),
                             Segment({500, 420}, {172, 256}), Segment({260, 80}, {243, 407}), PenOff(1),
                             Label({249, 295}, 0x0000FF00, "H\xF6henschnittpunkt", 1)}),
                        core::Calls()));
  ExpectClean(dc);
}

TEST_F(LineFigures, AltitudeSegmentFollowsWhereTheOrthocenterLies) {
  struct Case {
    const char* what;
    Point a, b, c;
    Point footA, footB, footC, orthocenter;
    int32_t answers[3];  // SegmentPosition for a, b, c
    Point segments[3][2];
  };
  const Case cases[] = {
      {"acute: every altitude ends at its foot",
       A, B, C, {358, 219}, {172, 256}, {243, 407}, {249, 295}, {0, 0, 0},
       {{{100, 400}, {358, 219}}, {{500, 420}, {172, 256}}, {{260, 80}, {243, 407}}}},
      {"obtuse at a: a's altitude from the orthocenter, the others to it",
       {300, 400}, {500, 420}, {200, 300}, {321, 349}, {410, 510}, {192, 390}, {146, 774}, {-1, 1, 1},
       {{{146, 774}, {321, 349}}, {{500, 420}, {146, 774}}, {{200, 300}, {146, 774}}}},
      {"right angle at a: the orthocenter is a",
       {100, 400}, {500, 400}, {100, 100}, {244, 208}, {100, 400}, {100, 400}, {100, 400}, {0, 0, 0},
       {{{100, 400}, {244, 208}}, {{500, 400}, {100, 400}}, {{100, 100}, {100, 400}}}},
      {"collinear: each vertex its own foot",
       {100, 100}, {200, 200}, {300, 300}, {100, 100}, {200, 200}, {300, 300}, {100, 100}, {-1, -1, -1},
       {{{100, 100}, {100, 100}}, {{100, 100}, {200, 200}}, {{100, 100}, {300, 300}}}},
  };
  for (const Case& k : cases) {
    ResetPlatform();
    HDC dc = OpenDc();
    SetTriangle(k.a, k.b, k.c);
    const Point footA = Foot(k.b, k.c, k.a), footB = Foot(k.c, k.a, k.b), footC = Foot(k.a, k.b, k.c);
    EXPECT_EQ(Str(k.footA) + Str(k.footB) + Str(k.footC), Str(footA) + Str(footB) + Str(footC)) << k.what;
    gTriangle.DrawFigure(dc, FigureAltitudes);
    EXPECT_EQ(Str(k.orthocenter), Str(gTriangle.orthocenter)) << k.what;
    const int32_t answers[3] = {gTriangle.SegmentPosition(k.a, footA, gTriangle.orthocenter),
                                gTriangle.SegmentPosition(k.b, footB, gTriangle.orthocenter),
                                gTriangle.SegmentPosition(k.c, footC, gTriangle.orthocenter)};
    for (int i = 0; i < 3; ++i) EXPECT_EQ(k.answers[i], answers[i]) << k.what << ", vertex " << i;
    Lines segments;
    for (const auto& s : k.segments) segments = Seq({segments, Segment(s[0], s[1])});
    EXPECT_TRUE(SameCalls(segments, core::CallsNamed({"MoveToEx", "LineTo"}))) << k.what;
    EXPECT_EQ("TextOutA(dc1," + std::to_string(k.orthocenter.x + 6) + "," + std::to_string(k.orthocenter.y + 6) +
                  ",\"H\\xF6henschnittpunkt\",17)",
              core::CallsNamed({"TextOutA"}).at(0))
        << k.what;
    ExpectClean(dc);
  }
}

TEST_F(LineFigures, EulerLineVerticalCallByCall) {
  HDC dc = OpenDc();
  SetTriangle({100, 500}, {700, 500}, {400, 100});
  EXPECT_EQ("(400,367)(400,412)", Str(gTriangle.centroid) + Str(gTriangle.circumcenter));
  gTriangle.DrawFigure(dc, FigureEulerLine);
  EXPECT_TRUE(SameCalls(Seq({PenOn(PS_DASHDOT, 2, 0x00FFFF00, 1), {"GetDeviceCaps(dc1,8)", "GetDeviceCaps(dc1,10)"},
                             Transparent(), Segment({400, 0}, {400, 768}), PenOff(1),
                             Label({430, 231}, 0x00FFFF00, "Eulersche Gerade", 1)}),
                        core::Calls()));
  ExpectClean(dc);
}

TEST_F(LineFigures, EulerLineCrossesTopThenBottomAndLabelsSeventyPercentUp) {
  struct Case {
    const char* what;
    Point a, b, c;
    int w, h;
    Point top, bottom, anchor;
  };
  const Case cases[] = {
      {"vertical on 1024x768", {100, 500}, {700, 500}, {400, 100}, 1024, 768, {400, 0}, {400, 768}, {430, 231}},
      {"vertical on 1920x1080: 0.7 * 1080 is exactly 756", {100, 500}, {700, 500}, {400, 100}, 1920, 1080,
       {400, 0}, {400, 1080}, {430, 324}},
      {"nearly horizontal: ends and anchor off the display", A, B, C, 1024, 768, {-2714, 0}, {4966, 768},
       {-380, 231}},
      // Centroid (300,300), circumcenter (317,300): drawn where it lies, across the width.
      {"horizontal on 1024x768", {100, 300}, {400, 100}, {400, 500}, 1024, 768, {0, 300}, {1024, 300}, {338, 300}},
      {"horizontal on 1920x1080", {100, 300}, {400, 100}, {400, 500}, 1920, 1080, {0, 300}, {1920, 300},
       {606, 300}},
  };
  for (const Case& k : cases) {
    ResetPlatform();
    core::SetDisplaySize(k.w, k.h);
    HDC dc = OpenDc(640, 480);  // the display's size counts, not the window's
    SetTriangle(k.a, k.b, k.c);
    gTriangle.DrawFigure(dc, FigureEulerLine);
    EXPECT_TRUE(SameCalls(Segment(k.top, k.bottom), core::CallsNamed({"MoveToEx", "LineTo"}))) << k.what;
    EXPECT_EQ("TextOutA(dc1," + std::to_string(k.anchor.x + 6) + "," + std::to_string(k.anchor.y + 6) +
                  ",\"Eulersche Gerade\",16)",
              core::CallsNamed({"TextOutA"}).at(0))
        << k.what;
    ExpectClean(dc);
  }
}

TEST_F(LineFigures, EulerLineUndefinedWhenCentroidAndCircumcenterCoincide) {
  struct Case {
    const char* what;
    Point a, b, c;
    Point centre;
  };
  const Case cases[] = {
      {"nearly equilateral", {100, 500}, {200, 500}, {150, 416}, {150, 472}},
      {"all vertices in one point", {5, 5}, {5, 5}, {5, 5}, {5, 5}},
  };
  for (const Case& k : cases) {
    ResetPlatform();
    HDC dc = OpenDc();
    SetTriangle(k.a, k.b, k.c);
    ASSERT_EQ(Str(k.centre) + Str(k.centre), Str(gTriangle.centroid) + Str(gTriangle.circumcenter)) << k.what;
    gTriangle.DrawFigure(dc, FigureEulerLine);
    EXPECT_TRUE(core::Calls().empty()) << k.what << ":\n" << Join(core::Calls());
    EXPECT_EQ(OPAQUE, core::BkMode(dc)) << k.what;
  }
}

}  // namespace
