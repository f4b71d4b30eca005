// The image of a program's window as a Wayland surface shows it: the program draws into
// a Cairo image of its own, and what it drew is copied into one of two buffers in memory
// shared with the compositor (wl_shm), which is then attached to the surface. A buffer
// is written only while the compositor does not hold it (after its release), so the
// surface never shows a picture half drawn; each buffer knows the parts drawn since it
// was last written, and only those are copied into it. When both are held, what was
// drawn waits for the first release.
#pragma once

#include <cairo.h>
#include <wayland-client.h>

#include <vector>

#include "platform/cairo/window_image.h"
#include "platform/wayland/surface.h"

namespace wayland {

class ShmImage final : public cairo_canvas::ImageMemory {
 public:
  // An image of width x height for `surface`. Its surface is in an error state when
  // there was no memory for it.
  ShmImage(wl_shm* shm, Backend::Surface* surface, int width, int height);
  ~ShmImage() override;
  ShmImage(const ShmImage&) = delete;
  ShmImage& operator=(const ShmImage&) = delete;

  cairo_surface_t* Surface() const override { return image_; }
  void Show(const RECT& part) override { ShowPieces(part, {part}); }
  void ShowPieces(const RECT& part, const std::vector<RECT>& pieces) override;

  // A buffer's parts that lack what was drawn since it was written collapse into one
  // rectangle beyond this many.
  static constexpr size_t kStaleMax = 16384;
  // The damage of a commit is one rectangle beyond this many pieces.
  static constexpr size_t kDamageMax = 64;

 private:
  struct Buffer {
    ShmImage* image = nullptr;
    wl_buffer* buffer = nullptr;
    unsigned char* pixels = nullptr;
    bool held = false;           // by the compositor, until its release
    std::vector<RECT> stale;     // parts drawn since it was last written
  };
  static void Released(void* data, wl_buffer* buffer);
  void Present();

  Backend::Surface* surface_;
  int width_;  // in pixels; a row of the buffers is 4 bytes a pixel
  cairo_surface_t* image_ = nullptr;
  void* map_ = nullptr;
  size_t mapSize_ = 0;
  Buffer buffers_[2];
  std::vector<RECT> damage_;  // drawn and not yet shown
};

}  // namespace wayland
