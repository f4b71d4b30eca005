// Running the program for a front end: the program's own entry runs unchanged as a
// preview inside an outer window the backend made, with its state as a new process
// has it and the settings the options give in the registry it reads (settings.h);
// between its ticks the driver keeps the rules the options add to the cycle: every
// cycle's triangle on the corners given, the picture held after a step, a clock that
// stands still, Escape and Q in a window of its own, any input for the saver; and it
// runs one program per screen in one loop for the saver on every output. Backends
// know none of this: they show pixels, turn input into messages and wait.
#pragma once

#include <cstdint>
#include <ctime>
#include <memory>
#include <vector>

#include "driver/options.h"
#include "geometry/triangle.h"
#include "platform/win32.h"

namespace driver {

// What a run of the program keeps to beyond its settings.
struct Plan {
  bool cornersGiven = false;  // every cycle's triangle has these corners
  Point corners[3] = {};
  int32_t holdStep = -1;      // after the tick of this step no tick follows; -1: none
  bool clockGiven = false;    // time() stands still at this second
  time_t second = 0;
  bool endOnKeys = false;     // Escape or Q in the program's window ends it
  bool endOnInput = false;    // any key, or the pointer moved beyond kPointerSlack, ends it
};

// How far the pointer may move, in pixels of the window it is in, from where it was
// first seen there, before a run that ends on input ends; a movement onto another of
// its windows ends it too.
constexpr int kPointerSlack = 8;

// The plan the options make: --triangle's corners, --time's second, --step's hold
// (the picture's step for --picture, the whole cycle for --frames), for a window of
// its own (or full screen) the keys that end it, and for --saver the end at any
// input.
Plan PlanOf(const Options& options);

// What a front end hears of a run: a tick begins; a tick ran, from step `started` to
// step `next`, and whether the picture is now held (no tick follows). Before the first
// tick of every cycle it is asked whether the run goes on: false ends it there, as the
// end of its window ends it, with the last cycle whole.
class Listener {
 public:
  virtual ~Listener() = default;
  virtual bool CycleBegins() { return true; }
  virtual void TickStarts() {}
  virtual void Ticked(int32_t started, int32_t next, bool held) { (void)started, (void)next, (void)held; }
};

// Runs the program's entry as a preview inside `outer` under `plan`, its state as a
// new process has it, until its message loop ends. The entry's result, and whether
// the program made its window.
struct Ran {
  int result;
  bool window;
};
Ran RunSaver(HWND outer, const Plan& plan, Listener* listener = nullptr);

// The program on several screens at once (the outputs a saver covers), one loop for
// all: each outer window holds a program window of its own, made as the entry makes
// its preview, which draws its own cycle at its own size. The program's state is each
// window's own: it is swapped in around every message that goes to a window. Windows
// may come and go while it runs.
class Screens {
 public:
  explicit Screens(const Plan& plan, Listener* listener = nullptr);
  ~Screens();
  Screens(const Screens&) = delete;
  Screens& operator=(const Screens&) = delete;

  // A new screen: kept until Run begins, and while it runs given its program at once.
  void Add(HWND outer);
  // The screen and its program go; the others run on.
  void Drop(HWND outer);
  // Runs the program's entry in the first screen added, the others beside it, until
  // the loop ends: the entry's result, and whether the first screen's window was made.
  Ran Run();
  // The program windows there are.
  std::vector<HWND> Windows() const;

 private:
  struct Inner;  // the rules, and each window's program state
  bool Handles(const MSG& msg);
  void Start(HWND outer);
  void SwitchTo(HWND window);

  const Plan& plan_;
  std::unique_ptr<Inner> inner_;
  std::vector<HWND> waiting_;  // screens added before the loop began
  HWND current_ = nullptr;     // the program window whose state the globals hold
  bool running_ = false;
  bool firstMade_ = false;
};
// Whether the screen of the last run shows a triangle of the cycle: it has ticked, and
// not last with the erase.
bool TriangleShown();

// Runs the program's entry with a command line that opens its settings dialog, as the
// Screen Saver Settings' button runs it on Windows; whether OK stored the settings.
bool RunSettingsDialog();

}  // namespace driver
