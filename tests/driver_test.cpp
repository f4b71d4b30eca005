// The driver on the recording backend: what a plan adds between the program's ticks
// (the corners given, the picture held after a step, the clock, the keys of a window of
// its own), what a front end hears of each tick, what the options make of a plan, the
// settings dialog as the page runs it, and where the explorer begins from the saver.
#include <string>
#include <vector>

#include "driver/explore.h"
#include "driver/kept.h"
#include "driver/run.h"
#include "support.h"

namespace {

struct Tick {
  int32_t started;
  int32_t next;
  bool held;
  bool operator==(const Tick& t) const { return started == t.started && next == t.next && held == t.held; }
};

std::string Show(const std::vector<Tick>& ticks) {
  std::string out;
  for (const Tick& t : ticks)
    out += "(" + std::to_string(t.started) + "->" + std::to_string(t.next) + (t.held ? " held" : "") + ")";
  return out;
}

class Heard final : public driver::Listener {
 public:
  bool CycleBegins() override { return ++cycles <= cyclesToRun || cyclesToRun < 0; }
  void TickStarts() override { ++starts; }
  void Ticked(int32_t started, int32_t next, bool held) override {
    ticks.push_back({started, next, held});
    corners.push_back(gTriangle.a);
  }
  int starts = 0;
  int cycles = 0;        // times asked whether a cycle begins
  int cyclesToRun = -1;  // the cycles it lets begin; -1 every one
  std::vector<Tick> ticks;
  std::vector<Point> corners;  // corner A after each tick
};

class Driver : public CoreTest {
 protected:
  // Runs the saver in a 640x480 outer window; the user's timer comes due whenever the
  // loop waits, `ticks` times at most, then the loop ends. `keys` go to the program's
  // window before the tick of that number.
  driver::Ran Run(const driver::Plan& plan, int ticks, std::vector<std::pair<int, WPARAM>> keys = {}) {
    outer = core::NewOuterWindow("test", 640, 480);
    int given = 0;
    core::SetIdleHandler([&, ticks] {
      for (const auto& [before, key] : keys)
        if (before == given && gMainWindow != nullptr && core::IsWindowAlive(gMainWindow)) {
          core::PostMessageToQueue(gMainWindow, WM_KEYDOWN, key, 1);
          keys.erase(keys.begin());
          return;
        }
      if (given < ticks && gMainWindow != nullptr && core::TimerCount() > 0) {
        ++given;
        core::PostMessageToQueue(gMainWindow, WM_TIMER, gTimerId, 0);
      } else {
        core::PostQuit(7);
      }
    });
    const driver::Ran ran = driver::RunSaver(outer, plan, &heard);
    core::SetIdleHandler(nullptr);  // it holds this run's state
    return ran;
  }
  HWND outer = nullptr;
  Heard heard;
};

// A plan that holds after a step: the ticks up to the one that went beyond it, and no
// timer after it.
TEST_F(Driver, HoldsThePictureAfterTheTickOfItsStep) {
  struct Case {
    const char* what;
    int32_t hold;
    const char* off;  // constructions switched off, by number
    std::vector<Tick> ticks;
  };
  const Case cases[] = {
      {"step 3", 3, "", {{0, 1, false}, {1, 2, false}, {2, 3, false}, {3, 4, true}}},
      {"step 3 with the circumcircle off: the next one's tick", 3, "3",
       {{0, 1, false}, {1, 2, false}, {2, 3, false}, {3, 5, true}}},
      {"the triangle", 0, "", {{0, 1, true}}},
      {"the last construction", 7, "1234567", {{0, 1, false}, {1, 9, true}}},
      {"the second quiet step with everything off", 9, "1234567", {{0, 1, false}, {1, 9, false}, {9, 10, true}}},
      {"the erase", 10, "", {{0, 1, false}, {1, 2, false}, {2, 3, false}, {3, 4, false}, {4, 5, false},
                             {5, 6, false}, {6, 7, false}, {7, 8, false}, {8, 9, false}, {9, 10, false},
                             {10, 0, true}}},
      {"nothing: the cycle runs on", -1, "",
       {{0, 1, false}, {1, 2, false}, {2, 3, false}, {3, 4, false}, {4, 5, false}, {5, 6, false}, {6, 7, false},
        {7, 8, false}, {8, 9, false}, {9, 10, false}, {10, 0, false}, {0, 1, false}, {1, 2, false}}},
  };
  for (const Case& c : cases) {
    ResetPlatform();
    heard = Heard();
    for (const char* off = c.off; *off != '\0'; ++off)
      core::SetRegistryDword(kSettingsKey, kConstructions[*off - '1'].valueName, 0);
    driver::Plan plan;
    plan.holdStep = c.hold;
    const driver::Ran ran = Run(plan, 13);
    EXPECT_EQ(Show(c.ticks), Show(heard.ticks)) << c.what;
    EXPECT_EQ(static_cast<int>(heard.ticks.size()), heard.starts) << c.what;
    EXPECT_EQ(c.hold >= 0 ? 0 : 1, core::TimerCount()) << c.what << ": timers left";
    EXPECT_EQ(7, ran.result) << c.what;
    EXPECT_TRUE(ran.window) << c.what;
  }
}

// Every cycle's triangle on the corners given, whatever the clock; without them the
// clock's second places it, as srand(second) and PlaceTriangle do on Windows.
TEST_F(Driver, CornersAndClockOfThePlan) {
  driver::Plan plan;
  plan.cornersGiven = true;
  plan.corners[0] = {100, 400};
  plan.corners[1] = {500, 420};
  plan.corners[2] = {260, 80};
  Run(plan, 23);
  ASSERT_EQ(23u, heard.corners.size());
  for (size_t i : {0u, 11u, 22u}) {
    EXPECT_EQ(100, heard.corners[i].x) << "tick " << i;
    EXPECT_EQ(400, heard.corners[i].y) << "tick " << i;
  }
  EXPECT_EQ(500, gTriangle.b.x);
  EXPECT_EQ(80, gTriangle.c.y);

  // The clock: the triangle of 2021-03-04 05:06:07 UTC in 640x480, both cycles.
  struct Case {
    time_t second;
  };
  for (const Case& c : {Case{1614834367}, Case{1000000000}}) {
    ResetPlatform();
    heard = Heard();
    // What the program places at that second in a window of that size.
    gMainWindow = core::CreateTestWindow(640, 480);
    srand(static_cast<unsigned>(c.second));
    ASSERT_TRUE(PlaceTriangle());
    const Triangle expected = gTriangle;
    gTriangle = Triangle();
    driver::Plan clock;
    clock.clockGiven = true;
    clock.second = c.second;
    Run(clock, 12);
    ASSERT_EQ(12u, heard.corners.size());
    for (size_t i : {0u, 11u}) {
      EXPECT_EQ(expected.a.x, heard.corners[i].x) << c.second << " tick " << i;
      EXPECT_EQ(expected.a.y, heard.corners[i].y) << c.second << " tick " << i;
    }
    EXPECT_EQ(c.second, time(nullptr));
  }
}

// Escape and Q end a window of its own (its outer window goes, and with it the
// program's); other keys, and every key elsewhere, leave it running.
TEST_F(Driver, KeysThatEndAWindowOfItsOwn) {
  struct Case {
    bool endOnKeys;
    WPARAM key;
    size_t ticks;  // before the run ended
  };
  const Case cases[] = {
      {true, VK_ESCAPE, 2}, {true, 'Q', 2}, {true, 'A', 5}, {true, VK_SPACE, 5},
      {false, VK_ESCAPE, 5}, {false, 'Q', 5},
  };
  for (const Case& c : cases) {
    ResetPlatform();
    heard = Heard();
    driver::Plan plan;
    plan.endOnKeys = c.endOnKeys;
    const driver::Ran ran = Run(plan, 5, {{2, c.key}});
    EXPECT_EQ(c.ticks, heard.ticks.size()) << "key " << c.key << (c.endOnKeys ? " in" : " outside") << " a window of its own";
    EXPECT_EQ(c.ticks == 2, !core::IsWindowAlive(outer)) << "key " << c.key;
    EXPECT_EQ(c.ticks == 2 ? 0 : 7, ran.result) << "key " << c.key;
  }
}

// A run that ends on input (the saver): any key, and the pointer moved beyond the
// slack (8 pixels either way) from where it was first seen; the first position, far
// from the window's corner, ends nothing. Without the rule nothing of it ends the run.
TEST_F(Driver, InputThatEndsTheSaver) {
  struct Move {
    int x, y;
  };
  struct Case {
    const char* what;
    bool endOnInput;
    std::vector<Move> moves;  // one before each tick from the second on
    WPARAM key;               // before the third tick, 0 for none
    size_t ticks;             // before the run ended
  };
  const Case cases[] = {
      {"a key", true, {}, 'A', 2},
      {"Shift", true, {}, VK_SHIFT, 2},
      {"a key without the rule", false, {}, 'A', 6},
      {"the first position ends nothing", true, {{600, 400}}, 0, 6},
      {"8 pixels right: within the slack", true, {{100, 100}, {108, 100}, {92, 108}}, 0, 6},
      {"9 pixels right", true, {{100, 100}, {109, 100}}, 0, 2},
      {"9 pixels left", true, {{100, 100}, {91, 100}}, 0, 2},
      {"9 pixels down", true, {{100, 100}, {100, 109}}, 0, 2},
      {"9 pixels up, after small moves", true, {{100, 100}, {104, 96}, {100, 91}}, 0, 3},
      {"far without the rule", false, {{100, 100}, {500, 400}}, 0, 6},
  };
  for (const Case& c : cases) {
    ResetPlatform();
    heard = Heard();
    driver::Plan plan;
    plan.endOnInput = c.endOnInput;
    outer = core::NewOuterWindow("test", 640, 480);
    size_t given = 0;
    bool keyGiven = false;
    std::vector<Move> moves = c.moves;
    bool inputGiven = false;  // before the next tick
    core::SetIdleHandler([&] {
      if (gMainWindow == nullptr || !core::IsWindowAlive(gMainWindow) || given >= 6) return core::PostQuit(7);
      if (given >= 1 && !moves.empty() && !inputGiven) {
        core::PostMessageToQueue(gMainWindow, WM_MOUSEMOVE, 0, MAKELPARAM(moves.front().x, moves.front().y));
        moves.erase(moves.begin());
        inputGiven = true;
        return;
      }
      if (given == 2 && c.key != 0 && !keyGiven) {
        keyGiven = true;
        core::PostMessageToQueue(gMainWindow, WM_KEYDOWN, c.key, 1);
        return;
      }
      inputGiven = false;
      ++given;
      core::PostMessageToQueue(gMainWindow, WM_TIMER, gTimerId, 0);
    });
    const driver::Ran ran = driver::RunSaver(outer, plan, &heard);
    core::SetIdleHandler(nullptr);
    EXPECT_EQ(c.ticks, heard.ticks.size()) << c.what;
    EXPECT_EQ(c.ticks < 6 ? 0 : 7, ran.result) << c.what;
    EXPECT_EQ(c.ticks == 6, core::IsWindowAlive(outer)) << c.what << ": the window of its own ends with the run";
  }
}

// Several screens in one loop (the saver on every output): each window's program has
// its own cycle at its own size, a screen added while it runs starts its own cycle,
// one dropped goes without ending the others, and the run ends at a button or a key in
// any of them, or the pointer seen in another window than first.
class Several : public Driver {
 protected:
  // What a tick was: whose window, from which step to which, corner A after it.
  struct Heard final : public driver::Listener {
    void Ticked(int32_t started, int32_t next, bool) override { ticks.push_back({gMainWindow, started, next, gTriangle.a}); }
    struct Tick {
      HWND window;
      int32_t started, next;
      Point a;
    };
    std::vector<Tick> ticks;
  };
  // The steps the ticks of `window` went through: "0>1 1>2 ...".
  std::string StepsOf(HWND window) const {
    std::string out;
    for (const auto& t : heard.ticks)
      if (t.window == window) out += (out.empty() ? "" : " ") + std::to_string(t.started) + ">" + std::to_string(t.next);
    return out;
  }
  static HWND ProgramIn(HWND outer) {
    const std::vector<HWND> children = core::Children(outer);
    return children.empty() ? nullptr : children.front();
  }
  // The triangle the program places at `second` in a window of width x height.
  static Point CornerAAt(time_t second, int width, int height) {
    const HWND saved = gMainWindow;
    const Triangle triangle = gTriangle;
    gMainWindow = core::CreateTestWindow(width, height);
    srand(static_cast<unsigned>(second));
    PlaceTriangle();
    const Point a = gTriangle.a;
    gMainWindow = saved;
    gTriangle = triangle;
    return a;
  }
  Heard heard;
};

TEST_F(Several, EachScreenItsOwnCycleAtItsOwnSize) {
  driver::Plan plan;
  plan.clockGiven = true;
  plan.second = 1614834367;  // 2021-03-04 05:06:07 UTC
  const HWND outers[3] = {core::NewOuterWindow("a", 640, 480), core::NewOuterWindow("b", 320, 200),
                          core::NewOuterWindow("c", 1024, 768)};
  driver::Screens screens(plan, &heard);
  screens.Add(outers[0]);
  screens.Add(outers[1]);
  // Ticks as they come from the screens' timers, not in turn: a twice, b, a, c (added
  // after the first tick), a; then the quit.
  int step = 0;
  core::SetIdleHandler([&] {
    const int which[] = {0, 0, 1, 0, 2, 0};
    if (step == 1) screens.Add(outers[2]);
    if (step >= 6) return core::PostQuit(7);
    const HWND program = ProgramIn(outers[which[step++]]);
    core::PostMessageToQueue(program, WM_TIMER, 1, 0);
  });
  const driver::Ran ran = screens.Run();
  core::SetIdleHandler(nullptr);
  EXPECT_EQ(7, ran.result);
  EXPECT_TRUE(ran.window);
  EXPECT_EQ(3u, screens.Windows().size());
  EXPECT_EQ("0>1 1>2 2>3 3>4", StepsOf(ProgramIn(outers[0])));
  EXPECT_EQ("0>1", StepsOf(ProgramIn(outers[1])));
  EXPECT_EQ("0>1", StepsOf(ProgramIn(outers[2])));
  const int sizes[3][2] = {{640, 480}, {320, 200}, {1024, 768}};
  for (const auto& t : heard.ticks) {
    int i = 0;
    while (ProgramIn(outers[i]) != t.window) ++i;
    const Point a = CornerAAt(plan.second, sizes[i][0], sizes[i][1]);
    EXPECT_EQ(a.x, t.a.x) << "screen " << i << " step " << t.started;
    EXPECT_EQ(a.y, t.a.y) << "screen " << i << " step " << t.started;
  }
}

TEST_F(Several, ADroppedScreenLeavesTheOthersRunning) {
  struct Case {
    const char* what;
    bool quitBefore;  // the run was ending already when the screen went
    int result;
    std::string stepsOfB;
  };
  const Case cases[] = {
      {"dropped while it runs", false, 7, "0>1 1>2 2>3"},
      {"dropped as the run ends", true, 0, ""},
  };
  for (const Case& c : cases) {
    ResetPlatform();
    heard = Heard();
    driver::Plan plan;
    const HWND a = core::NewOuterWindow("a", 640, 480), b = core::NewOuterWindow("b", 320, 200);
    driver::Screens screens(plan, &heard);
    screens.Add(a);
    screens.Add(b);
    int step = 0;
    HWND programA = nullptr;
    core::SetIdleHandler([&] {
      if (step == 0) {
        programA = ProgramIn(a);
        core::PostMessageToQueue(programA, WM_TIMER, 1, 0);
      } else if (step == 1) {
        if (c.quitBefore) core::PostQuit(0);
        screens.Drop(a);
        if (c.quitBefore) return;
        core::PostMessageToQueue(ProgramIn(b), WM_TIMER, 1, 0);
      } else if (step <= 3) {
        core::PostMessageToQueue(ProgramIn(b), WM_TIMER, 1, 0);
      } else {
        core::PostQuit(7);
      }
      ++step;
    });
    const driver::Ran ran = screens.Run();
    core::SetIdleHandler(nullptr);
    EXPECT_EQ(c.result, ran.result) << c.what;
    EXPECT_FALSE(core::IsWindowAlive(a)) << c.what;
    EXPECT_FALSE(core::IsWindowAlive(programA)) << c.what;
    EXPECT_TRUE(core::IsWindowAlive(ProgramIn(b))) << c.what;
    EXPECT_EQ(1u, screens.Windows().size()) << c.what;
    EXPECT_EQ(c.stepsOfB, StepsOf(ProgramIn(b))) << c.what;
    EXPECT_EQ("0>1", StepsOf(programA)) << c.what;
  }
}

// A screen whose program window cannot be made (its outer window went before) gets no
// program; the program whose state the globals held runs on as it was.
TEST_F(Several, AScreenWithoutAWindowLeavesTheOthersAsTheyWere) {
  driver::Plan plan;
  const HWND a = core::NewOuterWindow("a", 640, 480), b = core::NewOuterWindow("b", 320, 200);
  const HWND gone = core::NewOuterWindow("gone", 800, 600);
  core::DestroyWindowTree(gone);
  driver::Screens screens(plan, &heard);
  screens.Add(a);
  screens.Add(b);
  int step = 0;
  core::SetIdleHandler([&] {
    if (step == 1) screens.Add(gone);
    if (step >= 4) return core::PostQuit(7);
    core::PostMessageToQueue(ProgramIn(step == 3 ? b : a), WM_TIMER, 1, 0);
    ++step;
  });
  const driver::Ran ran = screens.Run();
  core::SetIdleHandler(nullptr);
  EXPECT_EQ(7, ran.result);
  EXPECT_EQ(2u, screens.Windows().size());
  EXPECT_EQ("0>1 1>2 2>3", StepsOf(ProgramIn(a)));
  EXPECT_EQ("0>1", StepsOf(ProgramIn(b)));
}

TEST_F(Several, InputInAnyScreenEndsThemAll) {
  struct Case {
    const char* what;
    UINT message;
    WPARAM wParam;
    int where;   // 0 or 1: the screen it goes to
    LPARAM at;   // for a movement
    int result;  // 7: it did not end
  };
  const Case cases[] = {
      {"the left button in the second", WM_LBUTTONDOWN, MK_LBUTTON, 1, MAKELPARAM(5, 5), 0},
      {"the right button in the first", WM_RBUTTONDOWN, 0, 0, MAKELPARAM(5, 5), 0},
      {"a key in the second", WM_KEYDOWN, 'X', 1, 1, 0},
      {"a small move in the first", WM_MOUSEMOVE, 0, 0, MAKELPARAM(105, 100), 7},
      {"the pointer in the other screen", WM_MOUSEMOVE, 0, 1, MAKELPARAM(100, 100), 0},
  };
  for (const Case& c : cases) {
    ResetPlatform();
    heard = Heard();
    driver::Plan plan;
    plan.endOnInput = true;
    const HWND outers[2] = {core::NewOuterWindow("a", 640, 480), core::NewOuterWindow("b", 320, 200)};
    driver::Screens screens(plan, &heard);
    screens.Add(outers[0]);
    screens.Add(outers[1]);
    int step = 0;
    core::SetIdleHandler([&] {
      if (step == 0) core::PostMessageToQueue(ProgramIn(outers[0]), WM_MOUSEMOVE, 0, MAKELPARAM(100, 100));
      else if (step == 1) core::PostMessageToQueue(ProgramIn(outers[c.where]), c.message, c.wParam, c.at);
      else if (step == 2) core::PostMessageToQueue(ProgramIn(outers[1]), WM_TIMER, 1, 0);
      else core::PostQuit(7);
      ++step;
    });
    const driver::Ran ran = screens.Run();
    core::SetIdleHandler(nullptr);
    EXPECT_EQ(c.result, ran.result) << c.what;
    EXPECT_EQ(c.result == 7 ? 1u : 0u, heard.ticks.size()) << c.what << ": ticks after the input";
  }
}

// A listener that lets no more cycles begin ends the run before the next cycle's first
// tick, with the cycles before it whole (11 ticks each, the erase the last), as its
// window's end ends it.
TEST_F(Driver, ListenerEndsTheRunBetweenCycles) {
  struct Case {
    int cyclesToRun;
    size_t ticks;   // heard before the run ended
    int asked;      // whether a cycle begins
    bool ended;     // by the listener: the window gone
  };
  const Case cases[] = {{0, 0, 1, true}, {1, 11, 2, true}, {2, 22, 3, true}, {-1, 25, 3, false}};
  for (const Case& c : cases) {
    ResetPlatform();
    heard = Heard();
    heard.cyclesToRun = c.cyclesToRun;
    const driver::Ran ran = Run(driver::Plan(), 25);
    EXPECT_EQ(c.ticks, heard.ticks.size()) << c.cyclesToRun << " cycles: " << Show(heard.ticks);
    EXPECT_EQ(c.asked, heard.cycles) << c.cyclesToRun << " cycles";
    if (!heard.ticks.empty() && c.ended) {
      EXPECT_EQ(kStepTriangle, heard.ticks.back().next) << c.cyclesToRun << " cycles: the last ends with the erase";
    }
    EXPECT_EQ(c.ended, !core::IsWindowAlive(outer)) << c.cyclesToRun << " cycles";
    EXPECT_EQ(c.ended ? 0 : 7, ran.result) << c.cyclesToRun << " cycles";
    EXPECT_TRUE(ran.window) << c.cyclesToRun << " cycles";
  }
}

// What the options make of a plan.
TEST_F(Driver, PlanOfTheOptions) {
  struct Case {
    std::vector<const char*> args;
    int32_t hold;
    bool corners;
    bool clock;
    bool endOnKeys;
    bool endOnInput = false;
  };
  const Case cases[] = {
      {{}, -1, false, false, true},
      {{"--fullscreen"}, -1, false, false, true},
      {{"--saver"}, -1, false, false, false, true},
      {{"--root"}, -1, false, false, false},
      {{"--window-id", "0x400001"}, -1, false, false, false},
      {{"--picture", "x.png"}, 7, false, false, false},
      {{"--picture", "x.svg", "--step", "3", "--time", "2021-03-04T05:06:07Z"}, 3, false, true, false},
      {{"--picture", "x.pdf", "--step", "0", "--triangle", "1,2,3,4,5,6"}, 0, true, false, false},
      {{"--frames", "cycle"}, 10, false, false, false},
      {{"--explore", "--step", "2"}, 2, false, false, false},
  };
  for (const Case& c : cases) {
    std::vector<const char*> argv = {"dreieck"};
    argv.insert(argv.end(), c.args.begin(), c.args.end());
    const driver::Parsed parsed = driver::ParseOptions(static_cast<int>(argv.size()), argv.data());
    const std::string line = argv.size() > 1 ? std::string(argv[1]) : "(none)";
    ASSERT_TRUE(parsed.ok) << line << ": " << parsed.error;
    const driver::Plan plan = driver::PlanOf(parsed.options);
    EXPECT_EQ(c.hold, plan.holdStep) << line;
    EXPECT_EQ(c.corners, plan.cornersGiven) << line;
    EXPECT_EQ(c.clock, plan.clockGiven) << line;
    EXPECT_EQ(c.endOnKeys, plan.endOnKeys) << line;
    EXPECT_EQ(c.endOnInput, plan.endOnInput) << line;
    if (c.corners) {
      EXPECT_EQ(3, plan.corners[1].x) << line;
      EXPECT_EQ(6, plan.corners[2].y) << line;
    }
    if (c.clock) {
      EXPECT_EQ(1614834367, plan.second) << line;
    }
  }
}

// The page's settings: the program's own dialog run as Windows runs it for its
// Settings button; whether OK stored them; and the nine values kept and given back.
TEST_F(Driver, SettingsDialogAndTheValuesKept) {
  struct Case {
    const char* what;
    std::vector<int> clicks;
    bool stored;
    uint32_t medians;  // "Schwerlinien" afterwards, 2 when not stored at all
  };
  const Case cases[] = {
      {"OK", {IDOK}, true, 1},
      {"medians off, OK", {1000, IDOK}, true, 0},
      {"medians off, Cancel", {1000, IDCANCEL}, false, 2},
  };
  for (const Case& c : cases) {
    ResetPlatform();
    core::SetUser([&c](HWND dialog) {
      for (int id : c.clicks) core::Click(dialog, id);
    });
    EXPECT_EQ(c.stored, driver::RunSettingsDialog()) << c.what;
    const auto values = driver::ExportSettings();
    EXPECT_EQ(c.stored ? 9u : 0u, values.size()) << c.what;
    if (c.stored) {
      EXPECT_EQ("Schwerlinien", values.front().first) << c.what;
      EXPECT_EQ(c.medians, values.front().second) << c.what;
      EXPECT_EQ("Geschwindigkeit", values.back().first) << c.what;
      EXPECT_EQ(2000u, values.back().second) << c.what;
    }
  }
  // The values kept (the page's), then the options' over them; after OK the options
  // give their settings up and keep the rest.
  ResetPlatform();
  const char* argv[] = {"dreieck", "--background", "grey", "--no-excircles", "--scale", "2", "--picture", "x.png"};
  driver::Parsed parsed = driver::ParseOptions(8, argv);
  ASSERT_TRUE(parsed.ok) << parsed.error;
  driver::ImportSettings({{"Inkreis", 0}, {"Hintergrundfarbe", 7}, {"Fremd", 5}, {"Geschwindigkeit", 900}},
                        parsed.options);
  std::string stored;
  for (const auto& [name, value] : driver::ExportSettings()) stored += name + "=" + std::to_string(value) + " ";
  EXPECT_EQ("Inkreis=0 Ankreise=0 Hintergrundfarbe=2 Geschwindigkeit=900 ", stored)
      << "a name the program does not keep is not stored; the options' win";
  EXPECT_FALSE(core::RegistryValue(kSettingsKey, "Fremd").has_value());
  driver::GiveUpSettings(&parsed.options);
  EXPECT_EQ(-1, parsed.options.background);
  EXPECT_EQ(-1, parsed.options.flags[kConstructionCount - 1]);
  EXPECT_EQ(2, parsed.options.scale) << "what is not a setting stays";
  ResetPlatform();
  driver::ImportSettings({{"Inkreis", 0}}, parsed.options);
  EXPECT_EQ(1u, driver::ExportSettings().size()) << "options without settings store nothing";
}

// The page's Explore button: the triangle the screen shows, or a new one when it shows
// none (before the first tick, after the erase).
TEST_F(Driver, ExplorerStartsOnTheTriangleShown) {
  struct Case {
    int ticks;
    bool shown;
  };
  for (const Case& c : {Case{0, false}, Case{1, true}, Case{4, true}, Case{10, true}, Case{11, false}, Case{12, true}}) {
    ResetPlatform();
    heard = Heard();
    driver::Plan plan;
    plan.cornersGiven = true;
    plan.corners[0] = {10, 20};
    plan.corners[1] = {30, 40};
    plan.corners[2] = {50, 60};
    Run(plan, c.ticks);
    driver::Options options;
    options.step = 2;
    options.timeGiven = true;
    const explorer::Start start = driver::ExplorerStartFromSaver(options);
    EXPECT_EQ(c.shown, driver::TriangleShown()) << c.ticks << " ticks";
    EXPECT_EQ(c.shown, start.cornersGiven) << c.ticks << " ticks";
    EXPECT_FALSE(start.secondGiven && !c.shown) << c.ticks << " ticks: a new triangle is its own";
    EXPECT_EQ(kStepLastConstruction, start.step) << c.ticks << " ticks";
    if (c.shown) {
      EXPECT_EQ(50, start.corners[2].x) << c.ticks << " ticks";
    }
  }
}

// The names of the explorer's pictures: the second in the local time zone, then -2,
// -3, ... while a name is taken, and no further than -999.
TEST_F(Driver, SaveStemsInTheLocalTimeZone) {
  const char* const kept = std::getenv("TZ");
  const std::string before = kept != nullptr ? kept : "";
  struct Case {
    const char* zone;
    int taken;  // names taken before
    const char* stem;
  };
  const Case cases[] = {
      {"UTC0", 0, "dreieck-20210304-050607"},
      {"<+14>-14", 0, "dreieck-20210304-190607"},  // Kiritimati, a day's edge away
      {"<-05>5", 1, "dreieck-20210304-000607-2"},
      {"UTC0", 2, "dreieck-20210304-050607-3"},
      {"UTC0", 2000, "dreieck-20210304-050607-999"},
  };
  for (const Case& c : cases) {
    setenv("TZ", c.zone, 1);
    tzset();
    int asked = 0;
    const std::string stem = driver::SaveStem(1614834367, [&](const std::string&) { return asked++ < c.taken; });
    EXPECT_EQ(c.stem, stem) << c.zone << ", " << c.taken << " taken";
  }
  if (kept != nullptr) setenv("TZ", before.c_str(), 1);
  else unsetenv("TZ");
  tzset();
}

// The options' settings go where the program reads them; those not given keep what is
// stored; a timer of another id is not the cycle's.
TEST_F(Driver, SettingsOfTheOptionsAndOtherTimers) {
  const char* argv[] = {"dreieck", "--no-incircle", "--background", "white", "--interval", "700"};
  const driver::Parsed parsed = driver::ParseOptions(6, argv);
  ASSERT_TRUE(parsed.ok) << parsed.error;
  core::SetRegistryDword(kSettingsKey, "Schwerlinien", 0);
  driver::StoreGivenSettings(parsed.options);
  std::string stored;
  for (const auto& [name, value] : driver::ExportSettings()) stored += name + "=" + std::to_string(value) + " ";
  EXPECT_EQ("Schwerlinien=0 Inkreis=0 Hintergrundfarbe=0 Geschwindigkeit=700 ", stored);

  // The program's own timer ticks; a message of another timer's id goes to the window
  // as it is (the saver's procedure ticks at any timer message: the driver keeps out of it).
  ResetPlatform();
  heard = Heard();
  outer = core::NewOuterWindow("test", 640, 480);
  int posted = 0;
  core::SetIdleHandler([&] {
    if (posted == 0) core::PostMessageToQueue(gMainWindow, WM_TIMER, gTimerId + 1, 0);
    else if (posted == 1) core::PostMessageToQueue(gMainWindow, WM_TIMER, gTimerId, 0);
    else core::PostQuit(0);
    ++posted;
  });
  driver::Plan plan;
  plan.cornersGiven = true;
  plan.corners[0] = {1, 2};
  driver::RunSaver(outer, plan, &heard);
  core::SetIdleHandler(nullptr);
  ASSERT_EQ(1u, heard.ticks.size()) << "only the cycle's own timer is the driver's";
  EXPECT_EQ(1, heard.ticks[0].started) << "the other timer's message ran the program's first tick, with random corners";
}

// What the explorer names for a picture it saved draws it again: the options read back
// give its size, scale, corners, step, constructions and background.
TEST_F(Driver, PictureOptionsDrawTheViewAgain) {
  struct Case {
    int width, height, scale;
    int32_t step;
    const char* off;  // constructions off, by number
    uint32_t background;
    const char* expected;
  };
  const Case cases[] = {
      {800, 600, 1, 7, "", 4, "--size 800x600 --triangle 1,-2,3,4,-5,6 --step 7"},
      {512, 340, 2, 5, "37", 0,
       "--size 512x340 --triangle 1,-2,3,4,-5,6 --step 5 --scale 2 --no-circumcircle --no-excircles --background white"},
      {3, 3, 4, 0, "1234567", 3,
       "--size 3x3 --triangle 1,-2,3,4,-5,6 --step 0 --scale 4 --no-medians --no-incircle --no-circumcircle "
       "--no-altitudes --no-nine-point-circle --no-euler-line --no-excircles --background dark-grey"},
      {640, 480, 1, 2, "", 9, "--size 640x480 --triangle 1,-2,3,4,-5,6 --step 2"},  // no such shade: none named
  };
  for (const Case& c : cases) {
    explorer::View view{{{1, -2}, {3, 4}, {-5, 6}}, c.step, {true, true, true, true, true, true, true}, c.background};
    for (const char* off = c.off; *off != '\0'; ++off) view.shown[*off - '1'] = false;
    const std::string options = driver::PictureOptions(view, c.width, c.height, c.scale);
    EXPECT_EQ(c.expected, options);
    std::vector<std::string> words = {"dreieck", "--picture", "x.png"};
    for (size_t at = 0, end; at < options.size(); at = end + 1) {
      end = options.find(' ', at);
      if (end == std::string::npos) end = options.size();
      words.push_back(options.substr(at, end - at));
    }
    std::vector<const char*> argv;
    for (const std::string& w : words) argv.push_back(w.c_str());
    const driver::Parsed parsed = driver::ParseOptions(static_cast<int>(argv.size()), argv.data());
    ASSERT_TRUE(parsed.ok) << options << ": " << parsed.error;
    EXPECT_EQ(c.scale, parsed.options.scale) << options;
    EXPECT_EQ(c.width, parsed.options.width) << options;
    EXPECT_EQ(c.step, parsed.options.step) << options;
    for (int i = 0; i < kConstructionCount; ++i)
      EXPECT_EQ(view.shown[i] ? -1 : 0, parsed.options.flags[i]) << options << ", construction " << i + 1;
  }
}

}  // namespace
