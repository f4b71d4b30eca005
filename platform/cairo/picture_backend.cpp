#include "platform/cairo/picture_backend.h"

#include <cstdio>

namespace cairo_canvas {

HWND PictureBackend::MakeOuterWindow() {
  outer_ = core::NewOuterWindow("picture", width_, height_);
  return outer_;
}

// The program's windows show the picture; the outer window shows nothing of its own.
core::Canvas* PictureBackend::CanvasOf(HWND window) {
  return window != nullptr && window != outer_ ? canvas_ : nullptr;
}

void PictureBackend::Wait(int64_t timeoutMs) {
  if (timeoutMs < 0) {
    std::fprintf(stderr, "picture: the program set no timer\n");
    core::PostQuit(1);
    return;
  }
  now_ += static_cast<uint64_t>(timeoutMs);
}

}  // namespace cairo_canvas
