#include "platform/wayland/backend.h"

#include <poll.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <climits>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <string_view>

#include "platform/wayland/input.h"
#include "platform/wayland/shm_image.h"
#include "platform/wayland/surface.h"

namespace wayland {

// The listeners of the registry, the outputs and our surfaces: each hands its event to
// the backend or the surface it belongs to.
struct Listeners {
  static void Ping(void*, xdg_wm_base* base, uint32_t serial) { xdg_wm_base_pong(base, serial); }

  static void OutputGeometry(void* data, wl_output*, int32_t, int32_t, int32_t, int32_t, int32_t, const char*,
                             const char*, int32_t transform) {
    static_cast<Backend::Output*>(data)->pendingTransform = transform;
  }
  static void OutputMode(void* data, wl_output*, uint32_t flags, int32_t width, int32_t height, int32_t) {
    if ((flags & WL_OUTPUT_MODE_CURRENT) == 0) return;
    auto* output = static_cast<Backend::Output*>(data);
    output->pendingWidth = width;
    output->pendingHeight = height;
  }
  static void OutputDone(void* data, wl_output*) {
    auto* output = static_cast<Backend::Output*>(data);
    output->backend->OutputDone(output);
  }
  static void OutputScale(void* data, wl_output*, int32_t factor) {
    static_cast<Backend::Output*>(data)->pendingScale = std::max(1, factor);
  }
  static void OutputName(void* data, wl_output*, const char* name) { static_cast<Backend::Output*>(data)->name = name; }
  static void OutputDescription(void*, wl_output*, const char*) {}

  // The outputs a surface is shown on decide its whole scale.
  static void Enter(void* data, wl_surface*, wl_output* output) {
    auto* s = static_cast<Backend::Surface*>(data);
    for (const auto& o : s->backend->outputs_)
      if (o->output == output && std::find(s->entered.begin(), s->entered.end(), o.get()) == s->entered.end())
        s->entered.push_back(o.get());
    s->backend->Rescale(s, false);
  }
  static void Leave(void* data, wl_surface*, wl_output* output) {
    auto* s = static_cast<Backend::Surface*>(data);
    s->entered.erase(std::remove_if(s->entered.begin(), s->entered.end(),
                                    [output](const Backend::Output* o) { return o->output == output; }),
                     s->entered.end());
    s->backend->Rescale(s, false);
  }

  static void PreferredScale(void* data, wp_fractional_scale_v1*, uint32_t scale) {
    auto* s = static_cast<Backend::Surface*>(data);
    s->preferredScale = static_cast<int>(std::clamp<uint32_t>(scale, 1, 100 * kScaleUnit));
    s->backend->Rescale(s, false);
  }

  static void ToplevelConfigure(void* data, xdg_toplevel*, int32_t width, int32_t height, wl_array*) {
    auto* s = static_cast<Backend::Surface*>(data);
    s->proposedWidth = width;
    s->proposedHeight = height;
  }
  // The compositor's close (a window manager's close button or key): the window ends.
  static void ToplevelClose(void* data, xdg_toplevel*) {
    auto* s = static_cast<Backend::Surface*>(data);
    if (s->outer != nullptr) core::DestroyWindowTree(s->outer);
  }
  static void ToplevelBounds(void*, xdg_toplevel*, int32_t, int32_t) {}
  static void ToplevelCapabilities(void*, xdg_toplevel*, wl_array*) {}
  static void XdgConfigure(void* data, xdg_surface*, uint32_t serial) {
    auto* s = static_cast<Backend::Surface*>(data);
    s->ackSerial = serial;
    s->ackPending = true;
    s->backend->Configured(s, s->proposedWidth, s->proposedHeight);
  }

  static void LayerConfigure(void* data, zwlr_layer_surface_v1*, uint32_t serial, uint32_t width, uint32_t height) {
    auto* s = static_cast<Backend::Surface*>(data);
    s->ackSerial = serial;
    s->ackPending = true;
    s->backend->Configured(s, static_cast<int>(std::min<uint32_t>(width, INT32_MAX)),
                           static_cast<int>(std::min<uint32_t>(height, INT32_MAX)));
  }
  // The compositor took the layer surface away (its output is going).
  static void LayerClosed(void* data, zwlr_layer_surface_v1*) {
    auto* s = static_cast<Backend::Surface*>(data);
    s->backend->DropCover(s);
  }
};

namespace {

const xdg_wm_base_listener kWmBaseListener = {Listeners::Ping};
const wl_output_listener kOutputListener = {Listeners::OutputGeometry, Listeners::OutputMode,
                                            Listeners::OutputDone,     Listeners::OutputScale,
                                            Listeners::OutputName,     Listeners::OutputDescription};
const wl_surface_listener kSurfaceListener = {Listeners::Enter, Listeners::Leave};
const wp_fractional_scale_v1_listener kFractionalListener = {Listeners::PreferredScale};
const xdg_surface_listener kXdgSurfaceListener = {Listeners::XdgConfigure};
const xdg_toplevel_listener kToplevelListener = {Listeners::ToplevelConfigure, Listeners::ToplevelClose,
                                                 Listeners::ToplevelBounds, Listeners::ToplevelCapabilities};
const zwlr_layer_surface_v1_listener kLayerListener = {Listeners::LayerConfigure, Listeners::LayerClosed};

template <typename T>
T* Bind(wl_registry* registry, uint32_t name, const wl_interface* interface, uint32_t version) {
  return static_cast<T*>(wl_registry_bind(registry, name, interface, version));
}

// A window of our own without a size from the compositor: 800x600, at most the
// output's size in surface coordinates.
constexpr int kWindowWidth = 800, kWindowHeight = 600;

}  // namespace

void Backend::HandleGlobal(void* data, wl_registry* registry, uint32_t name, const char* interface,
                           uint32_t version) {
  static_cast<Backend*>(data)->AddGlobal(registry, name, interface, version);
}

void Backend::HandleGlobalRemove(void* data, wl_registry*, uint32_t name) {
  static_cast<Backend*>(data)->RemoveGlobal(name);
}

Backend::Backend(wl_display* display, int quitFd, Lost lost, const std::string& program)
    : display_(display), quitFd_(quitFd), lost_(lost), program_(program) {}

std::unique_ptr<Backend> Backend::Connect(int quitFd, Lost lost, const std::string& program, std::string* error) {
  wl_display* display = wl_display_connect(nullptr);
  if (display == nullptr) {
    *error = "";
    return nullptr;
  }
  std::unique_ptr<Backend> backend(new Backend(display, quitFd, lost, program));
  static const wl_registry_listener kRegistryListener = {HandleGlobal, HandleGlobalRemove};
  backend->registry_ = wl_display_get_registry(display);
  wl_registry_add_listener(backend->registry_, &kRegistryListener, backend.get());
  // The globals, then what the outputs and the seat say of themselves.
  if (!backend->Roundtrip() || !backend->Roundtrip()) backend->ConnectionLost();
  if (backend->compositor_ == nullptr || backend->shm_ == nullptr) {
    *error = backend->compositor_ == nullptr ? "offers no wl_compositor" : "offers no wl_shm";
    return nullptr;
  }
  return backend;
}

Backend::~Backend() {
  programs_.clear();
  while (!surfaces_.empty()) DestroySurface(surfaces_.back().get());
  seat_.reset();
  for (const auto& output : outputs_) {
    if (wl_output_get_version(output->output) >= WL_OUTPUT_RELEASE_SINCE_VERSION) wl_output_release(output->output);
    else wl_output_destroy(output->output);
  }
  if (layerShell_ != nullptr) zwlr_layer_shell_v1_destroy(layerShell_);
  if (fractionalScales_ != nullptr) wp_fractional_scale_manager_v1_destroy(fractionalScales_);
  if (viewporter_ != nullptr) wp_viewporter_destroy(viewporter_);
  if (wmBase_ != nullptr) xdg_wm_base_destroy(wmBase_);
  if (shm_ != nullptr) wl_shm_destroy(shm_);
  if (compositor_ != nullptr) wl_compositor_destroy(compositor_);
  wl_registry_destroy(registry_);
  wl_display_flush(display_);
  wl_display_disconnect(display_);
}

bool Backend::Roundtrip() { return wl_display_roundtrip(display_) >= 0; }

void Backend::AddGlobal(wl_registry* registry, uint32_t name, const char* interface, uint32_t version) {
  const std::string_view what = interface;
  if (what == wl_compositor_interface.name) {
    compositorVersion_ = std::min(version, 4u);
    compositor_ = Bind<wl_compositor>(registry, name, &wl_compositor_interface, compositorVersion_);
  } else if (what == wl_shm_interface.name) {
    shm_ = Bind<wl_shm>(registry, name, &wl_shm_interface, 1);
  } else if (what == xdg_wm_base_interface.name) {
    wmBase_ = Bind<xdg_wm_base>(registry, name, &xdg_wm_base_interface, std::min(version, 5u));
    xdg_wm_base_add_listener(wmBase_, &kWmBaseListener, this);
  } else if (what == wp_viewporter_interface.name) {
    viewporter_ = Bind<wp_viewporter>(registry, name, &wp_viewporter_interface, 1);
  } else if (what == wp_fractional_scale_manager_v1_interface.name) {
    fractionalScales_ =
        Bind<wp_fractional_scale_manager_v1>(registry, name, &wp_fractional_scale_manager_v1_interface, 1);
  } else if (what == zwlr_layer_shell_v1_interface.name) {
    layerShell_ = Bind<zwlr_layer_shell_v1>(registry, name, &zwlr_layer_shell_v1_interface, 1);
  } else if (what == wl_seat_interface.name && seat_ == nullptr) {
    // One seat: the pointer and keyboard of the person in front of the screen.
    seat_ = std::make_unique<Seat>(this, Bind<wl_seat>(registry, name, &wl_seat_interface, std::min(version, 5u)));
  } else if (what == wl_output_interface.name) {
    auto output = std::make_unique<Output>();
    output->backend = this;
    output->global = name;
    output->output = Bind<wl_output>(registry, name, &wl_output_interface, std::min(version, 4u));
    wl_output_add_listener(output->output, &kOutputListener, output.get());
    outputs_.push_back(std::move(output));
  }
}

// An output went: its cover goes with it, and no surface is on it any more.
void Backend::RemoveGlobal(uint32_t name) {
  auto it = std::find_if(outputs_.begin(), outputs_.end(), [name](const auto& o) { return o->global == name; });
  if (it == outputs_.end()) return;
  Output* output = it->get();
  if (output->cover != nullptr) DropCover(output->cover);
  for (const auto& s : surfaces_) {
    const auto on = std::find(s->entered.begin(), s->entered.end(), output);
    if (on != s->entered.end()) s->entered.erase(on);
  }
  if (wl_output_get_version(output->output) >= WL_OUTPUT_RELEASE_SINCE_VERSION) wl_output_release(output->output);
  else wl_output_destroy(output->output);
  outputs_.erase(it);
  for (const auto& s : surfaces_) Rescale(s.get(), false);
}

// What the output said since its last done holds now: the surfaces on it take its
// scale, and while we cover the outputs a new one is covered.
void Backend::OutputDone(Output* output) {
  output->width = output->pendingWidth;
  output->height = output->pendingHeight;
  output->transform = output->pendingTransform;
  output->scale = output->pendingScale;
  output->done = true;
  for (const auto& s : surfaces_) Rescale(s.get(), false);
  if (covering_ && output->cover == nullptr) Cover(output);
}

Backend::Surface* Backend::NewSurface() {
  auto made = std::make_unique<Surface>();
  Surface* s = made.get();
  s->backend = this;
  s->surface = wl_compositor_create_surface(compositor_);
  wl_surface_add_listener(s->surface, &kSurfaceListener, s);
  // Fractional scales need a viewport to show a buffer of the surface's size times one.
  if (fractionalScales_ != nullptr && viewporter_ != nullptr) {
    s->viewport = wp_viewporter_get_viewport(viewporter_, s->surface);
    s->fractional = wp_fractional_scale_manager_v1_get_fractional_scale(fractionalScales_, s->surface);
    wp_fractional_scale_v1_add_listener(s->fractional, &kFractionalListener, s);
  }
  surfaces_.push_back(std::move(made));
  return s;
}

void Backend::DestroySurface(Surface* s) {
  if (seat_ != nullptr) seat_->Forget(s->surface);
  if (s->covers != nullptr) s->covers->cover = nullptr;
  if (s->fractional != nullptr) wp_fractional_scale_v1_destroy(s->fractional);
  if (s->viewport != nullptr) wp_viewport_destroy(s->viewport);
  if (s->layer != nullptr) zwlr_layer_surface_v1_destroy(s->layer);
  if (s->toplevel != nullptr) xdg_toplevel_destroy(s->toplevel);
  if (s->xdg != nullptr) xdg_surface_destroy(s->xdg);
  wl_surface_destroy(s->surface);
  surfaces_.erase(std::find_if(surfaces_.begin(), surfaces_.end(), [s](const auto& m) { return m.get() == s; }));
}

namespace {

void MakeToplevel(xdg_wm_base* base, Backend::Surface* s, const Look& look) {
  s->xdg = xdg_wm_base_get_xdg_surface(base, s->surface);
  xdg_surface_add_listener(s->xdg, &kXdgSurfaceListener, s);
  s->toplevel = xdg_surface_get_toplevel(s->xdg);
  xdg_toplevel_add_listener(s->toplevel, &kToplevelListener, s);
  xdg_toplevel_set_title(s->toplevel, look.title.c_str());
  xdg_toplevel_set_app_id(s->toplevel, look.appId.c_str());
}

}  // namespace

HWND Backend::AddWindow(const Look& look, bool fullscreen, std::string* error) {
  if (wmBase_ == nullptr) {
    *error = "offers no xdg_wm_base, which windows need";
    return nullptr;
  }
  Surface* s = NewSurface();
  s->fullscreen = fullscreen;
  MakeToplevel(wmBase_, s, look);
  if (fullscreen) xdg_toplevel_set_fullscreen(s->toplevel, nullptr);
  wl_surface_commit(s->surface);
  while (!s->configured)
    if (!Roundtrip()) ConnectionLost();
  return s->outer;
}

bool Backend::CoverOutputs(const Look& look, Covering covering, std::string* error) {
  if (layerShell_ == nullptr && wmBase_ == nullptr) {
    *error = "offers neither zwlr_layer_shell_v1 nor xdg_wm_base";
    return false;
  }
  covering_ = true;
  coverLook_ = look;
  coverHandlers_ = std::move(covering);
  for (const auto& output : outputs_)
    if (output->done) Cover(output.get());
  // Until every cover there is now has its size (or went with its output).
  for (;;) {
    const bool waiting = std::any_of(surfaces_.begin(), surfaces_.end(),
                                     [](const auto& s) { return s->covers != nullptr && !s->configured; });
    if (!waiting) return true;
    if (!Roundtrip()) ConnectionLost();
  }
}

// The output's own surface: on the overlay layer, over panels and windows, with the
// keyboard; or a toplevel the compositor shows full screen on it.
void Backend::Cover(Output* output) {
  Surface* s = NewSurface();
  s->covers = output;
  s->hidePointer = true;
  s->scale = output->scale * kScaleUnit;
  output->cover = s;
  if (layerShell_ != nullptr) {
    s->layer = zwlr_layer_shell_v1_get_layer_surface(layerShell_, s->surface, output->output,
                                                     ZWLR_LAYER_SHELL_V1_LAYER_OVERLAY, coverLook_.appId.c_str());
    zwlr_layer_surface_v1_add_listener(s->layer, &kLayerListener, s);
    zwlr_layer_surface_v1_set_size(s->layer, 0, 0);
    zwlr_layer_surface_v1_set_anchor(s->layer, ZWLR_LAYER_SURFACE_V1_ANCHOR_TOP | ZWLR_LAYER_SURFACE_V1_ANCHOR_BOTTOM |
                                                   ZWLR_LAYER_SURFACE_V1_ANCHOR_LEFT |
                                                   ZWLR_LAYER_SURFACE_V1_ANCHOR_RIGHT);
    zwlr_layer_surface_v1_set_exclusive_zone(s->layer, -1);
    zwlr_layer_surface_v1_set_keyboard_interactivity(s->layer, 1);
  } else {
    s->fullscreen = true;
    MakeToplevel(wmBase_, s, coverLook_);
    xdg_toplevel_set_fullscreen(s->toplevel, output->output);
  }
  wl_surface_commit(s->surface);
}

// A cover whose output went: its outer window is the front end's to destroy; one that
// had none yet goes at once.
void Backend::DropCover(Surface* s) {
  if (s->outer != nullptr && coverHandlers_.removed) coverHandlers_.removed(s->outer);
  else if (s->outer != nullptr) core::DestroyWindowTree(s->outer);
  else DestroySurface(s);
}

// The compositor's size for the surface, in surface coordinates; 0 leaves it to us.
void Backend::Configured(Surface* s, int width, int height) {
  if (width <= 0 || height <= 0) {
    if (s->width > 0 && s->height > 0) {
      width = s->width;
      height = s->height;
    } else {
      const Output* o = s->covers != nullptr      ? s->covers
                        : !s->entered.empty()     ? s->entered.front()
                        : outputs_.size() == 1    ? outputs_.front().get()
                                                  : nullptr;
      const SIZE screen = o != nullptr && o->done ? o->Device() : SIZE{0, 0};
      // The output's size in surface coordinates: its pixels at the fractional scale
      // the surface is offered, else at the output's whole scale.
      const int64_t unit = s->preferredScale > 0 ? s->preferredScale : int64_t{o != nullptr ? o->scale : 1} * kScaleUnit;
      const auto logical = [unit](LONG device) { return static_cast<int>((device * kScaleUnit + unit / 2) / unit); };
      width = screen.cx > 0 ? std::min(kWindowWidth, logical(screen.cx)) : kWindowWidth;
      height = screen.cy > 0 ? std::min(kWindowHeight, logical(screen.cy)) : kWindowHeight;
    }
  }
  const bool changed = width != s->width || height != s->height;
  s->width = width;
  s->height = height;
  s->configured = true;
  if (s->outer == nullptr) {
    Rescale(s, false);
    const SIZE device = s->Device();
    s->outer = core::NewOuterWindow("wayland", device.cx, device.cy);
    if (s->covers != nullptr && coverHandlers_.added) coverHandlers_.added(s->outer);
  } else {
    Rescale(s, changed);
  }
  // A configure no new picture answered is taken all the same.
  if (s->ackPending) {
    s->Acknowledge();
    wl_surface_commit(s->surface);
  }
}

// The scale the surface is shown at: the fractional one the compositor prefers, else
// the whole scale of the output it covers or is shown on (the largest of them), else,
// before it is shown anywhere, that of the only output. A new size in device pixels
// resizes the outer window, whose image is then shown whole at the new scale; a new
// scale or size in surface coordinates alone shows the image again at once.
void Backend::Rescale(Surface* s, bool resized) {
  int scale = 1;
  if (s->fractional != nullptr && s->preferredScale > 0) {
    scale = s->preferredScale;
  } else {
    if (s->covers != nullptr) scale = s->covers->scale;
    else if (!s->entered.empty())
      for (const Output* o : s->entered) scale = std::max(scale, o->scale);
    else if (outputs_.size() == 1)
      scale = outputs_.front()->scale;
    scale *= kScaleUnit;
  }
  const bool rescaled = scale != s->scale;
  s->scale = scale;
  if (s->outer == nullptr) return;
  const SIZE device = s->Device();
  const SIZE now = core::ClientSize(s->outer);
  if (device.cx != now.cx || device.cy != now.cy) {
    core::ResizeWindow(s->outer, device.cx, device.cy);
  } else if (rescaled || resized) {
    for (auto& [window, program] : programs_)
      if (program.surface == s) program.image->Show({0, 0, device.cx, device.cy});
  }
}

void Backend::Surface::Acknowledge() {
  if (!ackPending) return;
  ackPending = false;
  if (layer != nullptr) zwlr_layer_surface_v1_ack_configure(layer, ackSerial);
  else if (xdg != nullptr) xdg_surface_ack_configure(xdg, ackSerial);
}

void Backend::Surface::Present(wl_buffer* buffer, const std::vector<RECT>& damage) {
  Acknowledge();
  if (viewport != nullptr) wp_viewport_set_destination(viewport, width, height);
  else if (backend->compositorVersion_ >= WL_SURFACE_SET_BUFFER_SCALE_SINCE_VERSION)
    wl_surface_set_buffer_scale(surface, scale / kScaleUnit);
  wl_surface_attach(surface, buffer, 0, 0);
  if (backend->compositorVersion_ >= WL_SURFACE_DAMAGE_BUFFER_SINCE_VERSION) {
    for (const RECT& r : damage) wl_surface_damage_buffer(surface, r.left, r.top, r.right - r.left, r.bottom - r.top);
  } else {
    wl_surface_damage(surface, 0, 0, INT32_MAX, INT32_MAX);
  }
  wl_surface_commit(surface);
}

void Backend::ScreenIsOuterWindow(HWND outer) {
  if (Surface* s = SurfaceOfWindow(outer)) s->screenIsOuter = true;
}

cairo_surface_t* Backend::ImageOf(HWND window) const {
  auto it = programs_.find(window);
  return it != programs_.end() ? it->second.image->Surface() : nullptr;
}

Backend::Surface* Backend::SurfaceOf(wl_surface* surface) const {
  if (surface == nullptr) return nullptr;
  for (const auto& s : surfaces_)
    if (s->surface == surface) return s.get();
  return nullptr;
}

Backend::Surface* Backend::SurfaceOfWindow(HWND window) const {
  for (const auto& s : surfaces_)
    if (s->outer == window && window != nullptr) return s.get();
  auto it = programs_.find(window);
  return it != programs_.end() ? it->second.surface : nullptr;
}

HWND Backend::ProgramOf(const Surface* s) const {
  if (s == nullptr || s->outer == nullptr) return nullptr;
  const std::vector<HWND> children = core::Children(s->outer);
  return children.empty() ? nullptr : children.front();
}

// The output the window is on (the one it covers, the first it is shown on, or the only
// one); the window itself before it is shown on one of several, or when it stands for
// its screen.
SIZE Backend::ScreenSize(HWND window) {
  const Surface* s = SurfaceOfWindow(window);
  const Output* o = nullptr;
  if (s == nullptr || !s->screenIsOuter) {
    o = s != nullptr && s->covers != nullptr ? s->covers
        : s != nullptr && !s->entered.empty() ? s->entered.front()
        : !outputs_.empty() && (s == nullptr || outputs_.size() == 1) ? outputs_.front().get()
                                                                    : nullptr;
  }
  if (o != nullptr && o->done && o->width > 0 && o->height > 0) return o->Device();
  return core::ClientSize(s != nullptr ? s->outer : nullptr);
}

core::Canvas* Backend::CanvasOf(HWND window) {
  auto it = programs_.find(window);
  return it != programs_.end() ? it->second.image->Canvas() : nullptr;
}

// The program's window fills its outer window; its pixels are an image of the same
// size, gathered until the program waits.
void Backend::WindowCreated(HWND window) {
  Surface* s = nullptr;
  for (const auto& m : surfaces_)
    if (m->outer == core::Parent(window) && m->outer != nullptr) s = m.get();
  if (s == nullptr) {
    std::fprintf(stderr, "%s: a window outside the surface it belongs in is not supported\n", program_.c_str());
    std::abort();
  }
  Program& program = programs_[window];
  program.surface = s;
  wl_shm* shm = shm_;
  program.image = std::make_unique<cairo_canvas::WindowImage>(
      window, [shm, s](int width, int height) { return std::make_unique<ShmImage>(shm, s, width, height); }, 1, true);
  program.image->ResizeSaying(program_);
}

void Backend::WindowResized(HWND window) {
  auto it = programs_.find(window);
  if (it != programs_.end()) it->second.image->ResizeSaying(program_);
}

void Backend::WindowDestroyed(HWND window) {
  if (programs_.erase(window) > 0) return;
  for (const auto& s : surfaces_) {
    if (s->outer == window) {
      DestroySurface(s.get());
      wl_display_flush(display_);
      return;
    }
  }
}

void Backend::PointerShape(core::Pointer pointer) {
  if (seat_ != nullptr) seat_->SetShape(pointer);
}

uint64_t Backend::NowMs() {
  timespec now;
  clock_gettime(CLOCK_MONOTONIC, &now);
  return static_cast<uint64_t>(now.tv_sec) * 1000u + static_cast<uint64_t>(now.tv_nsec / 1000000);
}

void Backend::Wait(int64_t timeoutMs) {
  for (auto& [window, program] : programs_) program.image->ShowGathered();
  if (seat_ != nullptr && seat_->RepeatDue() != 0) {
    const uint64_t due = seat_->RepeatDue(), now = NowMs();
    const int64_t left = due > now ? static_cast<int64_t>(due - now) : 0;
    timeoutMs = timeoutMs < 0 ? left : std::min(timeoutMs, left);
  }
  // Events read already are handled first; they may have posted messages.
  int handled = 0;
  while (wl_display_prepare_read(display_) != 0) {
    const int n = wl_display_dispatch_pending(display_);
    if (n < 0) ConnectionLost();
    handled += n;
  }
  if (wl_display_flush(display_) < 0 && errno != EAGAIN) {
    wl_display_cancel_read(display_);
    ConnectionLost();
  }
  if (handled > 0) {
    wl_display_cancel_read(display_);
    return;
  }
  pollfd fds[2] = {{wl_display_get_fd(display_), POLLIN, 0}, {quitFd_, POLLIN, 0}};
  // A timer due within the millisecond is waited for whole.
  poll(fds, quitFd_ >= 0 ? 2 : 1, timeoutMs < 0 ? -1 : static_cast<int>(std::min<int64_t>(timeoutMs, 1 << 30)));
  if ((fds[0].revents & (POLLIN | POLLERR | POLLHUP)) != 0) {
    if (wl_display_read_events(display_) < 0) ConnectionLost();
  } else {
    wl_display_cancel_read(display_);
  }
  char bytes[16];
  if (quitFd_ >= 0 && read(quitFd_, bytes, sizeof bytes) > 0) {
    core::PostQuit(0);
    return;
  }
  if (wl_display_dispatch_pending(display_) < 0) ConnectionLost();
  if (seat_ != nullptr) seat_->Repeat(NowMs());
  wl_display_flush(display_);
}

void Backend::ConnectionLost() {
  std::string why;
  if (wl_display_get_error(display_) == EPROTO) {
    const wl_interface* interface = nullptr;
    uint32_t id;
    const uint32_t code = wl_display_get_protocol_error(display_, &interface, &id);
    why = "protocol error " + std::to_string(code) + " of " + (interface != nullptr ? interface->name : "?") + "@" +
          std::to_string(id);
  }
  lost_(why);
  std::abort();
}

}  // namespace wayland
