// A backend whose every window draws on one Cairo image, for tests that look at what
// the program drew.
#pragma once

#include <cairo.h>

#include <cstdint>
#include <cstring>
#include <vector>

#include "platform/cairo/canvas.h"
#include "platform/core/backend.h"

class ImageBackend final : public core::Backend {
 public:
  ImageBackend(int width, int height)
      : image_(cairo_image_surface_create(CAIRO_FORMAT_RGB24, width, height)), canvas_(image_, width, height) {}
  ~ImageBackend() override { cairo_surface_destroy(image_); }
  ImageBackend(const ImageBackend&) = delete;
  ImageBackend& operator=(const ImageBackend&) = delete;
  SIZE ScreenSize(HWND) override { return {cairo_image_surface_get_width(image_), cairo_image_surface_get_height(image_)}; }
  core::Canvas* CanvasOf(HWND) override { return &canvas_; }
  uint64_t NowMs() override { return 0; }
  void Wait(int64_t) override {}
  cairo_surface_t* Image() { return image_; }
  cairo_canvas::Canvas& Canvas() { return canvas_; }
  // The colours of the pixels, row by row (0x00RRGGBB).
  std::vector<uint32_t> Pixels() {
    cairo_surface_flush(image_);
    const int width = cairo_image_surface_get_width(image_), height = cairo_image_surface_get_height(image_);
    std::vector<uint32_t> pixels(static_cast<size_t>(width) * height);
    for (int y = 0; y < height; ++y)
      std::memcpy(&pixels[static_cast<size_t>(y) * width],
                  cairo_image_surface_get_data(image_) + y * cairo_image_surface_get_stride(image_), 4u * width);
    for (uint32_t& pixel : pixels) pixel &= 0x00FFFFFF;
    return pixels;
  }

 private:
  cairo_surface_t* image_;
  cairo_canvas::Canvas canvas_;
};
