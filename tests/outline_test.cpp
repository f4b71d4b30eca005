// The dispatcher, the label helper and the triangle outline, as the platform sees them.
#include "support.h"

namespace {

class Outline : public CoreTest {};

const char* const kLabelFont = "CreateFontA(12,5,0,0,100,0,0,0,1,0,0,0,0,\"Arial\")";

TEST_F(Outline, LabelSitsSixPixelsRightAndBelowItsAnchor) {
  HDC dc = OpenDc();
  DrawLabel(dc, {100, 200}, 0x00123456, "Schwerpunkt");
  EXPECT_TRUE(SameCalls({kLabelFont, "SelectObject(dc1,font1)", "SetTextColor(dc1,0x00123456)",
                         "TextOutA(dc1,106,206,\"Schwerpunkt\",11)", "SelectObject(dc1,stock:SYSTEM_FONT)",
                         "DeleteObject(font1)"},
                        core::Calls()));
  EXPECT_EQ(0x00123456u, core::TextColour(dc));  // the text colour is not set back
  ExpectClean(dc);
}

TEST_F(Outline, LabelCountsWindows1252Bytes) {
  HDC dc = OpenDc();
  DrawLabel(dc, {0, 0}, 0, "H\xF6henschnittpunkt");
  EXPECT_EQ("TextOutA(dc1,6,6,\"H\\xF6henschnittpunkt\",17)", core::CallsNamed({"TextOutA"}).at(0));
}

TEST_F(Outline, TriangleDrawsThreeSidesThenLabelsThenDerivedPoints) {
  HDC dc = OpenDc();
  gTriangle.a = {100, 400};
  gTriangle.b = {500, 420};
  gTriangle.c = {260, 80};
  gTriangle.DrawFigure(dc, FigureTriangle);
  const Lines label = {kLabelFont, "SelectObject(dc1,font1)"};
  EXPECT_TRUE(SameCalls(
      {"CreatePen(0,2,0x000000FF)", "SelectObject(dc1,pen1)", "SetBkMode(dc1,1)",
       "MoveToEx(dc1,100,400)", "LineTo(dc1,500,420)", "MoveToEx(dc1,500,420)", "LineTo(dc1,260,80)",
       "MoveToEx(dc1,260,80)", "LineTo(dc1,100,400)", "SelectObject(dc1,stock:BLACK_PEN)", "DeleteObject(pen1)",
       "CreateFontA(12,5,0,0,100,0,0,0,1,0,0,0,0,\"Arial\")", "SelectObject(dc1,font1)",
       "SetTextColor(dc1,0x000000FF)", "TextOutA(dc1,86,406,\"A\",1)", "SelectObject(dc1,stock:SYSTEM_FONT)",
       "DeleteObject(font1)", "CreateFontA(12,5,0,0,100,0,0,0,1,0,0,0,0,\"Arial\")", "SelectObject(dc1,font2)",
       "SetTextColor(dc1,0x000000FF)", "TextOutA(dc1,506,426,\"B\",1)", "SelectObject(dc1,stock:SYSTEM_FONT)",
       "DeleteObject(font2)", "CreateFontA(12,5,0,0,100,0,0,0,1,0,0,0,0,\"Arial\")", "SelectObject(dc1,font3)",
       "SetTextColor(dc1,0x000000FF)", "TextOutA(dc1,256,66,\"C\",1)", "SelectObject(dc1,stock:SYSTEM_FONT)",
       "DeleteObject(font3)"},
      core::Calls()));
  EXPECT_EQ(TRANSPARENT, core::BkMode(dc));
  EXPECT_EQ(306, gTriangle.circumcenter.x);
  EXPECT_EQ(761, gTriangle.excenters[2].y);
  ExpectClean(dc);
}

TEST_F(Outline, CollinearTriangleStillDrawsThreeSidesAndLabels) {
  HDC dc = OpenDc();
  gTriangle.a = {100, 100};
  gTriangle.b = {200, 200};
  gTriangle.c = {300, 300};
  gTriangle.DrawFigure(dc, FigureTriangle);
  EXPECT_EQ(3u, core::CallsNamed({"LineTo"}).size());
  EXPECT_EQ(3u, core::CallsNamed({"TextOutA"}).size());
  ExpectClean(dc);
}

TEST_F(Outline, KindsOutsideTheRangeMakeNoCall) {
  HDC dc = OpenDc();
  for (int32_t kind : {8, -1, INT32_MIN, INT32_MAX, 1000}) {
    gTriangle.DrawFigure(dc, kind);
    EXPECT_TRUE(core::Calls().empty()) << "kind " << kind << ":\n" << Join(core::Calls());
  }
  EXPECT_EQ(OPAQUE, core::BkMode(dc));
}

TEST_F(Outline, EveryKindLeavesTheContextAsItWas) {
  HDC dc = OpenDc();
  gTriangle.a = {100, 400};
  gTriangle.b = {500, 420};
  gTriangle.c = {260, 80};
  for (int32_t kind = FigureTriangle; kind <= FigureExcircles; ++kind) {
    gTriangle.DrawFigure(dc, kind);
    ExpectClean(dc);
  }
}

}  // namespace
