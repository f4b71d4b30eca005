// Figures together: one full cycle with every construction on, the two points that
// only their own figures keep, and far-off centres through every figure.
#include "figures.h"

#include <cctype>
#include <climits>
#include <cstring>

namespace {

using namespace figures;

class FullCycle : public CoreTest {
 protected:
  void AllFlags(uint8_t on) { SetFlags(std::string(kConstructionCount, on != 0 ? '1' : '0')); }
};

// The texts of the TextOutA calls, as recorded (quoted, with their byte counts).
Lines Texts() {
  Lines texts;
  for (const std::string& call : core::CallsNamed({"TextOutA"})) {
    const size_t open = call.find('"');
    texts.push_back(call.substr(open, call.size() - 1 - open));
  }
  return texts;
}

// The last selection of each kind the record holds, so a tick can be checked to end
// with the context's own pen and font back in place.
std::string LastSelected(const char* prefix) {
  std::string last = "none";
  for (const std::string& call : core::CallsNamed({"SelectObject"})) {
    const size_t comma = call.find(',');
    const std::string object = call.substr(comma + 1, call.size() - comma - 2);
    if (object.find(prefix) != std::string::npos) last = object;
  }
  return last;
}

TEST_F(FullCycle, ElevenTicksDrawEveryFigureInOrderThenEraseAndCaption) {
  struct Tick {
    const char* what;
    Lines pens;
    Lines texts;
  };
  const std::string ankreis = "\"Ankreismittelpunkt\",18";
  const Tick ticks[] = {
      {"triangle", {"CreatePen(0,2,0x000000FF)"}, {"\"A\",1", "\"B\",1", "\"C\",1"}},
      {"medians", {"CreatePen(0,1,0x000080FF)"}, {"\"Schwerpunkt\",11"}},
      {"incircle", {"CreatePen(2,1,0x00FF0000)", "CreatePen(0,1,0x00FF0000)"}, {"\"Inkreismittelpunkt\",18"}},
      {"circumcircle", {"CreatePen(1,1,0x00008000)", "CreatePen(0,1,0x00008000)"}, {"\"Umkreismittelpunkt\",18"}},
      {"altitudes", {"CreatePen(3,1,0x0000FF00)"}, {"\"H\\xF6henschnittpunkt\",17"}},
      {"nine-point circle", {"CreatePen(4,1,0x0000FFFF)"}, {"\"Feuerbachkreis\",14"}},
      {"Euler line", {"CreatePen(3,2,0x00FFFF00)"}, {"\"Eulersche Gerade\",16"}},
      {"excircles", {"CreatePen(0,1,0x00FF8000)", "CreatePen(4,1,0x00FF8000)"}, {ankreis, ankreis, ankreis}},
      {"quiet", {}, {}},
      {"quiet", {}, {}},
      {"erase and caption", {}, {"caption"}},
  };
  AllFlags(1);
  gSettings.background = 4;
  core::SetClock(1700000000);
  gMainWindow = core::CreateTestWindow(1024, 768);
  Lines all;
  for (int step = 0; step <= kStepErase; ++step) {
    const Tick& tick = ticks[step];
    ASSERT_EQ(step, gCycleStep);
    core::ClearCalls();
    OnTimerTick();
    const std::string dc = "dc" + std::to_string(step + 1);
    Lines texts = Texts();
    const std::string captionCount = "," + std::to_string(std::strlen(kCaption));
    if (step == kStepErase && texts.size() == 1 && texts[0].size() > captionCount.size() &&
        texts[0].compare(texts[0].size() - captionCount.size(), captionCount.size(), captionCount) == 0) {
      texts[0] = "caption";
    }
    EXPECT_TRUE(SameCalls(tick.pens, core::CallsNamed({"CreatePen"}))) << tick.what;
    EXPECT_TRUE(SameCalls(tick.texts, texts)) << tick.what;
    EXPECT_EQ(0, core::LiveObjectCount()) << tick.what;
    EXPECT_TRUE(core::Errors().empty()) << tick.what << ":\n" << Join(core::Errors());  // ReleaseDC checks pen and font
    if (!tick.pens.empty()) {
      EXPECT_EQ("stock:BLACK_PEN", LastSelected("PEN")) << tick.what;
    }
    if (!tick.texts.empty()) {
      EXPECT_EQ("stock:SYSTEM_FONT", LastSelected("FONT")) << tick.what;
    }
    if (tick.pens.empty() && tick.texts.empty()) {
      EXPECT_TRUE(SameCalls({"GetDC(hwnd1)", "ReleaseDC(hwnd1," + dc + ")"}, core::Calls())) << tick.what;
    }
    if (step == kStepErase) {
      EXPECT_EQ("SendMessageA(hwnd1,0x00000014," + dc + ",0)", core::CallsNamed({"SendMessageA"}).at(0));
    }
    all.insert(all.end(), core::Calls().begin(), core::Calls().end());
  }
  EXPECT_EQ(kStepTriangle, gCycleStep);
  // The picture of the whole cycle: 3 sides, 3 medians, 3 + 3 bisectors and
  // perpendicular bisectors, 3 altitudes, 2 strokes of a cross, 1 Euler line, 6 strokes
  // of the excircle crosses; 6 circles.
  size_t lines = 0, arcs = 0;
  for (const std::string& call : all) {
    lines += call.rfind("LineTo", 0) == 0;
    arcs += call.rfind("AngleArc", 0) == 0;
  }
  EXPECT_EQ(24u, lines);
  EXPECT_EQ(6u, arcs);
}

TEST_F(FullCycle, OrthocenterAndIncenterKeepTheirValuesWhileTheirFiguresAreOff) {
  core::SetClock(1700000000);
  gMainWindow = core::CreateTestWindow(1024, 768);
  AllFlags(1);
  for (int tick = 0; tick < 11; ++tick) OnTimerTick();
  const std::string kept = Str(gTriangle.orthocenter) + Str(gTriangle.incenter);
  const Point firstA = gTriangle.a;
  gSettings.showAltitudes = 0;
  gSettings.showIncircle = 0;
  core::SetClock(1700000500);
  for (int tick = 0; tick < 9; ++tick) OnTimerTick();
  ASSERT_EQ(kStepTriangle, gCycleStep);
  ASSERT_FALSE(firstA == gTriangle.a);  // a new triangle was drawn
  EXPECT_EQ(kept, Str(gTriangle.orthocenter) + Str(gTriangle.incenter));
}

class FigureState : public CoreTest {};

TEST_F(FigureState, OrthocenterAndIncenterAreWrittenOnlyByTheirOwnFigures) {
  for (int32_t kind = FigureTriangle; kind <= FigureExcircles; ++kind) {
    ResetPlatform();
    HDC dc = OpenDc();
    SetTriangle({100, 400}, {500, 420}, {260, 80});
    gTriangle.orthocenter = {7, 8};
    gTriangle.incenter = {9, 10};
    gTriangle.DrawFigure(dc, kind);
    EXPECT_EQ(kind == FigureAltitudes ? "(249,295)" : "(7,8)", Str(gTriangle.orthocenter)) << "kind " << kind;
    EXPECT_EQ(kind == FigureIncircle ? "(276,298)" : "(9,10)", Str(gTriangle.incenter)) << "kind " << kind;
  }
}

TEST_F(FigureState, NoFigureDrawsFromAnotherFiguresPoint) {
  for (int32_t kind = FigureTriangle; kind <= FigureExcircles; ++kind) {
    Lines records[2];
    for (int run = 0; run < 2; ++run) {
      ResetPlatform();
      HDC dc = OpenDc();
      SetTriangle({100, 400}, {500, 420}, {260, 80});
      gTriangle.orthocenter = run == 0 ? Point{7, 8} : Point{-700, 800};
      gTriangle.incenter = run == 0 ? Point{9, 10} : Point{900, -1000};
      gTriangle.DrawFigure(dc, kind);
      records[run] = core::Calls();
    }
    EXPECT_TRUE(SameCalls(records[0], records[1])) << "kind " << kind;
  }
}

// Nearly parallel sides put centres far off, with coordinates near +-2^31: every
// figure still makes all its calls, with wrapped but defined values (the sanitizer
// build turns any overflow into a failure).
TEST_F(FigureState, FarOffCentresStayDefinedInEveryFigure) {
  struct Case {
    const char* what;
    Point a, b, c;
    int w, h;
  };
  const Case cases[] = {
      {"corners of the coordinate range", {INT32_MIN, INT32_MIN}, {INT32_MAX, INT32_MAX}, {INT32_MAX - 1, INT32_MAX},
       1024, 768},
      {"one step off parallel", {0, 0}, {1 << 30, 1}, {(1 << 30) - 1, 2}, 1920, 1080},
      {"sliver across the range", {-2147483000, 100}, {2147483000, 101}, {0, 99}, INT32_MAX, INT32_MAX},
      {"sliver on a display without size", {-2147483000, -5}, {2147483000, 5}, {3, 0}, 0, 0},
      {"flat triangle off the display", {INT32_MAX, 0}, {INT32_MIN, 1}, {0, INT32_MIN}, 1024, INT32_MIN},
  };
  for (const Case& k : cases) {
    ResetPlatform();
    core::SetDisplaySize(k.w, k.h);
    HDC dc = OpenDc();
    gTriangle.a = k.a;
    gTriangle.b = k.b;
    gTriangle.c = k.c;
    for (int32_t kind = FigureTriangle; kind <= FigureExcircles; ++kind) {
      gTriangle.DrawFigure(dc, kind);
      EXPECT_EQ(0, core::LiveObjectCount()) << k.what << ", kind " << kind;
      EXPECT_EQ("stock:BLACK_PEN", core::SelectedPen(dc)) << k.what << ", kind " << kind;
    }
    EXPECT_EQ(6u, core::CallsNamed({"AngleArc"}).size()) << k.what;
    EXPECT_TRUE(core::Errors().empty()) << k.what << ":\n" << Join(core::Errors());
  }
}

// A pen or font that cannot be made is null: each figure and the caption still make
// every call in the same order at the same points, draw with what the context holds,
// and delete nothing but what they made, which is nothing at all.
TEST_F(FigureState, FailedCreationsChangeNoCallAndDeleteNothingElse) {
  // The record with every made object and every object put back named "null", as
  // the failing run's record must read.
  const auto asIfNothingWasMade = [](Lines calls) {
    for (std::string& call : calls) {
      for (const char* made : {"pen", "font"}) {
        for (size_t at = call.find(made); at != std::string::npos; at = call.find(made, at + 1)) {
          if (at == 0 || (call[at - 1] != ',' && call[at - 1] != '(')) continue;
          size_t end = at + std::strlen(made);
          while (end < call.size() && std::isdigit(static_cast<unsigned char>(call[end]))) ++end;
          if (end > at + std::strlen(made)) call.replace(at, end - at, "null");
        }
      }
      if (call == "SelectObject(dc1,stock:BLACK_PEN)" || call == "SelectObject(dc1,stock:SYSTEM_FONT)")
        call = "SelectObject(dc1,null)";
    }
    return calls;
  };
  const int32_t caption = FigureExcircles + 1;
  for (int32_t kind = FigureTriangle; kind <= caption; ++kind) {
    Lines records[2];
    for (int fail = 0; fail < 2; ++fail) {
      ResetPlatform();
      HDC dc = OpenDc();
      SetTriangle({100, 400}, {500, 420}, {260, 80});
      core::FailObjectCreation(fail == 1);
      if (kind == caption) DrawCaption(dc, RECT{0, 0, 1024, 768});
      else gTriangle.DrawFigure(dc, kind);
      records[fail] = core::Calls();
      EXPECT_EQ("stock:BLACK_PEN", core::SelectedPen(dc)) << "kind " << kind;
      EXPECT_EQ("stock:SYSTEM_FONT", core::SelectedFont(dc)) << "kind " << kind;
      EXPECT_EQ(0, core::LiveObjectCount()) << "kind " << kind;
      // Windows answers selecting and deleting null with a failure, nothing more.
      for (const std::string& error : core::TakeErrors()) {
        const bool nullObject = error.rfind("SelectObject: null ", 0) == 0 || error.rfind("DeleteObject: null ", 0) == 0;
        EXPECT_TRUE(fail == 1 && nullObject) << "kind " << kind << ": " << error;
      }
    }
    EXPECT_FALSE(core::CallsNamed({"DeleteObject"}).empty()) << "kind " << kind;
    EXPECT_TRUE(SameCalls(asIfNothingWasMade(records[0]), records[1])) << "kind " << kind;
  }
}

}  // namespace
