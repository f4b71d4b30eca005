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

#include "explorer/explorer.h"
#include "platform/core/hooks.h"
#include "driver/program.h"
#include "platform/web/page.h"
#include "settings/settings.h"
#include "shell/shell.h"

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
// RGBA as the page last got it: a part is turned into RGBA over it, and only the tiles
// of it where a pixel changed are put onto the canvas (a circle's part is its whole
// square, of which the circle changes a few tiles). A larger image is put in bands of at
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
    }
  }
  ~PageImage() override { cairo_surface_destroy(surface_); }
  PageImage(const PageImage&) = delete;
  PageImage& operator=(const PageImage&) = delete;

  cairo_surface_t* Surface() const override { return surface_; }

  void Show(const RECT& part) override {
    const double start = emscripten_get_now();
    if (part.left < part.right && part.top < part.bottom) {
      if (shown_ != nullptr) ShowChanged(part);
      else ShowBands(part);
    }
    *showMs_ += emscripten_get_now() - start;
  }

 private:
  const unsigned char* Row(int y, int left) const {
    return cairo_image_surface_get_data(surface_) + static_cast<size_t>(y) * cairo_image_surface_get_stride(surface_) +
           static_cast<size_t>(left) * 4;
  }

  // Tile row by tile row: the part's RGBA over what the canvas has, noting the tiles
  // where it changed; then their runs as rectangles (one below the other of the same
  // width merged), put from the kept RGBA in one call.
  void ShowChanged(const RECT& part) {
    rects_.clear();
    open_.clear();
    const int first = part.left / kTile, last = (part.right - 1) / kTile;
    for (int top = part.top; top < part.bottom;) {
      const int bottom = std::min<int>(part.bottom, (top / kTile + 1) * kTile);
      std::fill(changed_.begin() + first, changed_.begin() + last + 1, 0);
      for (int y = top; y < bottom; ++y) {
        const unsigned char* row = Row(y, part.left);
        unsigned char* kept = reinterpret_cast<unsigned char*>(shown_.get() + static_cast<size_t>(y) * width_ + part.left);
        int x = 0;
        for (; x + 1 < part.right - part.left; x += 2) {
          uint64_t p, was;
          std::memcpy(&p, row + x * 4, sizeof p);
          std::memcpy(&was, kept + x * 4, sizeof was);
          const uint64_t q = Rgba2(p);
          if (q != was) {
            std::memcpy(kept + x * 4, &q, sizeof q);
            changed_[(part.left + x) / kTile] = changed_[(part.left + x + 1) / kTile] = 1;
          }
        }
        if (x < part.right - part.left) {
          uint32_t p, was;
          std::memcpy(&p, row + x * 4, sizeof p);
          std::memcpy(&was, kept + x * 4, sizeof was);
          const uint32_t q = Rgba(p);
          if (q != was) {
            std::memcpy(kept + x * 4, &q, sizeof q);
            changed_[(part.left + x) / kTile] = 1;
          }
        }
      }
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
  std::vector<RECT> rects_;
  std::vector<size_t> open_, below_;  // rects_ that end at the last tile row's bottom, at this one's
  std::vector<uint32_t> rgba_;  // a band's RGBA
};

Backend::Backend(const dreieck::Options& options, bool exploring)
    : scale_(options.scale),
      sizeGiven_(options.Given("size")),
      size_{options.width, options.height},
      holdStep_(options.Given("step") || options.mode == dreieck::Mode::Picture ? options.step : -1),
      triangleGiven_(options.triangleGiven),
      exploring_(exploring) {
  std::copy(options.triangle, options.triangle + 6, triangle_);
}

Backend::~Backend() { image_.reset(); }

SIZE Backend::PageSize() const {
  if (sizeGiven_) return size_;
  const SIZE window = page::WindowSize();
  return {std::max<LONG>(window.cx / scale_, 1), std::max<LONG>(window.cy / scale_, 1)};
}

HWND Backend::MakeFrame() {
  const SIZE size = PageSize();
  frame_ = core::NewFrameWindow("page", size.cx, size.cy);
  return frame_;
}

SIZE Backend::ScreenSize(HWND) { return frame_ != nullptr ? core::ClientSize(frame_) : PageSize(); }

core::Canvas* Backend::CanvasOf(HWND window) {
  if (drawOn_ != nullptr && window == program_) return drawOn_;
  return window == program_ && image_ != nullptr ? image_->Canvas() : nullptr;
}

// The program's window fills the frame; its pixels are an image of the same size.
void Backend::WindowCreated(HWND window) {
  if (core::Parent(window) != frame_ || program_ != nullptr) {
    std::fprintf(stderr, "dreieck: a second window, or one outside the page, is not supported\n");
    std::abort();
  }
  program_ = window;
  image_ = std::make_unique<cairo_canvas::WindowImage>(
      window, [this](int width, int height) { return std::make_unique<PageImage>(width, height, &showMs_); },
      scale_, exploring_);
  Resize();
  if (exploring_) return page::Exploring(true);
  // The program has loaded its settings before it made its window.
  int flags[7];
  for (int i = 0; i < 7; ++i) flags[i] = gSettings.*kShowFlags[i].field;
  page::Started(flags, static_cast<int>(gSettings.background), gSettings.intervalMs,
                core::BrushColour(core::ClassBrush(window)));
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
    const bool tooLarge = std::max<int64_t>(size.cx, size.cy) * scale_ > 32767;
    page::Message(std::string("Für das Fenster lässt sich kein Bild anlegen (") +
                      (tooLarge ? "breiter oder höher als 32767 Pixel" : "zu wenig Speicher") +
                      "); bis es kleiner ist, wird nichts gezeichnet.",
                  true);
  }
  blank_ = blank;
}

void Backend::WindowDestroyed(HWND window) {
  if (window == program_) {
    if (exploring_) page::Exploring(false);
    image_.reset();
    program_ = nullptr;
  } else if (window == frame_) {
    frame_ = nullptr;
  }
}

uint64_t Backend::NowMs() { return static_cast<uint64_t>(emscripten_get_now()); }

void Backend::PointerShape(int cursor) { page::PointerShape(cursor); }

bool Backend::ExploreAsked(Point corners[3], bool* shown) const {
  std::copy(corners_, corners_ + 3, corners);
  *shown = cornersShown_;
  return exploreAsked_;
}

void Backend::DrawOn(core::Canvas* canvas, const std::function<void()>& draw) {
  drawOn_ = canvas;
  draw();
  drawOn_ = nullptr;
}

void Backend::ShowDrawn() {
  if (image_ != nullptr) image_->ShowGathered();
}

// The page's events: the settings panel's and the Explore button's end the cycle; the
// pointer and keys go to the explorer.
void Backend::TakeEvents() {
  for (page::Event event = page::NextEvent(); event.kind != page::EventKind::None; event = page::NextEvent()) {
    if (event.kind == page::EventKind::Settings && !exploring_) {
      restart_ = true;
    } else if (event.kind == page::EventKind::Explore && !exploring_ && !exploreAsked_) {
      // The triangle on the screen, unless the screen shows the caption or nothing yet.
      exploreAsked_ = true;
      cornersShown_ = ticks_ > 0 && gCycleStep != 0;
      corners_[0] = gTriangle.a;
      corners_[1] = gTriangle.b;
      corners_[2] = gTriangle.c;
    } else if (event.kind == page::EventKind::Pointer && exploring_ && program_ != nullptr) {
      // In the program's pixels, as the 16-bit halves of the messages' lParam carry them.
      const auto at = [this](int v) { return static_cast<WORD>(std::clamp(v / scale_, -32768, 32767)); };
      const LPARAM where = MAKELPARAM(at(event.a), at(event.b));
      const UINT message = event.c == page::kPointerPressed    ? WM_LBUTTONDOWN
                           : event.c == page::kPointerReleased ? WM_LBUTTONUP
                                                               : WM_MOUSEMOVE;
      if (message != WM_MOUSEMOVE) pointerDown_ = message == WM_LBUTTONDOWN;
      core::PostMessageToQueue(program_, message, pointerDown_ ? MK_LBUTTON : 0, where);
    } else if (event.kind == page::EventKind::Key && exploring_ && program_ != nullptr) {
      core::PostMessageToQueue(program_, WM_KEYDOWN, static_cast<WPARAM>(event.a), 1);
    } else if (event.kind == page::EventKind::Resized && exploring_ && !sizeGiven_ && frame_ != nullptr) {
      const SIZE size = PageSize();
      core::ResizeWindow(frame_, size.cx, size.cy);
    }
  }
}

// The explorer's wait: what its last picture drew goes onto the <canvas>, then the
// page has its thread until an event or the explorer's timer.
void Backend::ExploreWait(int64_t timeoutMs) {
  const double shownBefore = showMs_;
  ShowDrawn();
  if (drawStart_ >= 0 && showMs_ > shownBefore) page::Explored(emscripten_get_now() - drawStart_, showMs_ - shownBefore);
  page::Wait(static_cast<double>(timeoutMs));
  drawStart_ = emscripten_get_now();
  showMs_ = 0;
  TakeEvents();
}

void Backend::Wait(int64_t timeoutMs) {
  if (exploring_) return ExploreWait(timeoutMs);
  // The timer's tick has run since the last wait.
  if (ticking_) {
    ticking_ = false;
    Ticked(stepAtTick_);
  }
  if ((restart_ && (ticks_ == 0 || held_)) || exploreAsked_) return End();
  const bool due = page::Wait(held_ ? -1.0 : static_cast<double>(timeoutMs));
  TakeEvents();
  if (exploreAsked_) return End();
  // New settings wait for the cycle to end: the caption stays its whole interval, and
  // the tick of the next cycle's triangle is the new program's.
  if (restart_ && (ticks_ == 0 || held_ || (due && gCycleStep == 0))) return End();
  if (!due) return;
  tickStart_ = emscripten_get_now();
  showMs_ = 0;
  // The window's size is taken at the tick, before it draws.
  if (!sizeGiven_ && frame_ != nullptr) {
    const SIZE size = PageSize();
    core::ResizeWindow(frame_, size.cx, size.cy);
  }
  stepAtTick_ = gCycleStep;
  if (triangleGiven_ && gCycleStep == 0) {
    // This is the tick of the cycle's triangle, with the corners given; the timer's
    // period begins again from it.
    const Point corners[3] = {{triangle_[0], triangle_[1]}, {triangle_[2], triangle_[3]}, {triangle_[4], triangle_[5]}};
    explorer::FirstTick(corners);
    SetTimer(gMainWindow, gTimerId, core::TimerPeriod(gMainWindow, gTimerId), nullptr);
    Ticked(0);
    return;
  }
  ticking_ = true;
}

void Backend::Ticked(int started) {
  ++ticks_;
  // Held after the step asked for, as a picture of that step is.
  if (holdStep_ >= 0 && started <= holdStep_ && (gCycleStep > holdStep_ || gCycleStep == 0)) held_ = true;
  page::Ticked(started, gCycleStep, emscripten_get_now() - tickStart_, showMs_, held_);
}

// The program ends as its window's end ends it (its WM_DESTROY posts the quit).
void Backend::End() {
  settingsChanged_ = restart_;
  if (frame_ != nullptr) core::DestroyWindowTree(frame_);
}

}  // namespace web
