// The web backend: the program's window shown on the page's <canvas>. The page is the
// screen, one outer window of the core, at the <canvas>'s device pixels (or at K of them
// for each of the program's pixels, or at a size given). The program draws into the
// off-screen image of its window (platform/cairo/window_image.h), a plain Cairo image in
// the program's memory; when a device context is released, the part it drew is put
// onto the <canvas> (or, gathering, all that was drawn when the program waits again).
//
// Between ticks the program's message loop waits in Wait(), which gives the browser its
// thread back until the next timer's one timeout fires or the page posts an event. The
// window's size is taken when a timer comes due, before the tick draws, as the Windows
// program takes a new size at its next tick; a window that gathers (the explorer's)
// takes it at once. The clocks are the browser's: performance.now() for the timers,
// Date.now() for the program's time().
//
// The page's pointer and keys become the mouse and key messages of the program's
// window, and the pointer takes the shapes it asks for; a modal dialog is drawn by the
// page from its controls as the core describes them, and what its user does comes back
// as the messages the dialog manager takes. Events of the page's own (its buttons) go
// to whoever runs the program.
#pragma once

#include <functional>
#include <memory>

#include "platform/cairo/window_image.h"
#include "platform/core/backend.h"
#include "platform/web/page.h"

namespace web {

class Backend final : public core::Backend {
 public:
  struct Config {
    int scale = 1;           // device pixels a side per pixel of the program
    bool sizeGiven = false;  // the screen has this size, whatever the window's
    SIZE size = {0, 0};
    bool gather = false;     // a window's pictures go out when it waits, in one piece
  };
  explicit Backend(const Config& config);
  ~Backend() override;
  Backend(const Backend&) = delete;
  Backend& operator=(const Backend&) = delete;

  // The outer window of the page, at its size now.
  HWND MakeOuterWindow();
  // The page's own buttons, by their names, handed over as they are pressed.
  void OnPageButton(std::function<void(const std::string& name)> handler) { pageButton_ = std::move(handler); }
  // Called before each wait, after what was drawn went onto the <canvas>, and after it.
  void AroundWaits(std::function<void()> before, std::function<void()> after) {
    beforeWait_ = std::move(before);
    afterWait_ = std::move(after);
  }
  // Milliseconds spent putting pixels onto the <canvas> since the last call.
  double TakeShowMs();
  // Puts what the program's window gathered onto the <canvas> now.
  void ShowGathered();
  // Runs `draw` with the program's window drawing on `canvas` instead of its image.
  void DrawOn(core::Canvas* canvas, const std::function<void()>& draw);

  SIZE ScreenSize(HWND window) override;
  core::Canvas* CanvasOf(HWND window) override;
  void WindowCreated(HWND window) override;
  void WindowResized(HWND window) override;
  void WindowDestroyed(HWND window) override;
  uint64_t NowMs() override;
  void Wait(int64_t timeoutMs) override;
  void PointerShape(core::Pointer pointer) override;
  bool DialogOpened(HWND dialog) override;
  void DialogChanged(HWND dialog) override;
  void DialogClosed(HWND dialog) override;

 private:
  class PageImage;

  SIZE PageSize() const;  // in the program's pixels
  void Resize();
  void TakeEvents();
  void TakeDialogEvent(const page::Event& event);

  Config config_;
  HWND outer_ = nullptr;
  HWND program_ = nullptr;
  HWND dialog_ = nullptr;
  std::unique_ptr<cairo_canvas::WindowImage> image_;
  bool blank_ = false;  // no image could be made of the window's size
  double showMs_ = 0;   // putting pixels on the canvas, since TakeShowMs
  bool pointerDown_ = false;
  core::Canvas* drawOn_ = nullptr;  // see DrawOn
  std::function<void(const std::string&)> pageButton_;
  std::function<void()> beforeWait_;
  std::function<void()> afterWait_;
};

}  // namespace web
