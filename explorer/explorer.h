// The explorer: one triangle to take apart by hand. A corner is dragged with the
// pointer, the cycle stepped back and forth with the arrow keys, a construction
// switched on and off with its number, a new random triangle placed with the space
// bar, and the picture saved with S; Escape or Q ends it. Every picture is the
// program's own: the cycle's tick with the corners given, then the program's ticks
// (OnTimerTick) up to the step (DrawCycleUpTo), on a freshly erased window, which is what `dreieck --picture --triangle ...
// --step N` draws for those corners.
//
// It is a window procedure over the Win32 subset, written once. A front end (the X11
// window of `dreieck --explore`, the browser page) makes the outer window it lives in,
// turns its pointer and keys into the mouse and key messages of the explorer's window,
// shows the pointer shapes it asks for, saves pictures, and runs the message loop.
// The pictures are drawn when the window is painted, so a burst of movements makes one
// picture; while a corner is dragged, pictures are at least a display refresh apart, and
// while nothing happens the explorer sets no timer and draws nothing.
#pragma once

#include <cstdint>
#include <ctime>
#include <functional>
#include <string>

#include "geometry/triangle.h"
#include "platform/win32.h"
#include "settings/settings.h"
#include "shell/host.h"

namespace explorer {

// A pointer pressed this close to a corner, in pixels, takes it (the nearest one).
constexpr int64_t kGrabRadius = 8;
// While a corner is dragged, pictures are at least this far apart: one display refresh.
constexpr UINT kRefreshMs = 17;
// The line of keys goes after this long, or at the first key or button.
constexpr UINT kHintMs = 6000;
// What became of a picture saved is shown in its place for this long.
constexpr UINT kStatusMs = 5000;
// That line, in Windows-1252, at the top left of the window.
const std::string& Hint();

// What a picture of the explorer shows: `dreieck --picture --triangle CORNERS --step
// STEP` with these constructions and background draws it.
struct View {
  Point corners[3];
  int32_t step;         // the cycle's step: the triangle alone, or up to that construction
  bool shown[kConstructionCount];  // in the order of kConstructions
  uint32_t background;  // the shade, 0 white .. 4 black
};

// Where the explorer begins: these corners, or else the triangle the cycle places at
// that second (the current one when none is given), at this step of the cycle (the
// triangle to the last construction).
struct Start {
  bool cornersGiven = false;
  Point corners[3] = {};
  bool secondGiven = false;
  time_t second = 0;
  int32_t step = kStepLastConstruction;
};

// The front end's part of S: save what `window` shows, the picture `view` describes.
// It returns the line the window then shows for a while (Windows-1252): where the
// picture went, or why it could not go; empty for none.
using Save = std::function<std::string(HWND window, const View& view)>;

// Makes the explorer's window, filling `outer`, and shows it; null when it could not
// be made. The settings are read afresh. While it lives, the program's state
// (ProgramState) is the explorer's; when it is destroyed (its outer window ends, or
// Escape or Q) it gives the state back as it found it and posts the quit message with 0.
HWND Open(HWND outer, const Start& start, Save save);

// Open, then the program's message loop until the explorer ends: the quit message's
// code; -1 when its window could not be made (nothing was drawn) or the loop failed.
int Run(HWND outer, const Start& start, Save save);

// The picture `view` describes in the explorer's `window`, as its paint draws it but
// without the line of keys: the class brush over everything, then DrawCycleUpTo.
void DrawView(HWND window, const View& view);

}  // namespace explorer
