// What the core asks of the world outside it. The core keeps all the bookkeeping of
// the Win32 subset: handles, what each device context holds, windows, timers and the
// message queue, and it catches misuse. A backend only does what needs a real device:
// it draws the calls that reach a window's pixels, tells the screen's size and the
// time, and waits for something to happen.
//
// Backends: the recording one (no pixels, a scripted user; tests and fuzzers), the
// Cairo canvases (platform/cairo) behind X11 windows (platform/x11), pictures and the
// page (platform/web).
//
// The second half of this file is what a backend, or the driver that runs the program
// above it, may ask of the core: outer windows to hold the program's, the user's input
// as messages, the registry and the clock. What tests may ask besides is in testing.h.
#pragma once

#include <cstdint>
#include <ctime>
#include <functional>
#include <optional>
#include <string>
#include <vector>

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

// The system cursors the program sets (SetCursor): none (Hidden: the window's parent's),
// IDC_ARROW, IDC_HAND (a pointing hand) and IDC_SIZEALL (four arrows).
enum class Pointer { Hidden = 0, Arrow = 1, Hand = 2, Move = 3 };

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
  // The pointer over the program's windows takes a new shape, a system cursor's.
  virtual void PointerShape(Pointer) {}
  // Milliseconds on a clock that never goes back; timers run on it.
  virtual uint64_t NowMs() = 0;
  // Called by GetMessageA when it has nothing to return: wait until something
  // happens (and post it), or at most `timeoutMs` (-1: no limit).
  virtual void Wait(int64_t timeoutMs) = 0;
  // A modal dialog is open (DialogBoxParamA) with no test to play its user: show it
  // as DialogControls describes it, and post what the user does to it (see
  // DialogBoxParamA in dialog.cpp). False, the default, for a backend that shows no
  // dialogs: the dialog could never end, and the core stops the program.
  virtual bool DialogOpened(HWND) { return false; }
  // What the dialog's controls show changed; the dialog ended.
  virtual void DialogChanged(HWND) {}
  virtual void DialogClosed(HWND) {}
};

// The backend in use; the recording one unless another is installed. Reset() puts
// the recording one back.
Backend& CurrentBackend();
void InstallBackend(Backend* backend);

// The colour a brush paints: the five stock brushes, then GDI's grey steps.
COLORREF BrushColour(HBRUSH brush);

// ---- What a backend or the driver may ask of the core ----

// Forget everything: objects, windows, messages, timers, clock, registry and dialogs
// (the program's dialog templates stay: they come with the program), as a new process
// starts. Recording calls is off (testing.h).
void Reset();

// An outer window: the platform's window that holds the program's (an X11 window, a
// picture, the page), as the screensaver host's window holds the preview on Windows.
// Its procedure is DefWindowProcA; its children fill it as it is resized.
HWND NewOuterWindow(const char* name, int width, int height);
// The window and its children get WM_DESTROY and are gone, with their timers.
void DestroyWindowTree(HWND window);
// A new client size; the window's children follow.
void ResizeWindow(HWND window, int width, int height);
bool IsWindowAlive(HWND window);
std::vector<HWND> Children(HWND window);
HWND Parent(HWND window);
// A window's client size and the brush of its class (unrecorded).
SIZE ClientSize(HWND window);
HBRUSH ClassBrush(HWND window);

// The user's input, and what the platform says, as messages for GetMessageA.
void PostMessageToQueue(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
// GetMessageA returns the quit message with this code next, as after PostQuitMessage.
void PostQuit(int code);
// Whether the quit message waits to be returned; and taking it back unreturned, for a
// driver that runs several programs in one loop and ends only one of them.
bool QuitPosted();
void TakeBackQuit();
// Called by GetMessageA with each message it is about to return; one it takes (true)
// is not returned, and GetMessageA goes on to the next. Null: none.
void SetMessageFilter(std::function<bool(const MSG&)> filter);

// time() returns this from now on.
void SetClock(time_t now);

// HKEY_CURRENT_USER as paths below it ("Software\\Morvaselkin"); names compare
// without regard to ASCII case. Empty after Reset.
struct RegistryEntry {
  DWORD type;
  std::vector<BYTE> data;
};
// Stores a value, creating its key and the keys above it.
void SetRegistryDword(const std::string& path, const std::string& name, uint32_t value);
std::optional<RegistryEntry> RegistryValue(const std::string& path, const std::string& name);
// How many values RegSetValueExA has written since the reset.
uint64_t RegistryWrites();

// A dialog's controls as its user sees them, in template order; dialog units.
struct DialogControl {
  enum class Type { PushButton, DefaultButton, CheckBox, Radio, GroupBox, Text, TextRight, ScrollBar };
  Type type;
  int id;
  std::string text;  // Windows-1252
  int x, y, cx, cy;
  HWND window;
  bool checked;          // check boxes and radio buttons
  int min, max, pos;     // scroll bars
};
struct DialogView {
  std::string caption;  // Windows-1252
  int cx, cy;           // dialog units
  std::vector<DialogControl> controls;
};
DialogView DescribeDialog(HWND dialog);

}  // namespace core
