// What the program's hosts need besides the program itself: the driver that runs it on
// every platform but Windows, the explorer that borrows its cycle, and the tests,
// fuzzers and benchmarks. The program (shell.h) needs none of this.
#pragma once

#include <cstdint>

#include "geometry/triangle.h"
#include "platform/win32.h"
#include "settings/settings.h"
#include "shell/shell.h"

// ---- The program's state ----
// Everything the program keeps between two messages, as one value: the globals it
// keeps for as long as it runs. A host that runs the program more than once in one
// process, or borrows its globals for a while, saves and restores them only as this.
struct ProgramState {
  HINSTANCE instance = nullptr;
  HWND mainWindow = nullptr;
  UINT_PTR timerId = 0;
  int32_t cycleStep = kStepTriangle;
  Triangle triangle;
  Settings settings = {};
};
// The state as it is now.
ProgramState SaveProgram();
// Back to a state saved before.
void RestoreProgram(const ProgramState& state);
// The state a new process starts with, before its entry runs.
void ResetProgram();

// ---- A moment of the cycle ----
// What a tick at step 0 and the ticks of the constructions choose: a random triangle
// placed inside gMainWindow's client area (false, leaving gTriangle as it was, when the
// area is empty), and the first construction's step from s on whose construction is
// on, kStepFirstQuiet when none is.
bool PlaceTriangle();
int32_t NextShownStep(int32_t s);
// The tick of the triangle with these corners instead of random ones: they are drawn
// into gMainWindow and the next tick is the first construction's.
void TickWithCorners(const Point corners[3]);
// The picture the cycle draws for these corners up to the construction of `step`
// (kStepTriangle to kStepLastConstruction), over what gMainWindow shows: the tick with
// the corners, then every tick whose construction is on and at most `step`.
void DrawCycleUpTo(const Point corners[3], int32_t step);

// ---- Keys in a window of the program's own ----
// The keys that end a window of the program's own where keys reach it (the Linux
// program's window, the explorer): Escape and Q.
inline bool IsEndKey(WPARAM key) { return key == VK_ESCAPE || key == 'Q'; }
// Whether a WM_KEYDOWN comes of a key held down (its lParam's bit 30: it was down
// before), as keyboards repeat it.
inline bool IsRepeat(LPARAM keyData) { return (static_cast<uint32_t>(keyData) & (1u << 30)) != 0; }
