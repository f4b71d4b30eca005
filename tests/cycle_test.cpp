// The drawing cycle: which tick draws what, the random placement and the caption.
#include "support.h"

#include <cstring>

namespace {

class Cycle : public HostTest {
 protected:
  void SetFlags(bool medians, bool incircle, bool circumcircle, bool altitudes, bool ninePoint,
                bool euler, bool excircles) {
    gSettings.showMedians = medians;
    gSettings.showIncircle = incircle;
    gSettings.showCircumcircle = circumcircle;
    gSettings.showAltitudes = altitudes;
    gSettings.showNinePointCircle = ninePoint;
    gSettings.showEulerLine = euler;
    gSettings.showExcircles = excircles;
  }
  // Runs ticks from step 0 until the cycle is back at 0; returns the steps the ticks
  // performed, e.g. "0 1 9 10".
  std::string RunCycle() {
    std::string steps;
    int guard = 0;
    do {
      steps += (steps.empty() ? "" : " ") + std::to_string(gCycleStep);
      OnTimerTick();
      EXPECT_EQ(0, host::LiveObjectCount()) << "after step " << steps;
    } while (gCycleStep != 0 && ++guard < 20);
    return steps;
  }
};

TEST_F(Cycle, TicksPerCycleFollowTheFlags) {
  struct Case {
    const char* what;
    bool flags[7];
    const char* steps;
  };
  const Case cases[] = {
      {"all on", {1, 1, 1, 1, 1, 1, 1}, "0 1 2 3 4 5 6 7 8 9 10"},
      {"none", {0, 0, 0, 0, 0, 0, 0}, "0 1 9 10"},
      {"only excircles", {0, 0, 0, 0, 0, 0, 1}, "0 1 8 9 10"},
      {"medians off, incircle on", {0, 1, 1, 0, 0, 0, 0}, "0 1 3 4 9 10"},
      {"euler on, excircles off", {1, 1, 1, 1, 1, 1, 0}, "0 1 2 3 4 5 6 7 9 10"},
  };
  gMainWindow = host::CreateTestWindow(800, 600);
  for (const Case& c : cases) {
    const bool* f = c.flags;
    SetFlags(f[0], f[1], f[2], f[3], f[4], f[5], f[6]);
    EXPECT_EQ(c.steps, RunCycle()) << c.what;
  }
}

// The construction each tick hands to the dispatcher shows in its pen; until the
// figures draw, the step that follows a tick tells which row was drawn.
TEST_F(Cycle, SwitchedOffConstructionsCostNoTick) {
  gMainWindow = host::CreateTestWindow(800, 600);
  SetFlags(0, 1, 0, 0, 0, 0, 0);
  OnTimerTick();
  EXPECT_EQ(1, gCycleStep);
  OnTimerTick();  // step 1 finds the incircle at row 2
  EXPECT_EQ(3, gCycleStep);
  OnTimerTick();  // nothing left: the empty tick takes the place of step 8
  EXPECT_EQ(9, gCycleStep);
}

TEST_F(Cycle, QuietTicksOnlyTakeAndReturnTheContext) {
  gMainWindow = host::CreateTestWindow(800, 600);
  for (int32_t step : {8, 9}) {
    gCycleStep = step;
    host::ClearCalls();
    OnTimerTick();
    EXPECT_TRUE(SameCalls({"GetDC(hwnd1)", "ReleaseDC(hwnd1,dc" + std::to_string(step - 7) + ")"}, host::Calls()));
    EXPECT_EQ(step + 1, gCycleStep);
  }
}

TEST_F(Cycle, PlacementOnFullHd) {
  gMainWindow = host::CreateTestWindow(1920, 1080);
  host::QueueRandomNumbers({1000, 2000, 3000, 4000, 5000, 6000});
  OnTimerTick();
  EXPECT_EQ(692, gTriangle.a.x);
  EXPECT_EQ(622, gTriangle.a.y);
  EXPECT_EQ(1652, gTriangle.b.x);
  EXPECT_EQ(728, gTriangle.b.y);
  EXPECT_EQ(1736, gTriangle.c.x);
  EXPECT_EQ(164, gTriangle.c.y);
  // The outline follows at once; the derived points belong to the new vertices.
  EXPECT_EQ("MoveToEx(dc1,692,622)", host::CallsNamed({"MoveToEx"}).at(0));
  EXPECT_EQ(Mid(gTriangle.a, gTriangle.b), gTriangle.midAB);
}

TEST_F(Cycle, PlacementRangesOverEveryRandomNumber) {
  gMainWindow = host::CreateTestWindow(1920, 1080);
  int lo[6], hi[6];
  for (int i = 0; i < 6; ++i) lo[i] = INT32_MAX, hi[i] = INT32_MIN;
  for (int r = 0; r <= 32767; ++r) {
    host::QueueRandomNumbers({r, r, r, r, r, r});
    gCycleStep = 0;
    OnTimerTick();
    host::ClearCalls();
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
  gMainWindow = host::CreateTestWindow(9, 5);
  host::QueueRandomNumbers({8, 4, 8, 4, 8, 4});
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
  gMainWindow = host::CreateTestWindow(1280, 1024);
  host::SetClock(1614834367);
  OnTimerTick();
  const Triangle first = gTriangle;
  gCycleStep = 0;
  OnTimerTick();
  EXPECT_EQ(first.a, gTriangle.a);
  EXPECT_EQ(first.b, gTriangle.b);
  EXPECT_EQ(first.c, gTriangle.c);
  host::SetClock(1614834368);
  gCycleStep = 0;
  OnTimerTick();
  EXPECT_FALSE(first.a == gTriangle.a && first.b == gTriangle.b && first.c == gTriangle.c);
}

TEST_F(Cycle, GeneratorIsTheWindowsRuntimeOne) {
  // srand(1): the Windows runtime's rand gives 41, 18467, 6334, 26500, 19169, 15724.
  gMainWindow = host::CreateTestWindow(1000, 1000);
  host::SetClock(1);
  OnTimerTick();
  EXPECT_EQ(100 + 41 % 900 / 2, gTriangle.a.x);
  EXPECT_EQ(100 + 18467 % 900 / 2 + 450, gTriangle.a.y);
  EXPECT_EQ(100 + 19169 % 900, gTriangle.c.x);
  EXPECT_EQ(100 + 15724 % 900 / 3, gTriangle.c.y);
}

TEST_F(Cycle, EmptyClientAreaKeepsThePreviousTriangleAndAdvances) {
  for (auto size : {std::pair{0, 600}, std::pair{800, 0}, std::pair{0, 0}}) {
    host::Reset();
    gMainWindow = host::CreateTestWindow(800, 600);
    gCycleStep = 0;
    OnTimerTick();
    const Triangle before = gTriangle;
    host::SetClientSize(gMainWindow, size.first, size.second);
    gCycleStep = 0;
    host::ClearCalls();
    OnTimerTick();
    EXPECT_EQ(1, gCycleStep);
    EXPECT_TRUE(before.a == gTriangle.a && before.b == gTriangle.b && before.c == gTriangle.c);
    EXPECT_TRUE(host::CallsNamed({"CreatePen", "MoveToEx", "LineTo", "TextOutA"}).empty())
        << size.first << "x" << size.second << ":\n" << Join(host::Calls());
  }
}

TEST_F(Cycle, EraseThenCaptionAtStepTen) {
  gMainWindow = host::CreateTestWindow(1024, 768);
  gCycleStep = 10;
  OnTimerTick();
  const int length = static_cast<int>(std::strlen(kCaption));
  const std::string text = host::CallsNamed({"TextOutA"}).at(0);
  const std::string x = std::to_string((1024 - 6 * length) / 2);
  Lines expected = {"GetDC(hwnd1)",
                    "SendMessageA(hwnd1,0x00000014,dc1,0)",
                    "FillRect(dc1,0,0,1024,768,stock:BLACK_BRUSH)",
                    "GetClientRect(hwnd1)",
                    "CreateFontA(10,6,0,0,100,0,0,0,1,0,0,0,0,\"Arial\")",
                    "SelectObject(dc1,font1)",
                    "SetBkMode(dc1,1)",
                    "GetTextExtentPoint32A(dc1," + text.substr(text.find('"'), text.rfind('"') - text.find('"') + 1) +
                        "," + std::to_string(length) + ")",
                    "SetTextColor(dc1,0x0000FFFF)",
                    "TextOutA(dc1," + x + ",754," + text.substr(text.find('"')),
                    "SelectObject(dc1,stock:SYSTEM_FONT)",
                    "DeleteObject(font1)",
                    "ReleaseDC(hwnd1,dc1)"};
  EXPECT_TRUE(SameCalls(expected, host::CallsNamed({"GetDC", "SendMessageA", "FillRect", "GetClientRect",
                                                    "CreateFontA", "SelectObject", "SetBkMode",
                                                    "GetTextExtentPoint32A", "SetTextColor", "TextOutA",
                                                    "DeleteObject", "ReleaseDC"})));
  EXPECT_EQ(0, gCycleStep);
}

TEST_F(Cycle, CaptionColourPerShade) {
  HDC dc = OpenDc(640, 480);
  for (uint32_t shade : {0u, 1u, 2u, 3u, 4u}) {
    gSettings.background = shade;
    host::ClearCalls();
    DrawCaption(dc, RECT{0, 0, 640, 480});
    EXPECT_EQ(shade == 0 ? "SetTextColor(dc1,0x00FF8000)" : "SetTextColor(dc1,0x0000FFFF)",
              host::CallsNamed({"SetTextColor"}).at(0))
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
  host::SetTextMetrics(10, 10);
  const int length = static_cast<int>(std::strlen(kCaption));
  DrawCaption(dc, RECT{0, 0, 100, 50});
  const std::string call = host::CallsNamed({"TextOutA"}).at(0);
  EXPECT_EQ("TextOutA(dc1," + std::to_string((100 - 10 * length) / 2) + ",36,", call.substr(0, call.find('"')));
  EXPECT_LT((100 - 10 * length) / 2, 0);
}

}  // namespace
