// The screensaver shell: the drawing cycle and the program's window.
#pragma once

#include "platform/win32.h"

#include <cstdint>

extern HINSTANCE gInstance;
extern HWND gMainWindow;
extern UINT_PTR gTimerId;
extern int32_t gCycleStep;  // the step the next tick performs, 0 to 10

// One step of the drawing cycle; the window procedure calls it for every timer message.
void OnTimerTick();
// Writes the caption centred on the bottom edge of the client area.
void DrawCaption(HDC& dc, RECT clientRect);
// The caption's text: one line of Windows-1252.
extern const char kCaption[];
