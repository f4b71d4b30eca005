// Running the program for a front end: the program's own entry runs unchanged as a
// preview inside an outer window the backend made, with its state as a new process
// has it and the settings the options give in the registry it reads (settings.h);
// between its ticks the driver keeps the rules the options add to the cycle: every
// cycle's triangle on the corners given, the picture held after a step, a clock that
// stands still, Escape and Q in a window of its own. Backends know none of this: they
// show pixels, turn input into messages and wait.
#pragma once

#include <cstdint>
#include <ctime>

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
};

// The plan the options make: --triangle's corners, --time's second, --step's hold
// (the picture's step for --picture, the whole cycle for --frames), and for a window
// of its own (or full screen) the keys that end it.
Plan PlanOf(const dreieck::Options& options);

// What a front end hears of a run: a tick begins; a tick ran, from step `started` to
// step `next`, and whether the picture is now held (no tick follows).
class Listener {
 public:
  virtual ~Listener() = default;
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
// Whether the screen of the last run shows a triangle of the cycle: it has ticked, and
// not last with the erase.
bool TriangleShown();

// Runs the program's entry with a command line that opens its settings dialog, as the
// Screen Saver Settings' button runs it on Windows; whether OK stored the settings.
bool RunSettingsDialog();

}  // namespace driver
