// The screensaver shell: the drawing cycle, the program's window and its entry.
#pragma once

#include "geometry/triangle.h"
#include "platform/win32.h"
#include "settings/settings.h"

#include <cstdint>

extern HINSTANCE gInstance;
extern HWND gMainWindow;
extern UINT_PTR gTimerId;
extern int32_t gCycleStep;  // the step the next tick performs, kStepTriangle to kStepErase

// The steps of a cycle, one per tick: the triangle, a step for each construction in the
// order of kConstructions (one that is off costs no tick), two quiet steps, and the
// erase with the caption, after which the next cycle begins.
constexpr int32_t kStepTriangle = 0;
constexpr int32_t kStepFirstConstruction = 1;
constexpr int32_t kStepLastConstruction = kConstructionCount;
constexpr int32_t kStepFirstQuiet = kStepLastConstruction + 1;
constexpr int32_t kStepSecondQuiet = kStepFirstQuiet + 1;
constexpr int32_t kStepErase = kStepSecondQuiet + 1;

// One step of the drawing cycle; the window procedure calls it for every timer message.
void OnTimerTick();
// The loop of the program's windows: messages are dispatched until the quit message,
// whose code it returns; -1 when GetMessageA fails, which leaves no message at all.
int RunMessageLoop();
// Writes the caption centred on the bottom edge of the client area.
void DrawCaption(HDC& dc, RECT clientRect);
// The caption's text: one line of Windows-1252.
extern const char kCaption[];

// The window class and title of both screensaver windows.
extern const char kWindowClass[];
extern const char kWindowTitle[];

// The procedure of the screensaver window: timer 1 from creation on, one cycle step
// per timer message, and the end of the program at a mouse button or destruction.
LRESULT CALLBACK ScreenSaverWndProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);

// The stock brush of the window class for a stored background; a shade outside 0..4
// paints black, as every other dark shade does in the palette and the caption.
HBRUSH BackgroundBrush(uint32_t background);
// The timer period for a stored interval, held within what the dialog offers
// (kIntervalMinMs..kIntervalMaxMs): a stored 0 would make the timer race, a huge one stop it.
UINT TickPeriod(int32_t intervalMs);

// What the screensaver host asks for on the command line.
enum class DisplayMode { FullScreen, Preview, Settings };
struct CommandLine {
  DisplayMode mode;
  // Preview only: the parent window's handle, read as the Windows runtime's strtoul
  // (32-bit unsigned long) reads it; 0 when there are no digits.
  uint32_t parent;
};
// Only the first two characters choose, case-sensitively: "/s" full screen, "/p"
// preview with the handle from the fourth character on, anything else the settings.
CommandLine ParseCommandLine(const char* commandLine);

int WINAPI WinMain(HINSTANCE instance, HINSTANCE previousInstance, LPSTR commandLine, int showCommand);
