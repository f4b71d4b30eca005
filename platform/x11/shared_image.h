// The image of a program's window as the X server takes it: a Cairo image in memory
// shared with the server (MIT-SHM) when the server runs on this machine and offers it,
// so that showing it copies nothing through the connection; elsewhere XPutImage sends
// the pixels.
//
// A window of any TrueColor visual takes it: where the visual's pixels are Cairo's
// (eight bits of red, green and blue in 32), the image is what the server reads; for
// any other layout (16-bit 5-6-5, 15-bit, 30-bit 10-10-10, 8-bit 3-3-2, blue first)
// pixman converts each part shown into the visual's pixels, as near as they hold.
#pragma once

#include <X11/Xlib.h>
#include <X11/extensions/XShm.h>
#include <pixman.h>

#include <string>

#include "platform/cairo/window_image.h"

namespace x11 {

// How the pixels of a visual lie in memory, as pixman names them.
struct PixelLayout {
  Visual* visual = nullptr;
  int depth = 0;
  int bitsPerPixel = 0;
  pixman_format_code_t format = static_cast<pixman_format_code_t>(0);
};

// The layout of a visual of `depth`; false when it is no TrueColor visual, or one
// whose masks pixman has no format for.
bool LayoutOf(Display* display, Visual* visual, int depth, PixelLayout* layout);

// "8-bit PseudoColor": the visual's depth and class, as messages name them.
std::string DescribeVisual(const Visual* visual, int depth);

class SharedImage final : public cairo_canvas::ImageMemory {
 public:
  // An image of width x height for `window`, whose pixels have `layout`, shown with
  // `gc`. Its surface is in an error state when there was no memory for it.
  SharedImage(Display* display, Window window, GC gc, const PixelLayout& layout, int width, int height);
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
  // The picture where Cairo draws it and the server takes it at once (the visual's
  // pixels are Cairo's): shared with the server when the server can, else in memory.
  void MakeDirect(int width, int height);
  // The picture in Cairo's pixels, and beside it the visual's, which pixman fills.
  void MakeConverted(const PixelLayout& layout, int width, int height);

  Display* display_;
  Window window_;
  GC gc_;
  XImage image_ = {};
  XShmSegmentInfo shm_ = {};
  bool shared_ = false;
  cairo_surface_t* surface_ = nullptr;
  // Where the visual's pixels differ from Cairo's: the image in them, and the two as
  // pixman sees them. `pixels_` holds the memory when it is not shared.
  cairo_surface_t* pixels_ = nullptr;
  pixman_image_t* from_ = nullptr;
  pixman_image_t* to_ = nullptr;
};

}  // namespace x11
