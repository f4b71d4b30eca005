// The screensaver shell: the drawing cycle, the program's window and its entry.
#pragma once

#include "platform/win32.h"

#include <cstdint>

extern HINSTANCE gInstance;
extern HWND gMainWindow;
extern UINT_PTR gTimerId;
extern int32_t gCycleStep;  // the step the next tick performs, 0 to 10

// One step of the drawing cycle; the window procedure calls it for every timer message.
void OnTimerTick();
// What a tick at step 0 and the ticks at steps 1 to 7 choose, for those who draw a
// moment of the cycle: a random triangle placed inside gMainWindow's client area (false,
// leaving gTriangle as it was, when the area is empty), and the first step from s
// (1 to 7) on whose construction is on, 8 when none is.
bool PlaceTriangle();
int32_t NextShownStep(int32_t s);
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
UINT TimerPeriod(int32_t intervalMs);

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
