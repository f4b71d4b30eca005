// The drawing cycle: which tick draws what, the random placement and the caption.
#include "support.h"

#include <cstring>

namespace {

class Cycle : public CoreTest {
 protected:
  // Runs ticks from step 0 until the cycle is back at 0; returns the steps the ticks
  // performed, e.g. "0 1 9 10".
  std::string RunCycle() {
    std::string steps;
    int guard = 0;
    do {
      steps += (steps.empty() ? "" : " ") + std::to_string(gCycleStep);
      OnTimerTick();
      EXPECT_EQ(0, core::LiveObjectCount()) << "after step " << steps;
    } while (gCycleStep != kStepTriangle && ++guard < 20);
    return steps;
  }
};

TEST_F(Cycle, TicksPerCycleFollowTheFlags) {
  struct Case {
    const char* what;
    const char* flags;  // in the order of the constructions
    const char* steps;
  };
  const Case cases[] = {
      {"all on", "1111111", "0 1 2 3 4 5 6 7 8 9 10"},
      {"none", "0000000", "0 1 9 10"},
      {"only excircles", "0000001", "0 1 8 9 10"},
      {"medians off, incircle on", "0110000", "0 1 3 4 9 10"},
      {"euler on, excircles off", "1111110", "0 1 2 3 4 5 6 7 9 10"},
  };
  gMainWindow = core::CreateTestWindow(800, 600);
  for (const Case& c : cases) {
    SetFlags(c.flags);
    EXPECT_EQ(c.steps, RunCycle()) << c.what;
  }
}

// The construction each tick hands to the dispatcher shows in its pen; until the
// figures draw, the step that follows a tick tells which row was drawn.
TEST_F(Cycle, SwitchedOffConstructionsCostNoTick) {
  gMainWindow = core::CreateTestWindow(800, 600);
  SetFlags("0100000");
  OnTimerTick();
  EXPECT_EQ(1, gCycleStep);
  OnTimerTick();  // step 1 finds the incircle at row 2
  EXPECT_EQ(3, gCycleStep);
  OnTimerTick();  // nothing left: the empty tick takes the place of step 8
  EXPECT_EQ(9, gCycleStep);
}

TEST_F(Cycle, QuietTicksOnlyTakeAndReturnTheContext) {
  gMainWindow = core::CreateTestWindow(800, 600);
  for (int32_t step : {8, 9}) {
    gCycleStep = step;
    core::ClearCalls();
    OnTimerTick();
    EXPECT_TRUE(SameCalls({"GetDC(hwnd1)", "ReleaseDC(hwnd1,dc" + std::to_string(step - 7) + ")"}, core::Calls()));
    EXPECT_EQ(step + 1, gCycleStep);
  }
}

TEST_F(Cycle, PlacementOnFullHd) {
  gMainWindow = core::CreateTestWindow(1920, 1080);
  core::QueueRandomNumbers({1000, 2000, 3000, 4000, 5000, 6000});
  OnTimerTick();
  EXPECT_EQ(692, gTriangle.a.x);
  EXPECT_EQ(622, gTriangle.a.y);
  EXPECT_EQ(1652, gTriangle.b.x);
  EXPECT_EQ(728, gTriangle.b.y);
  EXPECT_EQ(1736, gTriangle.c.x);
  EXPECT_EQ(164, gTriangle.c.y);
  // The outline follows at once; the derived points belong to the new vertices.
  EXPECT_EQ("MoveToEx(dc1,692,622)", core::CallsNamed({"MoveToEx"}).at(0));
  EXPECT_EQ(Mid(gTriangle.a, gTriangle.b), gTriangle.midAB);
}

TEST_F(Cycle, PlacementRangesOverEveryRandomNumber) {
  gMainWindow = core::CreateTestWindow(1920, 1080);
  int lo[6], hi[6];
  for (int i = 0; i < 6; ++i) lo[i] = INT32_MAX, hi[i] = INT32_MIN;
  for (int r = 0; r <= 32767; ++r) {
    core::QueueRandomNumbers({r, r, r, r, r, r});
    gCycleStep = kStepTriangle;
    OnTimerTick();
    core::ClearCalls();
    const int v[6] = {gTriangle.a.x, gTriangle.a.y, gTriangle.b.x, gTriangle.b.y, gTriangle.c.x, gTriangle.c.y};
    for (int i = 0; i < 6; ++i) lo[i] = std::min(lo[i], v[i]), hi[i] = std::max(hi[i], v[i]);
  }
  const int expected[6][2] = {{192, 1055}, {594, 1079}, {1228, 1803}, {691, 1014}, {192, 1919}, {108, 431}};
  const char* names[6] = {"A.x", "A.y", "B.x", "B.y", "C.x", "C.y"};
  for (int i = 0; i < 6; ++i) {
    EXPECT_EQ(expected[i][0], lo[i]) << names[i] << " lowest";
    EXPECT_EQ(expected[i][1], hi[i]) << names[i] << " highest";
  }
}

TEST_F(Cycle, NarrowClientHasNoMargin) {
  gMainWindow = core::CreateTestWindow(9, 5);
  core::QueueRandomNumbers({8, 4, 8, 4, 8, 4});
  OnTimerTick();
  // mx = my = 0, rx = 9, ry = 5.
  EXPECT_EQ(4, gTriangle.a.x);
  EXPECT_EQ(4, gTriangle.a.y);  // 4/2 + 5/2
  EXPECT_EQ(7, gTriangle.b.x);  // trunc(8/3 + 5.4)
  EXPECT_EQ(4, gTriangle.b.y);  // trunc(4/3 + 3.0)
  EXPECT_EQ(8, gTriangle.c.x);
  EXPECT_EQ(1, gTriangle.c.y);
}

TEST_F(Cycle, SameSecondGivesTheSameTriangle) {
  gMainWindow = core::CreateTestWindow(1280, 1024);
  core::SetClock(1614834367);
  OnTimerTick();
  const Triangle first = gTriangle;
  gCycleStep = kStepTriangle;
  OnTimerTick();
  EXPECT_EQ(first.a, gTriangle.a);
  EXPECT_EQ(first.b, gTriangle.b);
  EXPECT_EQ(first.c, gTriangle.c);
  core::SetClock(1614834368);
  gCycleStep = kStepTriangle;
  OnTimerTick();
  EXPECT_FALSE(first.a == gTriangle.a && first.b == gTriangle.b && first.c == gTriangle.c);
}

TEST_F(Cycle, GeneratorIsTheWindowsRuntimeOne) {
  // srand(1): the Windows runtime's rand gives 41, 18467, 6334, 26500, 19169, 15724.
  gMainWindow = core::CreateTestWindow(1000, 1000);
  core::SetClock(1);
  OnTimerTick();
  EXPECT_EQ(100 + 41 % 900 / 2, gTriangle.a.x);
  EXPECT_EQ(100 + 18467 % 900 / 2 + 450, gTriangle.a.y);
  EXPECT_EQ(100 + 19169 % 900, gTriangle.c.x);
  EXPECT_EQ(100 + 15724 % 900 / 3, gTriangle.c.y);
}

TEST_F(Cycle, EmptyClientAreaKeepsThePreviousTriangleAndAdvances) {
  for (auto size : {std::pair{0, 600}, std::pair{800, 0}, std::pair{0, 0}}) {
    ResetPlatform();
    gMainWindow = core::CreateTestWindow(800, 600);
    gCycleStep = kStepTriangle;
    OnTimerTick();
    const Triangle before = gTriangle;
    core::SetClientSize(gMainWindow, size.first, size.second);
    gCycleStep = kStepTriangle;
    core::ClearCalls();
    OnTimerTick();
    EXPECT_EQ(1, gCycleStep);
    EXPECT_TRUE(before.a == gTriangle.a && before.b == gTriangle.b && before.c == gTriangle.c);
    EXPECT_TRUE(core::CallsNamed({"CreatePen", "MoveToEx", "LineTo", "TextOutA"}).empty())
        << size.first << "x" << size.second << ":\n" << Join(core::Calls());
  }
}

// The caption's bytes are Windows-1252 (an en dash, a u with umlaut, a middle dot),
// pinned here as they reach TextOutA.
const char kCaptionAsRecorded[] =
    "\"Dreieck \\x96 merkw\\xFCrdige Punkte und Kreise am Dreieck \\xB7 "
    "ein Bildschirmschoner des Dreieck-Projekts\",95";

TEST_F(Cycle, EraseThenCaptionAtStepTen) {
  gMainWindow = core::CreateTestWindow(1024, 768);
  gCycleStep = kStepErase;
  OnTimerTick();
  const std::string text = kCaptionAsRecorded;
  Lines expected = {"GetDC(hwnd1)",
                    "SendMessageA(hwnd1,0x00000014,dc1,0)",
                    "FillRect(dc1,0,0,1024,768,stock:BLACK_BRUSH)",
                    "GetClientRect(hwnd1)",
                    "CreateFontA(10,6,0,0,100,0,0,0,1,0,0,0,0,\"Arial\")",
                    "SelectObject(dc1,font1)",
                    "SetBkMode(dc1,1)",
                    "GetTextExtentPoint32A(dc1," + text + ")",
                    "SetTextColor(dc1,0x0000FFFF)",
                    "TextOutA(dc1,227,754," + text + ")",  // 95 bytes of 6 pixels
                    "SelectObject(dc1,stock:SYSTEM_FONT)",
                    "DeleteObject(font1)",
                    "ReleaseDC(hwnd1,dc1)"};
  EXPECT_TRUE(SameCalls(expected, core::CallsNamed({"GetDC", "SendMessageA", "FillRect", "GetClientRect",
                                                    "CreateFontA", "SelectObject", "SetBkMode",
                                                    "GetTextExtentPoint32A", "SetTextColor", "TextOutA",
                                                    "DeleteObject", "ReleaseDC"})));
  EXPECT_EQ(kStepTriangle, gCycleStep);
}

// x is half the difference between the right edge and the caption's width, truncated
// toward zero; y is 14 pixels above the bottom. Odd widths and odd differences on
// both sides of zero tell this apart from right/2 - width/2 and from a floor.
TEST_F(Cycle, CaptionCentredByTheTruncatedHalfDifference) {
  struct Case {
    int right, bottom, perByte;  // the caption is 95 bytes
    int x, y;
  };
  const Case cases[] = {
      {1024, 768, 6, 227, 754},  // 570 wide
      {200, 50, 1, 52, 36},      // 95 wide, difference 105
      {201, 50, 1, 53, 36},      // difference 106
      {96, 20, 1, 0, 6},         // difference 1
      {94, 20, 1, 0, 6},         // difference -1
      {100, 50, 3, -92, 36},     // 285 wide, difference -185
      {0, 0, 1, -47, -14},       // difference -95
      {100, 50, 10, -425, 36},   // 950 wide, difference -850
  };
  for (const Case& c : cases) {
    ResetPlatform();
    HDC dc = OpenDc(c.right, c.bottom);
    core::SetTextMetrics(c.perByte, 10);
    DrawCaption(dc, RECT{0, 0, c.right, c.bottom});
    const std::string call = core::CallsNamed({"TextOutA"}).at(0);
    EXPECT_EQ("TextOutA(dc1," + std::to_string(c.x) + "," + std::to_string(c.y) + ",",
              call.substr(0, call.find('"')))
        << "right " << c.right << ", " << c.perByte << " pixels a byte";
  }
}

// No device context to be had: every tick still takes its step and places and works
// out its triangle as it would have drawn it; the drawing calls fail on the null
// context, and nothing the ticks created is left behind.
TEST_F(Cycle, TicksWithoutADeviceContextStillAdvance) {
  std::string drawn[2];
  for (int fail = 0; fail < 2; ++fail) {
    ResetPlatform();
    gCycleStep = kStepTriangle;
    core::SetClock(1700000000);
    gMainWindow = core::CreateTestWindow(1024, 768);
    core::FailDeviceContexts(fail == 1);
    std::string steps;
    for (int tick = 0; tick < 11; ++tick) {
      OnTimerTick();
      steps += std::to_string(gCycleStep) + " ";
    }
    EXPECT_EQ("1 2 3 4 5 6 7 8 9 10 0 ", steps) << (fail ? "without" : "with") << " a context";
    EXPECT_EQ(0, core::LiveObjectCount()) << (fail ? "without" : "with") << " a context";
    const Triangle& t = gTriangle;
    for (const Point& p : {t.a, t.b, t.c, t.centroid, t.circumcenter, t.incenter, t.orthocenter, t.excenters[0],
                           t.excenters[1], t.excenters[2]}) {
      drawn[fail] += std::to_string(p.x) + "," + std::to_string(p.y) + " ";
    }
    if (fail == 1) {
      for (const std::string& call : core::CallsNamed({"TextOutA", "LineTo", "AngleArc"}))
        EXPECT_EQ(call.find('(') + 1, call.find("null,")) << call;
      for (const std::string& error : core::TakeErrors()) {
        const bool nullContext = error.find(": null is no live device context") != std::string::npos ||
                                 error == "WM_ERASEBKGND without a live device context";
        EXPECT_TRUE(nullContext) << error;
      }
    }
  }
  EXPECT_EQ(drawn[0], drawn[1]);
}

// The palette follows the shade at each new triangle, the caption's colour the shade
// at the erase: a white cycle after a dark one and the other way round.
TEST_F(Cycle, EachCycleTakesTheShadeItStartsWith) {
  const std::pair<uint32_t, uint32_t> cases[] = {{4, 0}, {0, 4}, {0, 2}, {3, 0}, {0, 0}};
  for (const auto& [first, second] : cases) {
    ResetPlatform();
    gCycleStep = kStepTriangle;
    core::SetClock(1700000000);
    gMainWindow = core::CreateTestWindow(1024, 768);
    for (uint32_t shade : {first, second}) {
      gSettings.background = shade;
      core::ClearCalls();
      for (int tick = 0; tick < 11; ++tick) OnTimerTick();
      const std::string where = std::to_string(first) + " then " + std::to_string(second) + ", cycle of " +
                                std::to_string(shade);
      // The nine-point circle's pen (the fifth construction) and the caption's colour.
      const Lines pens = core::CallsNamed({"CreatePen"});
      ASSERT_EQ(11u, pens.size()) << where;
      EXPECT_EQ(shade == 0 ? "CreatePen(4,1,0x00008080)" : "CreatePen(4,1,0x0000FFFF)", pens[7]) << where;
      const std::string caption = core::CallsNamed({"SetTextColor"}).back();
      EXPECT_EQ(shade == 0 ? ",0x00FF8000)" : ",0x0000FFFF)", caption.substr(caption.find(','))) << where;
      EXPECT_EQ(static_cast<BackgroundShade>(shade), gTriangle.background) << where;
    }
  }
}

TEST_F(Cycle, CaptionColourPerShade) {
  HDC dc = OpenDc(640, 480);
  for (uint32_t shade : {0u, 1u, 2u, 3u, 4u}) {
    gSettings.background = shade;
    core::ClearCalls();
    DrawCaption(dc, RECT{0, 0, 640, 480});
    EXPECT_EQ(shade == 0 ? "SetTextColor(dc1,0x00FF8000)" : "SetTextColor(dc1,0x0000FFFF)",
              core::CallsNamed({"SetTextColor"}).at(0))
        << "shade " << shade;
    ExpectClean(dc);
  }
}

TEST_F(Cycle, CaptionIsOneWindows1252Line) {
  const size_t length = std::strlen(kCaption);
  EXPECT_GT(length, 20u);
  EXPECT_EQ(0, std::memcmp(kCaption, "Dreieck", 7));
  EXPECT_EQ(nullptr, std::strchr(kCaption, '\n'));
}

TEST_F(Cycle, CaptionWiderThanTheClientStartsLeftOfIt) {
  HDC dc = OpenDc(100, 50);
  core::SetTextMetrics(10, 10);
  const int length = static_cast<int>(std::strlen(kCaption));
  DrawCaption(dc, RECT{0, 0, 100, 50});
  const std::string call = core::CallsNamed({"TextOutA"}).at(0);
  EXPECT_EQ("TextOutA(dc1," + std::to_string((100 - 10 * length) / 2) + ",36,", call.substr(0, call.find('"')));
  EXPECT_LT((100 - 10 * length) / 2, 0);
}

}  // namespace
