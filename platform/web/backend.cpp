#include "platform/web/backend.h"

#include <emscripten.h>

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <new>
#include <string>
#include <vector>

#include "platform/cairo/canvas.h"
#include "platform/core/backend.h"
#include "platform/web/names.h"
#include "platform/web/page.h"

namespace web {

// A pixel of Cairo's RGB24 is 0x00RRGGBB in a 32-bit word; the canvas takes the bytes
// R, G, B, A: in a little-endian word (wasm's), 0xAABBGGRR. Two pixels at a time in a
// 64-bit word.
static inline uint64_t Rgba2(uint64_t p) {
  return 0xFF000000FF000000u | ((p & 0x000000FF000000FFu) << 16) | (p & 0x0000FF000000FF00u) |
         ((p >> 16) & 0x000000FF000000FFu);
}
static inline uint32_t Rgba(uint32_t p) {
  return 0xFF000000u | ((p & 0xFFu) << 16) | (p & 0xFF00u) | ((p >> 16) & 0xFFu);
}

// The image in the program's memory; a part is shown by turning it into the RGBA rows
// a canvas takes and putting them there. Up to kKeptPixels the image keeps the canvas's
// RGBA as the page last got it: the 32x32 tiles of a part that were drawn on (a circle's
// part is its whole square, of which its pieces touch a ring of tiles) are turned into
// RGBA over it, and only the tiles where a pixel changed are put onto the canvas. A larger image is put in bands of at
// most kBandPixels, so that its RGBA copy stays small however large the image is.
class Backend::PageImage final : public cairo_canvas::ImageMemory {
 public:
  static constexpr int kBandPixels = 1 << 20;
  static constexpr int64_t kKeptPixels = int64_t{7680} * 4320;
  static constexpr int kTile = 32;

  PageImage(int width, int height, double* showMs)
      : surface_(cairo_image_surface_create(CAIRO_FORMAT_RGB24, width, height)),
        width_(width),
        height_(height),
        showMs_(showMs) {
    // Zero is no pixel of the image (those are opaque): the first show puts all it shows.
    if (cairo_surface_status(surface_) == CAIRO_STATUS_SUCCESS && int64_t{width} * height <= kKeptPixels) {
      shown_.reset(new (std::nothrow) uint32_t[static_cast<size_t>(width) * static_cast<size_t>(height)]());
      changed_.resize(static_cast<size_t>(width / kTile + 1));
      drawn_.resize(static_cast<size_t>(width / kTile + 1) * static_cast<size_t>(height / kTile + 1));
    }
  }
  ~PageImage() override { cairo_surface_destroy(surface_); }
  PageImage(const PageImage&) = delete;
  PageImage& operator=(const PageImage&) = delete;

  cairo_surface_t* Surface() const override { return surface_; }

  void Show(const RECT& part) override { ShowTimed(part, nullptr); }
  void ShowPieces(const RECT& part, const std::vector<RECT>& pieces) override { ShowTimed(part, &pieces); }

 private:
  void ShowTimed(const RECT& part, const std::vector<RECT>* pieces) {
    const double start = emscripten_get_now();
    if (part.left < part.right && part.top < part.bottom) {
      if (shown_ != nullptr) ShowChanged(part, pieces);
      else ShowBands(part);
    }
    *showMs_ += emscripten_get_now() - start;
  }

  const unsigned char* Row(int y, int left) const {
    return cairo_image_surface_get_data(surface_) + static_cast<size_t>(y) * cairo_image_surface_get_stride(surface_) +
           static_cast<size_t>(left) * 4;
  }

  // One word of pixels (one or two) at `from` in RGBA over the kept ones at `kept`;
  // true when they changed.
  template <typename Word, Word (*ToRgba)(Word)>
  static bool ConvertWord(const unsigned char* from, unsigned char* kept) {
    Word p, was;
    std::memcpy(&p, from, sizeof p);
    std::memcpy(&was, kept, sizeof was);
    const Word q = ToRgba(p);
    if (q == was) return false;
    std::memcpy(kept, &q, sizeof q);
    return true;
  }

  // Row y from left to right in RGBA over what the canvas has, noting the tiles where
  // it changed.
  void ConvertRun(int y, int left, int right) {
    const unsigned char* row = Row(y, left);
    unsigned char* kept = reinterpret_cast<unsigned char*>(shown_.get() + static_cast<size_t>(y) * width_ + left);
    int x = 0;
    for (; x + 1 < right - left; x += 2)
      if (ConvertWord<uint64_t, Rgba2>(row + x * 4, kept + x * 4))
        changed_[(left + x) / kTile] = changed_[(left + x + 1) / kTile] = 1;
    if (x < right - left && ConvertWord<uint32_t, Rgba>(row + x * 4, kept + x * 4)) changed_[(left + x) / kTile] = 1;
  }

  // Tile row by tile row: the tiles of the part that were drawn on (all of them without
  // `pieces`) in RGBA over what the canvas has, noting the tiles where it changed; then
  // their runs as rectangles (one below the other of the same width merged), put from
  // the kept RGBA in one call.
  void ShowChanged(const RECT& part, const std::vector<RECT>* pieces) {
    const int columns = width_ / kTile + 1;
    if (pieces != nullptr) {
      for (const RECT& piece : *pieces)
        for (int row = piece.top / kTile; row <= (piece.bottom - 1) / kTile; ++row)
          std::fill(drawn_.begin() + row * columns + piece.left / kTile,
                    drawn_.begin() + row * columns + (piece.right - 1) / kTile + 1, 1);
    }
    rects_.clear();
    open_.clear();
    const int first = part.left / kTile, last = (part.right - 1) / kTile;
    for (int top = part.top; top < part.bottom;) {
      const int bottom = std::min<int>(part.bottom, (top / kTile + 1) * kTile);
      std::fill(changed_.begin() + first, changed_.begin() + last + 1, 0);
      unsigned char* drawn = drawn_.data() + static_cast<size_t>(top / kTile) * columns;
      for (int t = first; t <= last; ++t) {
        if (pieces != nullptr && drawn[t] == 0) continue;
        int end = t;
        while (end < last && (pieces == nullptr || drawn[end + 1] != 0)) ++end;
        const int left = std::max<int>(part.left, t * kTile), right = std::min<int>(part.right, (end + 1) * kTile);
        for (int y = top; y < bottom; ++y) ConvertRun(y, left, right);
        t = end;
      }
      if (pieces != nullptr) std::fill(drawn + first, drawn + last + 1, 0);
      // The rectangles that end at this tile row's top (open_) may grow down into it.
      below_.clear();
      for (int t = first; t <= last; ++t) {
        if (changed_[t] == 0) continue;
        int end = t;
        while (end < last && changed_[end + 1] != 0) ++end;
        const LONG left = std::max<LONG>(part.left, t * kTile), right = std::min<LONG>(part.right, (end + 1) * kTile);
        const auto above = std::find_if(open_.begin(), open_.end(), [&](size_t i) {
          return rects_[i].bottom == top && rects_[i].left == left && rects_[i].right == right;
        });
        if (above != open_.end()) {
          rects_[*above].bottom = bottom;
          below_.push_back(*above);
        } else {
          below_.push_back(rects_.size());
          rects_.push_back(RECT{left, top, right, bottom});
        }
        t = end;
      }
      open_.swap(below_);
      top = bottom;
    }
    if (!rects_.empty())
      page::ShowKept(reinterpret_cast<const uint8_t*>(shown_.get()), width_, height_, rects_);
  }

  void ShowBands(const RECT& part) {
    const int width = part.right - part.left;
    const int rows = std::max(1, kBandPixels / width);
    for (int top = part.top; top < part.bottom; top += rows) {
      const int bottom = std::min(part.bottom, top + rows);
      rgba_.resize(static_cast<size_t>(width) * static_cast<size_t>(bottom - top));
      unsigned char* out = reinterpret_cast<unsigned char*>(rgba_.data());
      for (int y = top; y < bottom; ++y) {
        const unsigned char* row = Row(y, part.left);
        int x = 0;
        for (; x + 1 < width; x += 2, out += 8) {
          uint64_t p;
          std::memcpy(&p, row + x * 4, sizeof p);
          const uint64_t q = Rgba2(p);
          std::memcpy(out, &q, sizeof q);
        }
        if (x < width) {
          uint32_t p;
          std::memcpy(&p, row + x * 4, sizeof p);
          const uint32_t q = Rgba(p);
          std::memcpy(out, &q, sizeof q);
          out += 4;
        }
      }
      page::Show(reinterpret_cast<const uint8_t*>(rgba_.data()), RECT{part.left, top, part.right, bottom}, width_,
                 height_);
    }
  }

  cairo_surface_t* surface_;
  int width_;
  int height_;
  double* showMs_;
  std::unique_ptr<uint32_t[]> shown_;  // the canvas's RGBA, when kept
  std::vector<unsigned char> changed_;  // of the tile row being shown: the tiles that changed
  std::vector<unsigned char> drawn_;    // the tiles drawn on, by tile row, while being shown
  std::vector<RECT> rects_;
  std::vector<size_t> open_, below_;  // rects_ that end at the last tile row's bottom, at this one's
  std::vector<uint32_t> rgba_;  // a band's RGBA
};

Backend::Backend(const Config& config) : config_(config) {}

Backend::~Backend() { image_.reset(); }

SIZE Backend::PageSize() const {
  if (config_.sizeGiven) return config_.size;
  const SIZE window = page::WindowSize();
  return {std::max<LONG>(window.cx / config_.scale, 1), std::max<LONG>(window.cy / config_.scale, 1)};
}

HWND Backend::MakeOuterWindow() {
  const SIZE size = PageSize();
  outer_ = core::NewOuterWindow("page", size.cx, size.cy);
  return outer_;
}

SIZE Backend::ScreenSize(HWND) { return outer_ != nullptr ? core::ClientSize(outer_) : PageSize(); }

core::Canvas* Backend::CanvasOf(HWND window) {
  if (window != program_) return nullptr;
  if (drawOn_ != nullptr) return drawOn_;
  return image_ != nullptr ? image_->Canvas() : nullptr;
}

// The program's window fills the outer window; its pixels are an image of the same size.
void Backend::WindowCreated(HWND window) {
  if (core::Parent(window) != outer_ || program_ != nullptr) {
    core::Unsupported("a second window, or one outside the page");
  }
  program_ = window;
  image_ = std::make_unique<cairo_canvas::WindowImage>(
      window, [this](int width, int height) { return std::make_unique<PageImage>(width, height, &showMs_); },
      config_.scale, config_.gather);
  Resize();
}

void Backend::WindowResized(HWND window) {
  if (window == program_) Resize();
}

// A window whose image cannot be made says so once (in the page's words) and shows
// nothing until it has a size whose image can be made.
void Backend::Resize() {
  std::string why;
  const bool blank = !image_->Resize(&why);
  if (blank && !blank_) {
    const SIZE size = core::ClientSize(program_);
    const bool tooLarge = std::max<int64_t>(size.cx, size.cy) * config_.scale > cairo_canvas::kImageSideMax;
    page::Message(std::string("Für das Fenster lässt sich kein Bild anlegen (") +
                      (tooLarge ? "breiter oder höher als " + std::to_string(cairo_canvas::kImageSideMax) + " Pixel"
                                : std::string("zu wenig Speicher")) +
                      "); bis es kleiner ist, wird nichts gezeichnet.",
                  true);
  }
  blank_ = blank;
}

void Backend::WindowDestroyed(HWND window) {
  if (window == program_) {
    image_.reset();
    program_ = nullptr;
  } else if (window == outer_) {
    outer_ = nullptr;
  }
}

uint64_t Backend::NowMs() { return static_cast<uint64_t>(emscripten_get_now()); }

void Backend::PointerShape(core::Pointer pointer) { page::PointerShape(PointerCss(pointer)); }

double Backend::TakeShowMs() {
  const double ms = showMs_;
  showMs_ = 0;
  return ms;
}

void Backend::ShowGathered() {
  if (image_ != nullptr) image_->ShowGathered();
}

void Backend::DrawOn(core::Canvas* canvas, const std::function<void()>& draw) {
  drawOn_ = canvas;
  draw();
  drawOn_ = nullptr;
}

// The page's events: the pointer and keys go to the program's window, the dialog's to
// the dialog, the page's own buttons to whoever runs the program.
void Backend::TakeEvents() {
  for (page::Event event = page::NextEvent(); event.kind != page::EventKind::None; event = page::NextEvent()) {
    switch (event.kind) {
      case page::EventKind::Button:
        if (pageButton_) pageButton_(event.name);
        break;
      case page::EventKind::Pointer: {
        if (program_ == nullptr) break;
        // In the program's pixels, as the 16-bit halves of the messages' lParam carry them.
        const auto at = [this](int v) { return static_cast<WORD>(std::clamp(v / config_.scale, -32768, 32767)); };
        const LPARAM where = MAKELPARAM(at(event.a), at(event.b));
        const UINT message = MouseMessage(event.name);
        if (message != WM_MOUSEMOVE) pointerDown_ = message == WM_LBUTTONDOWN;
        core::PostMessageToQueue(program_, message, pointerDown_ ? MK_LBUTTON : 0, where);
        break;
      }
      case page::EventKind::Key: {
        // A key held down: bit 30 of lParam, as Windows marks a repeat.
        const LPARAM keyData = 1 | (event.a != 0 ? LPARAM{1} << 30 : 0);
        const WPARAM key = VirtualKey(event.name);
        if (program_ != nullptr && key != 0) core::PostMessageToQueue(program_, WM_KEYDOWN, key, keyData);
        break;
      }
      case page::EventKind::Resized:
        // A window that gathers its pictures follows the page at once.
        if (config_.gather && !config_.sizeGiven && outer_ != nullptr) {
          const SIZE size = PageSize();
          core::ResizeWindow(outer_, size.cx, size.cy);
        }
        break;
      case page::EventKind::DialogClick:
      case page::EventKind::DialogScroll:
      case page::EventKind::DialogKey:
        TakeDialogEvent(event);
        break;
      case page::EventKind::None:
        break;
    }
  }
}

void Backend::Wait(int64_t timeoutMs) {
  if (config_.gather) ShowGathered();
  if (beforeWait_) beforeWait_();
  const bool due = page::Wait(static_cast<double>(timeoutMs));
  if (afterWait_) afterWait_();
  TakeEvents();
  // A timer came due: the window's size is taken before its tick draws.
  if (due && !config_.sizeGiven && outer_ != nullptr) {
    const SIZE size = PageSize();
    core::ResizeWindow(outer_, size.cx, size.cy);
  }
}

// ---- The dialog: drawn by the page from what the core tells of it.

bool Backend::DialogOpened(HWND dialog) {
  dialog_ = dialog;
  page::ShowDialog(DialogJson(dialog));
  return true;
}

void Backend::DialogChanged(HWND dialog) {
  if (dialog == dialog_) page::ShowDialog(DialogJson(dialog));
}

void Backend::DialogClosed(HWND dialog) {
  if (dialog != dialog_) return;
  dialog_ = nullptr;
  page::CloseDialog();
}

// What the dialog's user did, as the messages the dialog manager takes: a click on a
// control, the scroll bar's thumb dropped, a key.
void Backend::TakeDialogEvent(const page::Event& event) {
  if (dialog_ == nullptr) return;
  if (event.kind == page::EventKind::DialogKey) {
    const WPARAM key = VirtualKey(event.name);
    if (key != 0) core::PostMessageToQueue(dialog_, WM_KEYDOWN, key, 0);
    return;
  }
  for (const core::DialogControl& c : core::DescribeDialog(dialog_).controls) {
    if (c.id != event.a) continue;
    if (event.kind == page::EventKind::DialogClick) {
      core::PostMessageToQueue(c.window, BM_CLICK, 0, 0);
    } else if (c.type == core::DialogControl::Type::ScrollBar) {
      const WPARAM thumb = MAKEWPARAM(SB_THUMBPOSITION, static_cast<WORD>(static_cast<int16_t>(event.b)));
      core::PostMessageToQueue(dialog_, WM_HSCROLL, thumb, reinterpret_cast<LPARAM>(c.window));
    }
    return;
  }
}

}  // namespace web
