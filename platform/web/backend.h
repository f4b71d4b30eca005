// The web backend: the program's window shown on the page's <canvas>. The page is the
// screen, one frame window of the core, at the <canvas>'s device pixels (or at K of them
// for each of the program's pixels). The program draws into the off-screen image of its
// window (platform/cairo/window_image.h), a plain Cairo image in the program's memory;
// when a tick releases its device context, the part it drew is put onto the <canvas>.
//
// Between ticks the program's message loop waits in Wait(), which gives the browser
// its thread back until the timer's one timeout fires or the page posts an event (the
// settings panel's OK). A resized window is taken at the next tick, as the Windows
// program takes it. The clocks are the browser's: performance.now() for the timers,
// Date.now() for the program's time().
//
// The address's options shape the run (driver/options.h): a --time stands
// the clock still at that second, --triangle places every cycle's corners, --step
// holds the picture after that step (--picture after its step), --size fixes the
// screen whatever the window, --scale draws K device pixels per pixel.
//
// Exploring, the page's frame holds the explorer's window (explorer/explorer.h)
// instead: the page's pointer and keys become its mouse and key messages, the pointer
// takes the shapes it asks for, and what a picture drew goes to the <canvas> in one
// piece when the explorer waits again.
#pragma once

#include <functional>
#include <memory>

#include "geometry/triangle.h"
#include "platform/cairo/window_image.h"
#include "platform/core/backend.h"
#include "driver/options.h"

namespace web {

class Backend final : public core::Backend {
 public:
  Backend(const dreieck::Options& options, bool exploring);
  ~Backend() override;
  Backend(const Backend&) = delete;
  Backend& operator=(const Backend&) = delete;

  // The frame window of the page, at its size now.
  HWND MakeFrame();
  // Whether the run ended because the page's settings changed: the program is to start
  // again with them.
  bool SettingsChanged() const { return settingsChanged_; }
  // Whether the run ended for the explorer (the Explore button); then the triangle on
  // the screen, if there was one, is in *corners.
  bool ExploreAsked(Point corners[3], bool* shown) const;
  // Puts what the explorer drew onto the <canvas> now.
  void ShowDrawn();
  // Runs `draw` with the program's window drawing on `canvas` instead of its image.
  void DrawOn(core::Canvas* canvas, const std::function<void()>& draw);

  SIZE ScreenSize(HWND window) override;
  core::Canvas* CanvasOf(HWND window) override;
  void WindowCreated(HWND window) override;
  void WindowResized(HWND window) override;
  void WindowDestroyed(HWND window) override;
  uint64_t NowMs() override;
  void Wait(int64_t timeoutMs) override;
  void PointerShape(int cursor) override;

 private:
  class PageImage;

  SIZE PageSize() const;  // in the program's pixels
  void Resize();
  void Ticked(int started);
  void End();
  void TakeEvents();
  void ExploreWait(int64_t timeoutMs);

  int scale_;
  bool sizeGiven_;
  SIZE size_;
  int holdStep_;  // -1: the cycle runs on
  bool triangleGiven_;
  int32_t triangle_[6];

  HWND frame_ = nullptr;
  HWND program_ = nullptr;
  std::unique_ptr<cairo_canvas::WindowImage> image_;
  bool blank_ = false;  // no image could be made of the window's size

  int ticks_ = 0;
  bool ticking_ = false;  // the timer came due; its tick runs until the next Wait
  int stepAtTick_ = 0;    // gCycleStep when it came due
  double tickStart_ = 0;
  double showMs_ = 0;     // putting pixels on the canvas, since the tick began
  bool held_ = false;
  bool restart_ = false;  // the settings changed: the program ends at the end of its cycle
  bool settingsChanged_ = false;

  bool exploring_;
  bool exploreAsked_ = false;  // the run ends for the explorer
  bool cornersShown_ = false;  // and a triangle was on the screen then:
  Point corners_[3] = {};
  bool pointerDown_ = false;
  double drawStart_ = -1;
  core::Canvas* drawOn_ = nullptr;  // see DrawOn      // exploring: since the explorer took an event
};

}  // namespace web
