// A picture as the program's screen: a screen of the picture's size whose pixels are a
// Cairo canvas (on an image, SVG or PDF surface), with a clock that runs only while the
// program waits, and then jumps straight to the next timer.
#pragma once

#include "platform/cairo/canvas.h"
#include "platform/core/backend.h"

namespace cairo_canvas {

class PictureBackend final : public core::Backend {
 public:
  PictureBackend(int width, int height, Canvas* canvas) : width_(width), height_(height), canvas_(canvas) {}

  // The outer window of the picture, which the program's window fills.
  HWND MakeOuterWindow();

  SIZE ScreenSize(HWND) override { return {width_, height_}; }
  core::Canvas* CanvasOf(HWND window) override;
  uint64_t NowMs() override { return now_; }
  // Jumps to the next timer. With none set no tick would ever come: the program is
  // told to quit with 1, and TimerMissing() tells why.
  void Wait(int64_t timeoutMs) override;
  bool TimerMissing() const { return timerMissing_; }

 private:
  int width_;
  int height_;
  Canvas* canvas_;
  HWND outer_ = nullptr;
  uint64_t now_ = 0;
  bool timerMissing_ = false;
};

}  // namespace cairo_canvas
