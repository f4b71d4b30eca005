#include "platform/web/backend.h"

#include <emscripten.h>

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "explorer/explorer.h"
#include "platform/core/hooks.h"
#include "driver/program.h"
#include "platform/web/page.h"
#include "settings/settings.h"
#include "shell/shell.h"

namespace web {

// The image in the program's memory; a part is shown by turning it into the RGBA rows
// a canvas takes and putting them there.
class Backend::PageImage final : public cairo_canvas::ImageMemory {
 public:
  static constexpr int kBandPixels = 1 << 20;

  PageImage(int width, int height, double* showMs)
      : surface_(cairo_image_surface_create(CAIRO_FORMAT_RGB24, width, height)),
        width_(width),
        height_(height),
        showMs_(showMs) {}
  ~PageImage() override { cairo_surface_destroy(surface_); }
  PageImage(const PageImage&) = delete;
  PageImage& operator=(const PageImage&) = delete;

  cairo_surface_t* Surface() const override { return surface_; }

  void Show(const RECT& part) override {
    const double start = emscripten_get_now();
    const int width = part.right - part.left;
    // In bands of at most kBandPixels, so that the RGBA copy stays small however large
    // the image is.
    const int rows = std::max(1, kBandPixels / std::max(width, 1));
    const unsigned char* data = cairo_image_surface_get_data(surface_);
    const size_t stride = static_cast<size_t>(cairo_image_surface_get_stride(surface_));
    for (int top = part.top; top < part.bottom; top += rows) {
      const int bottom = std::min(part.bottom, top + rows);
      rgba_.resize(static_cast<size_t>(width) * static_cast<size_t>(bottom - top));
      uint32_t* out = rgba_.data();
      for (int y = top; y < bottom; ++y) {
        // A pixel of Cairo's RGB24 is 0x00RRGGBB in a 32-bit word; the canvas takes the
        // bytes R, G, B, A: in a little-endian word (wasm's), 0xAABBGGRR. Two pixels at
        // a time in a 64-bit word, then the odd one.
        const unsigned char* row = data + static_cast<size_t>(y) * stride + static_cast<size_t>(part.left) * 4;
        int x = 0;
        for (; x + 1 < width; x += 2, out += 2) {
          uint64_t p;
          std::memcpy(&p, row + static_cast<size_t>(x) * 4, sizeof p);
          const uint64_t q = 0xFF000000FF000000u | ((p & 0x000000FF000000FFu) << 16) | (p & 0x0000FF000000FF00u) |
                             ((p >> 16) & 0x000000FF000000FFu);
          std::memcpy(out, &q, sizeof q);
        }
        for (; x < width; ++x) {
          uint32_t p;
          std::memcpy(&p, row + static_cast<size_t>(x) * 4, sizeof p);
          *out++ = 0xFF000000u | ((p & 0xFFu) << 16) | (p & 0xFF00u) | ((p >> 16) & 0xFFu);
        }
      }
      page::Show(reinterpret_cast<const uint8_t*>(rgba_.data()), RECT{part.left, top, part.right, bottom}, width_,
                 height_);
    }
    *showMs_ += emscripten_get_now() - start;
  }


 private:
  cairo_surface_t* surface_;
  int width_;
  int height_;
  double* showMs_;
  std::vector<uint32_t> rgba_;
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
