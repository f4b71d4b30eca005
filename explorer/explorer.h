// The explorer: one triangle to take apart by hand. A corner is dragged with the
// pointer, the cycle stepped back and forth with the arrow keys, a construction
// switched on and off with its number, a new random triangle placed with the space
// bar, and the picture saved with S. Every picture is the program's own: the cycle's
// first tick with the corners given, then the program's ticks (OnTimerTick) up to the
// step, on a freshly erased window, which is what `dreieck --picture --triangle ...
// --step N` draws for those corners.
//
// It is a window procedure over the Win32 subset, written once. A front end (the X11
// window of `dreieck --explore`, the browser page) makes the frame window it lives in,
// turns its pointer and keys into the mouse and key messages of the explorer's window,
// shows the pointer shapes it asks for, saves pictures, and runs the message loop.
// The pictures are drawn when the window is painted, so a burst of movements makes one
// picture; while a corner is dragged, pictures are at least a display frame apart, and
// while nothing happens the explorer sets no timer and draws nothing.
#pragma once

#include <cstdint>
#include <ctime>
#include <functional>

#include "geometry/triangle.h"
#include "platform/win32.h"

namespace explorer {

// A pointer pressed this close to a corner, in pixels, takes it (the nearest one).
constexpr int64_t kGrabRadius = 8;
// While a corner is dragged, pictures are at least this far apart: one display frame.
constexpr UINT kFrameMs = 17;
// The line of keys goes after this long, or at the first key or button.
constexpr UINT kHintMs = 6000;
// That line, in Windows-1252, at the top left of the window.
extern const char kHint[];

// What a picture of the explorer shows: `dreieck --picture --triangle CORNERS --step
// STEP` with these constructions and background draws it.
struct View {
  Point corners[3];
  int32_t step;         // 0 the triangle alone, 1 to 7 up to that construction
  bool shown[7];        // in the order of kShowFlags
  uint32_t background;  // the shade, 0 white .. 4 black
};

// Where the explorer begins: these corners, or else the triangle the cycle places at
// that second (the current one when none is given), at this step (0 to 7).
struct Start {
  bool cornersGiven = false;
  Point corners[3] = {};
  bool secondGiven = false;
  time_t second = 0;
  int32_t step = 7;
};

// The front end's part of S: save what `window` shows, the picture `view` describes.
using Save = std::function<void(HWND window, const View& view)>;

// Makes the explorer's window, filling `frame`, and shows it; null when it could not
// be made. The settings are read afresh. While it lives, the program's globals
// (gMainWindow, gTriangle, gCycleStep, gSettings) are the explorer's; when it is
// destroyed (its frame ends, or Escape) it gives them back as it found them and posts
// the quit message with 0.
HWND Open(HWND frame, const Start& start, Save save);

// Open, then the message loop until the explorer ends: the quit message's code, or 1
// (after nothing was drawn) when its window could not be made.
int Run(HWND frame, const Start& start, Save save);

// The cycle's first tick with these corners instead of random ones: the triangle is
// drawn into gMainWindow and the next tick is step 1.
void FirstTick(const Point corners[3]);
// The picture the cycle draws for these corners up to the construction of `step`
// (0 to 7), over what gMainWindow shows: the first tick, then every tick whose
// construction is on and at most `step`.
void DrawCycleAt(const Point corners[3], int32_t step);

// The picture `view` describes in the explorer's `window`, as its paint draws it but
// without the line of keys: the class brush over everything, then DrawCycleAt.
void DrawView(HWND window, const View& view);

}  // namespace explorer
