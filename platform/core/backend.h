// What the core asks of the world outside it. The core keeps all the bookkeeping of
// the Win32 subset: handles, what each device context holds, windows, timers and the
// message queue, and it catches misuse. A backend only does what needs a real device:
// it draws the calls that reach a window's pixels, tells the screen's size and the
// time, and waits for something to happen.
//
// Backends: the recording one (no pixels, a scripted user; tests and fuzzers), the
// Cairo canvases (platform/cairo) behind X11 windows (platform/x11) and pictures.
#pragma once

#include <cstdint>
#include <string>

#include "platform/core/windows.h"

namespace core {

// A pen as CreatePen made it.
struct PenLook {
  int style = PS_SOLID;
  int width = 1;
  COLORREF colour = 0;
};

// A font as CreateFontA asked for it.
struct FontLook {
  int height = 0;
  int width = 0;
  int weight = 0;
  bool italic = false;
  std::string face;
};

// A window's pixels. Coordinates are the window's client coordinates.
class Canvas {
 public:
  virtual ~Canvas() = default;
  // A line from `from` towards `to`, whose end pixel stays unlit; its pen pattern
  // starts afresh. `opaque` fills the pattern's gaps with the background colour.
  virtual void Line(const PenLook& pen, bool opaque, POINT from, POINT to) = 0;
  // An arc around (x, y) from `start` degrees through `sweep` degrees (positive runs
  // counter-clockwise on the screen), one pattern all the way.
  virtual void Arc(const PenLook& pen, bool opaque, int x, int y, uint32_t radius, double start,
                   double sweep) = 0;
  // Windows-1252 text with the top-left corner of its cell at (x, y); `opaque`
  // fills the cells with the background colour first.
  virtual void Text(const FontLook& font, COLORREF colour, bool opaque, int x, int y, const char* text,
                    int count) = 0;
  virtual SIZE TextExtent(const FontLook& font, const char* text, int count) = 0;
  virtual void Fill(const RECT& rect, COLORREF colour) = 0;
  // A device context on this canvas was released: what was drawn may be shown.
  virtual void Flush() {}
};

class Backend {
 public:
  virtual ~Backend() = default;
  // The size of the screen that holds the window (null: the primary screen), as
  // GetDeviceCaps(HORZRES, VERTRES) and the desktop window report it.
  virtual SIZE ScreenSize(HWND window) = 0;
  // The pixels of a window, or null when they go nowhere.
  virtual Canvas* CanvasOf(HWND window) = 0;
  // A window was created (its size and parent are known), shown, resized or destroyed.
  virtual void WindowCreated(HWND) {}
  virtual void WindowShown(HWND) {}
  virtual void WindowResized(HWND) {}
  virtual void WindowDestroyed(HWND) {}
  // The pointer over the program's windows takes a new shape: the number of the
  // system cursor (32512 IDC_ARROW, 32649 IDC_HAND, 32646 IDC_SIZEALL), 0 for none.
  virtual void PointerShape(int) {}
  // Milliseconds on a clock that never goes back; timers run on it.
  virtual uint64_t NowMs() = 0;
  // Called by GetMessageA when it has nothing to return: wait until something
  // happens (and post it), or at most `timeoutMs` (-1: no limit).
  virtual void Wait(int64_t timeoutMs) = 0;
};

// The backend in use; the recording one unless another is installed. Reset() puts
// the recording one back.
Backend& CurrentBackend();
void InstallBackend(Backend* backend);

// The colour a brush paints: the five stock brushes, then GDI's grey steps.
COLORREF BrushColour(HBRUSH brush);

}  // namespace core
