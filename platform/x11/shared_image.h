// The image of a program's window as the X server takes it: a Cairo image in memory
// shared with the server (MIT-SHM) when the server runs on this machine and offers it,
// so that showing it copies nothing through the connection; elsewhere XPutImage sends
// the pixels.
#pragma once

#include <X11/Xlib.h>
#include <X11/extensions/XShm.h>

#include "platform/cairo/window_image.h"

namespace x11 {

class SharedImage final : public cairo_canvas::ImageMemory {
 public:
  // An image of width x height for `window` of `depth` (24 or 32) bits, shown with
  // `gc`. Its surface is in an error state when there was no memory for it.
  SharedImage(Display* display, Window window, GC gc, int depth, int width, int height);
  ~SharedImage() override;
  SharedImage(const SharedImage&) = delete;
  SharedImage& operator=(const SharedImage&) = delete;

  cairo_surface_t* Surface() const override { return surface_; }
  // Hands the part to the server without waiting for it to have taken it: should the
  // next tick's drawing begin before the server has read the pixels (ticks are half a
  // second apart at the least), the window would show some of that drawing a moment
  // early, and the Show() that ends the drawing puts all of it there anyway. Waiting
  // instead would cost a wake-up every tick.
  void Show(const RECT& part) override;

 private:
  bool Share(size_t bytes);

  Display* display_;
  Window window_;
  GC gc_;
  XImage image_ = {};
  XShmSegmentInfo shm_ = {};
  bool shared_ = false;
  cairo_surface_t* surface_ = nullptr;
};

}  // namespace x11
