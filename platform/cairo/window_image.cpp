#include "platform/cairo/window_image.h"

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <limits>

#include "platform/core/backend.h"

namespace cairo_canvas {

// The canvas on the image: a released device context shows what was drawn.
class WindowImage::Drawing final : public cairo_canvas::Canvas {
 public:
  Drawing(WindowImage* image, cairo_surface_t* surface, int width, int height, int scale)
      : cairo_canvas::Canvas(surface, width, height, scale), image_(image) {}
  void Flush() override {
    const RECT part = TakeDamage(&pieces_);
    if (!image_->gather_) {
      image_->ShowPieces(part, &pieces_);
    } else if (part.left < part.right && part.top < part.bottom) {
      RECT& all = image_->gathered_;
      all = all.left < all.right ? RECT{std::min(all.left, part.left), std::min(all.top, part.top),
                                        std::max(all.right, part.right), std::max(all.bottom, part.bottom)}
                                 : part;
      // The pieces too, up to as many as one device context may have; beyond them the
      // box stands for them all.
      std::vector<RECT>& gathered = image_->gatheredPieces_;
      if (gathered.size() + pieces_.size() <= kDamagePiecesMax) gathered.insert(gathered.end(), pieces_.begin(), pieces_.end());
      else image_->piecesOverflowed_ = true;
    }
  }

 private:
  WindowImage* image_;
  std::vector<RECT> pieces_;
};

WindowImage::WindowImage(HWND window, MakeMemory make, int scale, bool gather)
    : window_(window), make_(std::move(make)), scale_(std::max(scale, 1)), gather_(gather) {}

WindowImage::~WindowImage() { drawing_.reset(); }

void WindowImage::ResizeSaying(const std::string& who) {
  std::string why;
  const bool blank = !Resize(&why);
  if (blank && !blank_) std::fprintf(stderr, "%s: %s; nothing is drawn until the window is smaller\n", who.c_str(), why.c_str());
  blank_ = blank;
}

bool WindowImage::Resize(std::string* why) {
  const SIZE size = core::ClientSize(window_);
  // Far beyond what any image can be: Cairo refuses it, and the product stays an int.
  const auto side = [this](LONG client) {
    return static_cast<int>(std::min<int64_t>(int64_t{std::max<LONG>(client, 1)} * scale_, 1 << 30));
  };
  const int width = side(size.cx), height = side(size.cy);
  std::unique_ptr<ImageMemory> memory = make_(width, height);
  const cairo_status_t status =
      memory != nullptr ? cairo_surface_status(memory->Surface()) : CAIRO_STATUS_NO_MEMORY;
  if (status != CAIRO_STATUS_SUCCESS) {
    const std::string reason = status == CAIRO_STATUS_INVALID_SIZE
                                   ? "wider or taller than " + std::to_string(kImageSideMax) + " pixels"
                               : status == CAIRO_STATUS_NO_MEMORY ? "out of memory"
                                                                  : cairo_status_to_string(status);
    char text[200];
    std::snprintf(text, sizeof text, "cannot make a %dx%d image of the window (%s)", width, height, reason.c_str());
    *why = text;
    memory.reset();
    drawing_.reset();
    memory_.reset();
    width_ = height_ = 0;
    return false;
  }
  cairo_t* cr = cairo_create(memory->Surface());
  const HBRUSH brush = core::ClassBrush(window_);
  const COLORREF colour = brush != nullptr ? core::BrushColour(brush) : 0;
  cairo_set_source_rgb(cr, (colour & 0xFF) / 255.0, ((colour >> 8) & 0xFF) / 255.0, ((colour >> 16) & 0xFF) / 255.0);
  cairo_paint(cr);
  if (memory_ != nullptr) {
    cairo_set_source_surface(cr, memory_->Surface(), 0, 0);
    cairo_paint(cr);
  }
  cairo_destroy(cr);
  drawing_.reset();
  memory_ = std::move(memory);
  width_ = width;
  height_ = height;
  drawing_ = std::make_unique<Drawing>(this, memory_->Surface(), size.cx, size.cy, scale_);
  Show({0, 0, size.cx, size.cy});
  return true;
}

core::Canvas* WindowImage::Canvas() const { return drawing_.get(); }

void WindowImage::ShowGathered() {
  const RECT part = gathered_;
  std::vector<RECT> pieces;
  pieces.swap(gatheredPieces_);
  if (piecesOverflowed_) pieces.assign(1, part);
  gathered_ = {0, 0, 0, 0};
  piecesOverflowed_ = false;
  ShowPieces(part, &pieces);
}

cairo_surface_t* WindowImage::Surface() const {
  if (memory_ == nullptr) return nullptr;
  cairo_surface_flush(memory_->Surface());
  return memory_->Surface();
}

namespace {

// A part of the window in the image's pixels (scale x scale each), within the image.
RECT Scaled(RECT part, int scale, int width, int height) {
  const auto scaled = [scale](LONG v) {
    return static_cast<LONG>(std::clamp<int64_t>(int64_t{v} * scale, 0, std::numeric_limits<LONG>::max()));
  };
  return {scaled(part.left), scaled(part.top), std::min<LONG>(scaled(part.right), width),
          std::min<LONG>(scaled(part.bottom), height)};
}

bool Empty(const RECT& part) { return part.left >= part.right || part.top >= part.bottom; }

}  // namespace

void WindowImage::Show(RECT part) {
  if (memory_ == nullptr) return;
  part = Scaled(part, scale_, width_, height_);
  if (Empty(part)) return;
  cairo_surface_flush(memory_->Surface());
  memory_->Show(part);
}

void WindowImage::ShowPieces(RECT part, std::vector<RECT>* pieces) {
  if (memory_ == nullptr) return;
  part = Scaled(part, scale_, width_, height_);
  if (Empty(part)) return;
  for (RECT& piece : *pieces) piece = Scaled(piece, scale_, width_, height_);
  pieces->erase(std::remove_if(pieces->begin(), pieces->end(), Empty), pieces->end());
  cairo_surface_flush(memory_->Surface());
  memory_->ShowPieces(part, *pieces);
}

}  // namespace cairo_canvas
