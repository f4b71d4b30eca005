#include "platform/web/backend.h"

#include <emscripten.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "platform/cairo/canvas.h"
#include "platform/core/backend.h"
#include "platform/web/page.h"

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
        // bytes R, G, B, A: in a little-endian word (wasm's), 0xAABBGGRR.
        const uint32_t* row = reinterpret_cast<const uint32_t*>(data + static_cast<size_t>(y) * stride) + part.left;
        for (int x = 0; x < width; ++x) {
          const uint32_t p = row[x];
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
    std::fprintf(stderr, "dreieck: a second window, or one outside the page, is not supported\n");
    std::abort();
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

// A window whose image cannot be made says so once and shows nothing until it has a
// size whose image can be made.
void Backend::Resize() {
  std::string why;
  const bool blank = !image_->Resize(&why);
  if (blank && !blank_) page::Message(why + "; nothing is drawn until the window is smaller", true);
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

void Backend::PointerShape(int cursor) { page::PointerShape(cursor); }

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
      case page::EventKind::Settings:
      case page::EventKind::Explore:
        if (pageEvent_) pageEvent_(event.kind);
        break;
      case page::EventKind::Pointer: {
        if (program_ == nullptr) break;
        // In the program's pixels, as the 16-bit halves of the messages' lParam carry them.
        const auto at = [this](int v) { return static_cast<WORD>(std::clamp(v / config_.scale, -32768, 32767)); };
        const LPARAM where = MAKELPARAM(at(event.a), at(event.b));
        const UINT message = event.c == page::kPointerPressed    ? WM_LBUTTONDOWN
                             : event.c == page::kPointerReleased ? WM_LBUTTONUP
                                                                 : WM_MOUSEMOVE;
        if (message != WM_MOUSEMOVE) pointerDown_ = message == WM_LBUTTONDOWN;
        core::PostMessageToQueue(program_, message, pointerDown_ ? MK_LBUTTON : 0, where);
        break;
      }
      case page::EventKind::Key:
        if (program_ != nullptr) core::PostMessageToQueue(program_, WM_KEYDOWN, static_cast<WPARAM>(event.a), 1);
        break;
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

namespace {

std::string JsonText(const std::string& windows1252) {
  const std::string utf8 = cairo_canvas::Utf8FromWindows1252(windows1252.data(), static_cast<int>(windows1252.size()));
  std::string out = "\"";
  for (const char c : utf8) {
    const unsigned char byte = static_cast<unsigned char>(c);
    if (c == '"' || c == '\\') {
      out += '\\';
      out += c;
    } else if (byte < 0x20) {
      char escaped[8];
      std::snprintf(escaped, sizeof escaped, "\\u%04x", byte);
      out += escaped;
    } else {
      out += c;
    }
  }
  return out + "\"";
}

const char* TypeName(core::DialogControl::Type type) {
  using Type = core::DialogControl::Type;
  switch (type) {
    case Type::PushButton: return "button";
    case Type::DefaultButton: return "default";
    case Type::CheckBox: return "check";
    case Type::Radio: return "radio";
    case Type::GroupBox: return "group";
    case Type::Text: return "text";
    case Type::TextRight: return "text-right";
    case Type::ScrollBar: return "scrollbar";
  }
  return "text";
}

std::string DialogJson(HWND dialog) {
  const core::DialogView view = core::DescribeDialog(dialog);
  std::string json = "{\"caption\":" + JsonText(view.caption) + ",\"cx\":" + std::to_string(view.cx) +
                     ",\"cy\":" + std::to_string(view.cy) + ",\"controls\":[";
  for (size_t i = 0; i < view.controls.size(); ++i) {
    const core::DialogControl& c = view.controls[i];
    json += std::string(i == 0 ? "" : ",") + "{\"type\":\"" + TypeName(c.type) + "\",\"id\":" + std::to_string(c.id) +
            ",\"text\":" + JsonText(c.text) + ",\"x\":" + std::to_string(c.x) + ",\"y\":" + std::to_string(c.y) +
            ",\"cx\":" + std::to_string(c.cx) + ",\"cy\":" + std::to_string(c.cy) +
            ",\"checked\":" + (c.checked ? "true" : "false") + ",\"min\":" + std::to_string(c.min) +
            ",\"max\":" + std::to_string(c.max) + ",\"pos\":" + std::to_string(c.pos) + "}";
  }
  return json + "]}";
}

}  // namespace

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
    core::PostMessageToQueue(dialog_, WM_KEYDOWN, static_cast<WPARAM>(event.a), 0);
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
