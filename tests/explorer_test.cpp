// The explorer under a scripted user on a clock: what each picture shows and when it
// is drawn while a corner is dragged, which corner a press takes, and how the arrow
// and number keys step through the cycle and switch constructions.
#include <algorithm>
#include <deque>
#include <memory>
#include <set>

#include "support.h"
#include "explorer/explorer.h"
#include "platform/core/backend.h"

namespace {

// The pictures drawn: each begins with the erase of the whole window.
struct Picture {
  uint64_t at;
  std::vector<Point> corners;  // where the triangle's red sides start: A, B, C
  std::set<COLORREF> colours;  // of the pens of everything drawn
  bool hint = false;           // the line of keys was written
  std::string line;            // or another line at the top left
};

class Pictures final : public core::Canvas {
 public:
  explicit Pictures(const uint64_t* now) : now_(now) {}
  void Line(const core::PenLook& pen, bool, POINT from, POINT) override {
    if (pen.colour == 0x0000FF && pen.width == 2) all.back().corners.push_back({from.x, from.y});
    all.back().colours.insert(pen.colour);
  }
  void Arc(const core::PenLook& pen, bool, int, int, uint32_t, double, double) override {
    all.back().colours.insert(pen.colour);
  }
  void Text(const core::FontLook&, COLORREF, bool, int x, int y, const char* text, int count) override {
    if (std::string(text, count) == explorer::Hint()) all.back().hint = true;
    else if (x == 8 && y == 6) all.back().line = std::string(text, count);
  }
  SIZE TextExtent(const core::FontLook&, const char*, int) override { return {0, 0}; }
  void Fill(const RECT& rect, COLORREF) override {
    if (rect.left == 0 && rect.top == 0 && rect.right == 800 && rect.bottom == 600) all.push_back({*now_, {}, {}, false, ""});
  }
  std::vector<Picture> all;

 private:
  const uint64_t* now_;
};

// A user whose every press, movement, release and key comes at its time; between them
// the clock jumps to the next timer. With nothing left to do, the loop ends.
class User final : public core::Backend {
 public:
  struct Event {
    uint64_t at;
    UINT message;
    WPARAM wParam;
    int x, y;
  };
  SIZE ScreenSize(HWND) override { return {800, 600}; }
  core::Canvas* CanvasOf(HWND window) override { return window != nullptr ? &pictures : nullptr; }
  uint64_t NowMs() override { return now; }
  void Wait(int64_t timeoutMs) override {
    waits.push_back(timeoutMs);
    if (script.empty() || (timeoutMs >= 0 && now + static_cast<uint64_t>(timeoutMs) < script.front().at)) {
      if (timeoutMs < 0) core::PostQuit(-1);
      now += static_cast<uint64_t>(std::max<int64_t>(timeoutMs, 0));
      return;
    }
    const Event e = script.front();
    script.pop_front();
    now = std::max(now, e.at);
    core::PostMessageToQueue(core::Children(outer).front(), e.message, e.wParam, MAKELPARAM(e.x, e.y));
  }
  HWND outer = nullptr;
  uint64_t now = 0;
  std::deque<Event> script;
  std::vector<int64_t> waits;
  Pictures pictures{&now};
};

class Explorer : public CoreTest {
 protected:
  void SetUp() override {
    CoreTest::SetUp();
    user_ = std::make_unique<User>();
    core::InstallBackend(user_.get());
    core::SetRecording(false);
    user_->outer = core::NewOuterWindow("outer", 800, 600);
  }
  void TearDown() override {
    core::InstallBackend(nullptr);
    CoreTest::TearDown();
  }
  // Runs the explorer on A(100,400) B(500,420) C(260,80) until the script is done and
  // Escape has ended it: the loop's end code.
  int Run(int32_t step = 7, Point b = {500, 420}, explorer::Save save = nullptr) {
    Key(user_->script.empty() ? 1000 : user_->script.back().at + 1000, VK_ESCAPE);
    explorer::Start start;
    start.cornersGiven = true;
    start.corners[0] = {100, 400};
    start.corners[1] = b;
    start.corners[2] = {260, 80};
    start.step = step;
    return explorer::Run(user_->outer, start, std::move(save));
  }
  // A key pressed at `at`; `held`: a repeat of a key held down (lParam's bit 30).
  void Key(uint64_t at, WPARAM key, bool held = false) {
    user_->script.push_back({at, WM_KEYDOWN, key, 0, held ? 0x4000 : 0});  // the high word: bit 30
  }
  void Drag(uint64_t at, Point from, Point to) {
    user_->script.push_back({at, WM_LBUTTONDOWN, MK_LBUTTON, from.x, from.y});
    user_->script.push_back({at + 1, WM_MOUSEMOVE, MK_LBUTTON, to.x, to.y});
    user_->script.push_back({at + 2, WM_LBUTTONUP, 0, to.x, to.y});
  }
  std::unique_ptr<User> user_;
};

std::string Describe(const std::vector<Point>& corners) {
  std::string out;
  for (const Point& p : corners) out += "(" + std::to_string(p.x) + "," + std::to_string(p.y) + ")";
  return out;
}

// A corner dragged by a burst of movements, one a millisecond: a picture at most once
// a outer, each of the corner where the pointer last was; one picture after the
// release, then no timer and no picture until the next key, Escape, which ends the
// loop with 0 and gives the program's globals back.
TEST_F(Explorer, ADragIsDrawnAtMostOnceAFrameAndThenRests) {
  user_->script.push_back({1000, WM_LBUTTONDOWN, MK_LBUTTON, 103, 404});  // 5 px off A
  for (int i = 1; i <= 100; ++i) user_->script.push_back({1000u + i, WM_MOUSEMOVE, MK_LBUTTON, 103 + i, 404});
  user_->script.push_back({1101, WM_LBUTTONUP, 0, 203, 404});
  const Triangle before = gTriangle;
  EXPECT_EQ(0, Run());
  const std::vector<Picture>& pictures = user_->pictures.all;
  ASSERT_GE(pictures.size(), 3u);
  EXPECT_TRUE(pictures[0].hint) << "the line of keys comes with the first picture";
  EXPECT_EQ("(100,400)(500,420)(260,80)", Describe(pictures[0].corners));
  uint64_t last = 0;
  for (size_t i = 1; i < pictures.size(); ++i) {
    const Picture& p = pictures[i];
    if (i > 1) {
      EXPECT_GE(p.at, last + explorer::kRefreshMs) << "picture " << i << " less than a refresh after the one before";
    }
    last = p.at;
    EXPECT_FALSE(p.hint) << "picture " << i << " after the first press";
    const int x = 100 + static_cast<int>(std::min<uint64_t>(p.at, 1100) - 1000);
    EXPECT_EQ("(" + std::to_string(x) + ",400)(500,420)(260,80)", Describe(p.corners)) << "picture " << i << " at " << p.at;
  }
  EXPECT_LE(pictures.size(), 2 + 101 / explorer::kRefreshMs + 1) << "pictures during the drag";
  EXPECT_GE(pictures.back().at, 1101u) << "the picture of the release";
  EXPECT_EQ(std::vector<int64_t>{-1}, std::vector<int64_t>(user_->waits.end() - 1, user_->waits.end()))
      << "after the drag, nothing is waited for but the next event";
  EXPECT_EQ(0, core::TimerCount());
  EXPECT_EQ(nullptr, gMainWindow);
  EXPECT_EQ(before.a, gTriangle.a);
  EXPECT_EQ(kStepTriangle, gCycleStep);
}

// A press takes the nearest corner within 8 pixels, exactly 8 on every side of it
// (the first of corners in one place); a press further off takes none.
TEST_F(Explorer, APressTakesTheNearestCornerWithinReach) {
  struct Case {
    Point b;       // where B is; A is at (100,400)
    Point press;   // dragged 50 px to the right from there
    const char* corners;
  };
  const char kTaken[] = "(150,400)(500,420)(260,80)";
  const char kNone[] = "(100,400)(500,420)(260,80)";
  const Case cases[] = {
      {{500, 420}, {108, 400}, kTaken},  // 8 px right of A
      {{500, 420}, {92, 400}, kTaken},   // left
      {{500, 420}, {100, 392}, kTaken},  // above
      {{500, 420}, {100, 408}, kTaken},  // below
      {{500, 420}, {109, 400}, kNone},   // 9 px right
      {{500, 420}, {91, 400}, kNone},    // left
      {{500, 420}, {100, 391}, kNone},   // above
      {{500, 420}, {100, 409}, kNone},   // below
      {{500, 420}, {106, 406}, kNone},   // 8.5 px
      {{110, 400}, {106, 400}, "(100,400)(160,400)(260,80)"},  // B is nearer
      {{100, 400}, {100, 400}, "(150,400)(100,400)(260,80)"},  // A and B in one place
  };
  for (const Case& c : cases) {
    SetUp();
    Drag(100, c.press, {c.press.x + 50, c.press.y});
    Run(7, c.b);
    EXPECT_EQ(c.corners, Describe(user_->pictures.all.back().corners))
        << "B at " << Describe({c.b}) << ", pressed at " << Describe({c.press});
    TearDown();
  }
}

// Right and Left step through the pictures the ticks make, over the constructions
// that are off, round from the last to the triangle alone and back; a number switches
// its construction. Each picture is written as the constructions it shows.
TEST_F(Explorer, ArrowsStepAndNumbersSwitch) {
  const COLORREF kColours[8] = {0x0000FF, 0x0080FF, 0xFF0000, 0x008000, 0x00FF00, 0x00FFFF, 0xFFFF00, 0xFF8000};
  struct Case {
    const char* off;  // constructions switched off at the start
    int32_t step;     // where it starts
    const char* keys;  // R, L, or a construction's number
    const char* pictures;  // after the start and after each key
  };
  const Case cases[] = {
      {"", 0, "RRRRRRRRL", "0 01 012 0123 01234 012345 0123456 01234567 0 01234567"},
      {"2", 7, "LLLLLLLR", "0134567 013456 01345 0134 013 01 0 0134567 0"},
      {"2", 0, "RR2L2R", "0 01 013 0123 012 01 013"},
      {"12", 1, "RL", "03 034 03"},
      {"1234567", 7, "RL5", "0 0 0 0"},
      // Held down, a step repeats; a switch does not.
      {"", 0, "R+2+", "0 01 012 01"},
      {"2", 7, "L+1+", "0134567 013456 01345 0345"},
  };
  for (const Case& c : cases) {
    SetUp();
    for (const char* off = c.off; *off != '\0'; ++off) core::SetRegistryDword(kSettingsKey, kConstructions[*off - '1'].valueName, 0);
    uint64_t at = 100;
    // A '+' after a key: it is held down, and its repeat follows.
    for (const char* key = c.keys; *key != '\0'; ++key, at += 100) {
      const WPARAM vk = *key == 'R' ? VK_RIGHT : *key == 'L' ? VK_LEFT : static_cast<WPARAM>(*key);
      Key(at, vk);
      if (key[1] == '+') Key(at + 50, vk, true), ++key;
    }
    Run(c.step);
    std::string shown;
    for (const Picture& p : user_->pictures.all) {
      shown += shown.empty() ? "" : " ";
      for (int k = 0; k < 8; ++k)
        if (p.colours.count(kColours[k]) != 0) shown += static_cast<char>('0' + k);
    }
    EXPECT_EQ(c.pictures, shown) << "off: '" << c.off << "', from step " << c.step << ", keys " << c.keys;
    TearDown();
  }
}

// S within a refresh of a movement, while the picture of that movement waits for the
// refresh's end: what the front end saves (the last picture drawn) is already the
// picture of the corners the view names, drawn at once, not at the refresh's end.
TEST_F(Explorer, SJustAfterAMovementSavesThePictureOfTheCornersItNames) {
  struct Saved {
    uint64_t at;
    std::string named, shown;  // the view's corners, the last picture's
  };
  std::vector<Saved> saved;
  const explorer::Save save = [&](HWND, const explorer::View& view) -> std::string {
    saved.push_back({user_->now, Describe({view.corners[0], view.corners[1], view.corners[2]}),
                     Describe(user_->pictures.all.back().corners)});
    return "";
  };
  user_->script.push_back({1000, WM_LBUTTONDOWN, MK_LBUTTON, 100, 400});
  user_->script.push_back({1001, WM_MOUSEMOVE, MK_LBUTTON, 120, 400});  // drawn at once
  user_->script.push_back({1002, WM_MOUSEMOVE, MK_LBUTTON, 140, 400});  // waits for 1001 + 17
  Key(1003, 'S');
  EXPECT_EQ(0, Run(7, {500, 420}, save));
  ASSERT_EQ(1u, saved.size());
  EXPECT_EQ(1003u, saved[0].at);
  EXPECT_EQ("(140,400)(500,420)(260,80)", saved[0].named);
  EXPECT_EQ(saved[0].named, saved[0].shown) << "the window saved shows other corners than the options name";
}

// S: the front end saves what the window shows, and the window then names where it
// went in place of the line of keys, for kStatusMs; a second S within that time saves
// the picture without that line, and Q ends the explorer as Escape does.
TEST_F(Explorer, WhatSSavedIsNamedInTheWindowForAWhile) {
  struct Saved {
    uint64_t at;
    size_t pictures;  // drawn by then
  };
  std::vector<Saved> saved;
  const explorer::Save save = [&](HWND, const explorer::View& view) -> std::string {
    saved.push_back({user_->now, user_->pictures.all.size()});
    return "Gespeichert: " + std::to_string(view.step) + (saved.size() > 1 ? "-2" : "") + ".png";
  };
  Key(7000, 'S');                           // after the line of keys went
  Key(8000, VK_LEFT);                       // the line stays over other pictures
  Key(9000, 'S');                           // a second save within the time
  Key(9000 + explorer::kStatusMs + 10, 'Q');  // after the line went
  EXPECT_EQ(0, Run(7, {500, 420}, save));
  ASSERT_EQ(2u, saved.size());
  const std::vector<Picture>& pictures = user_->pictures.all;
  // The window as each save found it: no line at the top.
  for (const Saved& s : saved) {
    ASSERT_GE(s.pictures, 1u);
    EXPECT_EQ("", pictures[s.pictures - 1].line) << "the picture saved at " << s.at;
    EXPECT_FALSE(pictures[s.pictures - 1].hint) << "the picture saved at " << s.at;
  }
  std::string lines;
  for (size_t i = saved[0].pictures; i < pictures.size(); ++i)
    lines += std::to_string(pictures[i].at) + " '" + pictures[i].line + "' ";
  // The line names the save, whatever is drawn after it; the second save's picture
  // goes without it, then the line names the second.
  const std::string expected = "7000 'Gespeichert: 7.png' 8000 'Gespeichert: 7.png' 9000 '' 9000 'Gespeichert: 6-2.png' " +
                               std::to_string(9000 + explorer::kStatusMs) + " '' ";
  EXPECT_EQ(expected, lines);
}

}  // namespace
