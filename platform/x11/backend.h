// The X11 backend: the program's windows shown in X windows. Each X window the
// program draws in (a window of its own, the root window, a window it is given) is a
// outer window of the core that holds the program's window. The program draws into
// the off-screen image of its window (platform/cairo/window_image.h) in memory the X
// server shares (shared_image.h); what it drew goes to the X window, in one piece, when
// it waits for the next message, and the whole window whenever it is exposed
// (events.cpp), so a covered window shows its picture again. The pixels on the screen are the very pixels a
// picture of the same moment holds.
//
// Between ticks the process sleeps in poll() on the X connection, a descriptor that
// ends the message loop (the program's signals write to it) and the next timer.
#pragma once

#include <X11/Xlib.h>

#include <map>
#include <set>
#include <memory>
#include <string>

#include "platform/cairo/window_image.h"
#include "platform/core/backend.h"
#include "platform/x11/shared_image.h"

namespace x11 {

class Backend final : public core::Backend {
 public:
  // The backend on an open display (which it does not close). Once `quitFd` can be
  // read, the message loop ends with 0; -1 for none. X errors are expected only when
  // a window we were given disappears under us: from now on they are noted, never
  // printed, and the window's end follows from its DestroyNotify. What it has to say
  // goes to stderr as lines that begin with `program` and a colon.
  Backend(Display* display, int quitFd, std::string program);
  ~Backend() override;
  Backend(const Backend&) = delete;
  Backend& operator=(const Backend&) = delete;

  // An outer window for the X window `window`, of its size. `own` ones take the user's
  // pointer and keys and are destroyed with their outer window. Null, with *error, when there
  // is no such window or it is not TrueColor.
  HWND AddTarget(Window window, bool own, std::string* error);

  SIZE ScreenSize(HWND window) override;
  core::Canvas* CanvasOf(HWND window) override;
  void WindowCreated(HWND window) override;
  void WindowResized(HWND window) override;
  void WindowDestroyed(HWND window) override;
  uint64_t NowMs() override;
  void Wait(int64_t timeoutMs) override;
  // In the windows of our own.
  void PointerShape(core::Pointer pointer) override;
  // The screen of the programs in `outer` is that window itself, not the monitor it is
  // on: a picture of the window is then a picture of a screen of its size.
  void ScreenIsOuterWindow(HWND outer);
  // The pixels a program's window shows, or null.
  cairo_surface_t* ImageOf(HWND window) const;

 private:
  // An X window drawn into, and its outer window.
  struct Target {
    Window window = 0;
    bool own = false;
    bool gone = false;  // destroyed under us
    Screen* xScreen = nullptr;
    PixelLayout layout;
    GC gc = nullptr;
    SIZE monitor = {0, 0};
    bool screenIsOuter = false;  // see ScreenIsOuterWindow
  };
  // The program's window in an outer window.
  struct Program {
    HWND outer = nullptr;
    std::unique_ptr<cairo_canvas::WindowImage> image;  // says when it cannot be made
  };

  void FindMonitor(Target* target, int width, int height);
  const Target* TargetOf(HWND window) const;
  HWND OuterOfXWindow(Window window) const;
  static HWND ProgramIn(HWND outer);
  void Handle(const XEvent& event);

  Display* display_;
  int quitFd_;
  std::string program_;
  Atom deleteWindow_;
  std::map<HWND, Target> targets_;  // by outer window
  std::map<HWND, Program> programs_;
  std::map<unsigned, Cursor> cursors_;  // by cursor font shape, made when first shown
  std::set<unsigned> keysDown_;          // pressed and not yet released, by key code
};

}  // namespace x11
