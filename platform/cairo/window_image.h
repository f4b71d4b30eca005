// The off-screen image of a program's window, for backends that show it on a screen of
// their own (an X window, a browser's <canvas>). The program draws into it with the
// Cairo canvas; when a device context on it is released, the part it drew is shown, or
// (gathering) kept to be shown with what the next ones draw, in one piece, when the
// backend asks: a picture drawn through several device contexts goes out once.
// When the window is resized a new image of the new size keeps what the old one
// showed and paints the rest with the class brush, as Windows paints a grown window.
//
// The memory of the image and the way to the screen are the backend's: it may share
// the memory with a display server, or put the shown parts somewhere after a tick.
//
// The image may have more pixels than the window: at a scale of K each pixel of the
// window is K x K pixels of the image (and of the screen it is shown on), drawn as a
// picture at that scale draws it.
//
// An image that cannot be made (a side beyond Cairo's kImageSideMax, or no memory that
// large) leaves the window without pixels: the program runs on and nothing is drawn
// until the window has a size whose image can be made.
#pragma once

#include <cairo.h>

#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "platform/cairo/canvas.h"
#include "platform/core/windows.h"

namespace cairo_canvas {

// The memory of an image, made by the backend.
class ImageMemory {
 public:
  virtual ~ImageMemory() = default;
  // An RGB24 image surface of the size asked for; its status tells when there was no
  // memory for one.
  virtual cairo_surface_t* Surface() const = 0;
  // Puts a part of the image, within it and not empty, on the screen.
  virtual void Show(const RECT& part) = 0;
  // The same, told the pieces of the part that were drawn on (within it, possibly
  // overlapping): an image that can show pieces cheaper than the whole part may.
  virtual void ShowPieces(const RECT& part, const std::vector<RECT>& pieces) {
    static_cast<void>(pieces);
    Show(part);
  }
};

class WindowImage {
 public:
  // Memory for an image of width x height pixels.
  using MakeMemory = std::function<std::unique_ptr<ImageMemory>(int width, int height)>;

  // The image of `window`, of its client size times `scale` (see Resize); gathering
  // (see ShowGathered) or showing what each released device context drew.
  WindowImage(HWND window, MakeMemory make, int scale = 1, bool gather = false);
  ~WindowImage();
  WindowImage(const WindowImage&) = delete;
  WindowImage& operator=(const WindowImage&) = delete;

  // A new image of the window's client size (times the scale), shown whole. False when
  // it could not be made: *why says why, and the window has no pixels until a later
  // Resize succeeds.
  bool Resize(std::string* why);
  // Resize as a screen of the Linux program says it: when the window has no pixels
  // after having had them (or from the first), one line on stderr, "WHO: WHY; nothing
  // is drawn until the window is smaller".
  void ResizeSaying(const std::string& who);
  // Where the program draws; null while the window has no pixels.
  core::Canvas* Canvas() const;
  // Shows a part of the window again (in the window's pixels; a part that was exposed).
  void Show(RECT part);
  // Gathering: shows what was drawn since the last call, as the smallest rectangle
  // that holds it all and the pieces drawn on within it (ImageMemory::ShowPieces).
  void ShowGathered();
  // The pixels the window shows, flushed; null while it has none.
  cairo_surface_t* Surface() const;

 private:
  class Drawing;
  void ShowPieces(RECT part, std::vector<RECT>* pieces);

  HWND window_;
  MakeMemory make_;
  int scale_;
  bool gather_;
  bool blank_ = false;  // the last ResizeSaying made no image
  RECT gathered_ = {0, 0, 0, 0};  // drawn and not yet shown; empty when left >= right
  std::vector<RECT> gatheredPieces_;  // the pieces it is made of, unless
  bool piecesOverflowed_ = false;     // there were too many
  std::unique_ptr<ImageMemory> memory_;
  std::unique_ptr<Drawing> drawing_;  // draws on memory_; goes first
  int width_ = 0;                     // of the image, in its own pixels
  int height_ = 0;
};

}  // namespace cairo_canvas
