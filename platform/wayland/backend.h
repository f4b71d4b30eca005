// The Wayland backend: the program's windows shown on surfaces of a Wayland compositor.
// Each surface the program draws in (a window of its own, or one covering an output) is
// an outer window of the core that holds the program's window. The outer window has
// the surface's device pixels: its size in surface coordinates times the scale the
// compositor asks for (an output's whole scale through wl_surface.set_buffer_scale, a
// fractional one through wp_fractional_scale_v1 and wp_viewporter where offered), so the
// program draws at the size the screen shows, pixel for pixel. The program draws into
// the off-screen image of its window (platform/cairo/window_image.h); what it drew goes
// to the surface in one commit when it waits for the next message (shm_image.h).
//
// The seat's pointer and keyboard become the mouse and key messages of the program's
// window under them, in its device pixels (input.cpp). Between ticks the process
// sleeps in poll() on the compositor's connection, a descriptor that ends the message
// loop (the program's signals write to it), and the next timer or key repeat.
//
// The backend knows nothing of the program: the front end names its windows (Look),
// and decides what to do with surfaces that come and go.
#pragma once

#include <cairo.h>

#include <cstdint>
#include <functional>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "platform/cairo/window_image.h"
#include "platform/core/backend.h"

struct wl_display;
struct wl_registry;
struct wl_compositor;
struct wl_shm;
struct wl_output;
struct wl_surface;
struct wl_seat;
struct xdg_wm_base;
struct xdg_surface;
struct xdg_toplevel;
struct wp_viewporter;
struct wp_viewport;
struct wp_fractional_scale_manager_v1;
struct wp_fractional_scale_v1;
struct zwlr_layer_shell_v1;
struct zwlr_layer_surface_v1;

namespace wayland {

class Seat;
class ShmImage;

// What the desktop is told of a surface of ours: a window's title, and the name by
// which it finds the application (xdg_toplevel's app id; for a surface on the overlay
// layer, its namespace).
struct Look {
  std::string title;
  std::string appId;
};

class Backend final : public core::Backend {
 public:
  // Called once the connection is lost (the compositor ended, or closed it), with
  // the reason in a few words when it was a protocol error; it does not return.
  using Lost = void (*)(const std::string& why);

  // The backend on a new connection to the compositor $WAYLAND_DISPLAY names. Once
  // `quitFd` can be read, the message loop ends with 0 (-1: none). Its lines on stderr
  // begin with `program`. Null, with *error, when there is no compositor to connect to
  // (*error empty) or it lacks what every surface needs (wl_compositor and wl_shm).
  static std::unique_ptr<Backend> Connect(int quitFd, Lost lost, const std::string& program, std::string* error);
  ~Backend() override;
  Backend(const Backend&) = delete;
  Backend& operator=(const Backend&) = delete;

  // A window of our own (an xdg toplevel), full screen when asked, once the compositor
  // has given it a size: its outer window. Null, with *error, when the compositor has no
  // xdg_wm_base. The user's pointer and keys in it become its program's messages; its
  // close destroys the outer window.
  HWND AddWindow(const Look& look, bool fullscreen, std::string* error);

  // What becomes of the surfaces that cover the outputs.
  struct Covering {
    std::function<void(HWND outer)> added;    // a new one has its size: its outer window
    std::function<void(HWND outer)> removed;  // its output went: destroy its outer window
  };
  // Covers every output, those there now and those that come later, with a surface of
  // its own above everything else: on the overlay layer of zwlr_layer_shell_v1, taking
  // the keyboard, where the compositor offers it, else a full-screen toplevel on that
  // output. The pointer is hidden over them. Waits until the outputs there now have
  // their surfaces' sizes; false, with *error, when the compositor can show neither.
  bool CoverOutputs(const Look& look, Covering covering, std::string* error);
  // Whether the covering surfaces are on the layer shell's overlay layer.
  bool CoversOnOverlay() const { return layerShell_ != nullptr; }

  // The screen of the programs in `outer` is that window itself, not its output: a
  // picture of the window is then a picture of a screen of its size.
  void ScreenIsOuterWindow(HWND outer);
  // The pixels a program's window shows, or null.
  cairo_surface_t* ImageOf(HWND window) const;

  SIZE ScreenSize(HWND window) override;
  core::Canvas* CanvasOf(HWND window) override;
  void WindowCreated(HWND window) override;
  void WindowResized(HWND window) override;
  void WindowDestroyed(HWND window) override;
  void PointerShape(core::Pointer pointer) override;
  uint64_t NowMs() override;
  void Wait(int64_t timeoutMs) override;

  // What the listeners (backend.cpp, input.cpp) and the images (shm_image.cpp) share.
  struct Output;
  struct Surface;
  Surface* SurfaceOf(wl_surface* surface) const;
  // The program's window in the surface's outer window, or null.
  HWND ProgramOf(const Surface* surface) const;
  // The connection failed: says so through Lost.
  [[noreturn]] void ConnectionLost();

 private:
  Backend(wl_display* display, int quitFd, Lost lost, const std::string& program);
  struct Program {
    Surface* surface = nullptr;
    std::unique_ptr<cairo_canvas::WindowImage> image;  // says when it cannot be made
  };

  bool Roundtrip();
  void AddGlobal(wl_registry* registry, uint32_t name, const char* interface, uint32_t version);
  void RemoveGlobal(uint32_t name);
  void OutputDone(Output* output);
  void Cover(Output* output);
  void DropCover(Surface* surface);
  Surface* NewSurface();
  void DestroySurface(Surface* surface);
  void Configured(Surface* surface, int width, int height);
  void Rescale(Surface* surface, bool resized);
  Surface* SurfaceOfWindow(HWND window) const;
  static void HandleGlobal(void* data, wl_registry* registry, uint32_t name, const char* interface,
                           uint32_t version);
  static void HandleGlobalRemove(void* data, wl_registry* registry, uint32_t name);
  friend struct Listeners;
  friend class Seat;

  wl_display* display_;
  int quitFd_;
  Lost lost_;
  std::string program_;
  wl_registry* registry_ = nullptr;
  wl_compositor* compositor_ = nullptr;
  uint32_t compositorVersion_ = 0;
  wl_shm* shm_ = nullptr;
  xdg_wm_base* wmBase_ = nullptr;
  wp_viewporter* viewporter_ = nullptr;
  wp_fractional_scale_manager_v1* fractionalScales_ = nullptr;
  zwlr_layer_shell_v1* layerShell_ = nullptr;
  std::unique_ptr<Seat> seat_;
  std::vector<std::unique_ptr<Output>> outputs_;
  std::vector<std::unique_ptr<Surface>> surfaces_;
  std::map<HWND, Program> programs_;
  bool covering_ = false;
  Look coverLook_;
  Covering coverHandlers_;
};

}  // namespace wayland
