// The driver: runs the program for every front end (dreieck's windows, pictures and
// explorer, and the page). The program's own entry runs unchanged as a preview inside
// an outer window the backend made, with the settings the options give stored in the
// registry it reads; between the program's ticks the driver keeps the rules the
// options add to the cycle: every cycle's triangle on the corners given, the picture
// held after a step, a clock that stands still, Escape and Q in a window of its own.
// Backends know none of this: they show pixels, turn input into messages and wait.
#pragma once

#include <cstdint>
#include <ctime>
#include <functional>
#include <string>
#include <utility>
#include <vector>

#include "driver/options.h"
#include "explorer/explorer.h"
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

// Stores the settings the options give in the registry the program reads, so that
// every rule of the settings store holds; those not given keep what is stored.
void StoreSettings(const dreieck::Options& options);
// The nine settings values as the registry holds them now, by their value names, in
// the order the program keeps them; those not there are left out. And back: values by
// name (a name the program does not keep is passed over), then the options' over them.
std::vector<std::pair<std::string, uint32_t>> StoredSettings();
void StoreSettings(const std::vector<std::pair<std::string, uint32_t>>& values, const dreieck::Options& options);
// After the settings dialog's OK what it stored holds: the options give their settings
// up (the constructions, the background, the interval), and keep the rest.
void GiveUpSettings(dreieck::Options* options);

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

// Runs the program's entry as a preview inside `outer` under `plan`, its globals as a
// new process has them, until its message loop ends. The entry's result, and whether
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

// Where the explorer begins for these options: --triangle, else --time's triangle,
// else the current second's, at --step.
explorer::Start ExplorerStart(const dreieck::Options& options);
// Where it begins from the saver: on the triangle its screen shows, if it shows one
// (TriangleShown), else on a new random one; with every construction that is on.
explorer::Start ExplorerStartFromSaver(const dreieck::Options& options);

// The name of a picture the explorer saves at `now`, without its extension:
// dreieck-YYYYMMDD-HHMMSS in the local time zone, then -2, -3, ... (up to -999) while
// `taken` says the name is taken.
std::string SaveStem(time_t now, const std::function<bool(const std::string& stem)>& taken);

// The options that draw `view` again with --picture at width x height and K device
// pixels a side for each pixel: "--size WxH --triangle ... --step N", then "--scale K"
// when K is not 1, the constructions that are off and a background that is not the
// default.
std::string PictureOptions(const explorer::View& view, int width, int height, int scale = 1);

}  // namespace driver
