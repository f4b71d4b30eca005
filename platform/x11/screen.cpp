// The X11 backend: the program draws into an off-screen image with the Cairo canvas,
// and what it drew is copied into the X window when a device context is released and
// whenever the window is exposed, so a covered window shows its picture again. The
// pixels on the screen are the very pixels a picture of the same moment holds. The
// image lives in memory it shares with a local X server (MIT-SHM), so showing it
// copies nothing through the connection; elsewhere XPutImage sends it.
//
// The X window is a frame window of the core that holds the program's preview window:
// a window of our own (resizable, or covering the screen), the root window, or a
// window we are given (XScreenSaver's). Between ticks the process sleeps in poll() on
// the X connection, a pipe that signals write to, and the next timer.
#include "platform/x11/screen.h"

#include <X11/Xatom.h>
#include <X11/Xlib.h>
#include <X11/Xutil.h>
#include <X11/extensions/XShm.h>
#include <X11/extensions/Xrandr.h>
#include <X11/keysym.h>
#include <cairo.h>
#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <sys/ipc.h>
#include <sys/shm.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <map>
#include <memory>
#include <string>

#include "platform/cairo/canvas.h"
#include "platform/core/backend.h"
#include "platform/core/hooks.h"
#include "platform/linux/program.h"
#include "shell/shell.h"

namespace dreieck {

namespace {

int signalPipe[2] = {-1, -1};

void OnSignal(int) {
  const int saved = errno;
  const char byte = 1;
  ssize_t ignored = write(signalPipe[1], &byte, 1);
  (void)ignored;
  errno = saved;
}

// X errors are expected only when a window we were given disappears under us; they
// are noted, never printed, and the window's end follows from its DestroyNotify.
int errorCount = 0;
unsigned long lastBadWindow = 0;
int OnXError(Display*, XErrorEvent* error) {
  ++errorCount;
  if (error->error_code == BadWindow || error->error_code == BadDrawable) lastBadWindow = error->resourceid;
  return 0;
}

// The connection to the X server is gone: the screen is gone, and with it the reason
// to run. Leave quietly.
int OnXIOError(Display*) { _exit(0); }

class X11Backend;

// The pixels of the program's window: a Cairo image whose memory the X server shares
// when it can. Show() hands a part of it to a window without waiting for the server to
// have taken it: should the next tick's drawing begin before the server has read the
// pixels (ticks are half a second apart at the least), the window would show some of
// that drawing a moment early, and the Show() that ends the drawing puts all of it
// there anyway. Waiting instead would cost a wake-up every tick.
class Pixels {
 public:
  Pixels(Display* display, int depth, int width, int height) : display_(display) {
    const int stride = cairo_format_stride_for_width(CAIRO_FORMAT_RGB24, width);
    image_.width = width;
    image_.height = height;
    image_.format = ZPixmap;
    const uint16_t one = 1;
    image_.byte_order = *reinterpret_cast<const unsigned char*>(&one) == 1 ? LSBFirst : MSBFirst;
    image_.bitmap_unit = 32;
    image_.bitmap_bit_order = image_.byte_order;
    image_.bitmap_pad = 32;
    image_.depth = depth;
    image_.bytes_per_line = stride;
    image_.bits_per_pixel = 32;
    image_.red_mask = 0xFF0000;
    image_.green_mask = 0xFF00;
    image_.blue_mask = 0xFF;
    if (Shareable(display)) {
      // The segment is marked for removal at once: it goes when both sides let go,
      // however the process ends.
      shm_.shmid = shmget(IPC_PRIVATE, static_cast<size_t>(stride) * static_cast<size_t>(height), IPC_CREAT | 0600);
      if (shm_.shmid >= 0) {
        shm_.shmaddr = static_cast<char*>(shmat(shm_.shmid, nullptr, 0));
        shm_.readOnly = True;
        errorCount = 0;
        if (shm_.shmaddr != reinterpret_cast<char*>(-1) && XShmAttach(display, &shm_)) {
          XSync(display, False);
          shared_ = errorCount == 0;
        }
        shmctl(shm_.shmid, IPC_RMID, nullptr);
        if (!shared_ && shm_.shmaddr != reinterpret_cast<char*>(-1)) shmdt(shm_.shmaddr);
      }
    }
    if (shared_) {
      image_.data = shm_.shmaddr;
      image_.obdata = reinterpret_cast<char*>(&shm_);
      surface_ = cairo_image_surface_create_for_data(reinterpret_cast<unsigned char*>(shm_.shmaddr),
                                                     CAIRO_FORMAT_RGB24, width, height, stride);
    } else {
      surface_ = cairo_image_surface_create(CAIRO_FORMAT_RGB24, width, height);
      image_.data = reinterpret_cast<char*>(cairo_image_surface_get_data(surface_));
      image_.bytes_per_line = cairo_image_surface_get_stride(surface_);
    }
    XInitImage(&image_);
  }
  ~Pixels() {
    cairo_surface_destroy(surface_);
    if (shared_) {
      XShmDetach(display_, &shm_);
      XSync(display_, False);
      shmdt(shm_.shmaddr);
    }
  }
  Pixels(const Pixels&) = delete;
  Pixels& operator=(const Pixels&) = delete;

  cairo_surface_t* Surface() const { return surface_; }

  void Show(Window window, GC gc, RECT r) {
    cairo_surface_flush(surface_);
    r = {std::max<LONG>(r.left, 0), std::max<LONG>(r.top, 0), std::min<LONG>(r.right, image_.width),
         std::min<LONG>(r.bottom, image_.height)};
    if (r.left >= r.right || r.top >= r.bottom) return;
    const unsigned w = static_cast<unsigned>(r.right - r.left), h = static_cast<unsigned>(r.bottom - r.top);
    if (shared_) {
      XShmPutImage(display_, window, gc, &image_, r.left, r.top, r.left, r.top, w, h, False);
    } else {
      XPutImage(display_, window, gc, &image_, r.left, r.top, r.left, r.top, w, h);
    }
  }

 private:
  // Shared memory works only with a server on this machine that offers it.
  static bool Shareable(Display* display) {
    const char* name = DisplayString(display);
    return XShmQueryExtension(display) && name != nullptr && name[0] == ':';
  }

  Display* display_;
  XImage image_ = {};
  XShmSegmentInfo shm_ = {};
  bool shared_ = false;
  cairo_surface_t* surface_ = nullptr;
};

// The canvas of the program's window: a Cairo image whose new pixels go to the X
// window whenever a device context on it is released.
class WindowCanvas final : public cairo_canvas::Canvas {
 public:
  WindowCanvas(X11Backend* backend, HWND window, cairo_surface_t* image, int width, int height)
      : cairo_canvas::Canvas(image, width, height), backend_(backend), window_(window) {}
  void Flush() override;

 private:
  X11Backend* backend_;
  HWND window_;
};

class X11Backend final : public core::Backend {
 public:
  explicit X11Backend(Display* display) : display_(display) {}
  ~X11Backend() override {
    for (auto& [hwnd, program] : programs_) {
      program.canvas.reset();
      program.pixels.reset();
    }
    for (auto& [hwnd, target] : targets_) XFreeGC(display_, target.gc);
  }

  // A frame window for an X window: `own` ones take the user's buttons and keys.
  HWND AddTarget(Window window, bool own, std::string* error) {
    XWindowAttributes attributes;
    errorCount = 0;
    if (!XGetWindowAttributes(display_, window, &attributes) || errorCount != 0) {
      char text[96];
      std::snprintf(text, sizeof text, "no window 0x%lx on the display %s", window, DisplayString(display_));
      *error = text;
      return nullptr;
    }
    long events = ExposureMask | StructureNotifyMask;
    if (own) events |= ButtonPressMask | KeyPressMask;
    XSelectInput(display_, window, events);
    XSync(display_, False);
    if (errorCount != 0) {
      *error = "the window disappeared";
      return nullptr;
    }
    // The image's pixels go to the window as they are: 32 bits a pixel, red, green and
    // blue in eight bits each, which is what a window of 24 or 32 bits takes.
    const Visual* v = attributes.visual;
    if ((attributes.depth != 24 && attributes.depth != 32) || v->red_mask != 0xFF0000 || v->green_mask != 0xFF00 ||
        v->blue_mask != 0xFF) {
      char text[128];
      std::snprintf(text, sizeof text, "window 0x%lx has %d-bit colour; 24-bit colour is needed", window,
                    attributes.depth);
      *error = text;
      return nullptr;
    }
    HWND hwnd = core::NewFrameWindow("xwindow", attributes.width, attributes.height);
    Target& target = targets_[hwnd];
    target.window = window;
    target.own = own;
    target.screen = attributes.screen;
    target.depth = attributes.depth;
    target.gc = XCreateGC(display_, window, 0, nullptr);
    FindMonitor(&target, attributes.width, attributes.height);
    return hwnd;
  }

  SIZE ScreenSize(HWND window) override {
    if (const Target* target = TargetOf(window)) return target->monitor;
    return {DisplayWidth(display_, DefaultScreen(display_)), DisplayHeight(display_, DefaultScreen(display_))};
  }

  core::Canvas* CanvasOf(HWND window) override {
    auto it = programs_.find(window);
    return it != programs_.end() ? it->second.canvas.get() : nullptr;
  }

  // The program's window fills its frame; its pixels are an image of the same size.
  void WindowCreated(HWND window) override {
    const HWND parent = core::Parent(window);
    if (targets_.count(parent) == 0) {
      std::fprintf(stderr, "dreieck: a window outside the X window it belongs in is not supported\n");
      std::abort();
    }
    Program& program = programs_[window];
    program.frame = parent;
    MakeImage(window, &program);
  }

  void WindowResized(HWND window) override {
    auto it = programs_.find(window);
    if (it != programs_.end()) MakeImage(window, &it->second);
  }

  void WindowDestroyed(HWND window) override {
    auto p = programs_.find(window);
    if (p != programs_.end()) {
      programs_.erase(p);
      return;
    }
    auto h = targets_.find(window);
    if (h == targets_.end()) return;
    XFreeGC(display_, h->second.gc);
    if (h->second.own && !h->second.gone) XDestroyWindow(display_, h->second.window);
    targets_.erase(h);
  }

  uint64_t NowMs() override {
    timespec now;
    clock_gettime(CLOCK_MONOTONIC, &now);
    return static_cast<uint64_t>(now.tv_sec) * 1000u + static_cast<uint64_t>(now.tv_nsec / 1000000);
  }

  void Wait(int64_t timeoutMs) override {
    XFlush(display_);
    if (XPending(display_) == 0) {
      pollfd fds[2] = {{ConnectionNumber(display_), POLLIN, 0}, {signalPipe[0], POLLIN, 0}};
      // A timer due within the millisecond is waited for whole.
      poll(fds, 2, timeoutMs < 0 ? -1 : static_cast<int>(std::min<int64_t>(timeoutMs, 1 << 30)));
    }
    char bytes[16];
    if (read(signalPipe[0], bytes, sizeof bytes) > 0) {
      core::PostQuit(0);
      return;
    }
    while (XPending(display_) > 0) {
      XEvent event;
      XNextEvent(display_, &event);
      Handle(event);
    }
    // A window we were given is gone without its DestroyNotify reaching us.
    for (auto& [hwnd, target] : targets_) {
      if (lastBadWindow != 0 && lastBadWindow == target.window && !target.gone) {
        target.gone = true;
        lastBadWindow = 0;
        core::DestroyWindowTree(hwnd);
        break;
      }
    }
  }

  // Copies part of the program's picture into its X window.
  void Present(HWND window, RECT rect) {
    auto p = programs_.find(window);
    const Target* target = TargetOf(window);
    if (p == programs_.end() || target == nullptr || target->gone) return;
    p->second.pixels->Show(target->window, target->gc, rect);
  }

 private:
  struct Target {
    Window window = 0;
    bool own = false;
    bool gone = false;
    Screen* screen = nullptr;
    int depth = 24;
    GC gc = nullptr;
    SIZE monitor = {0, 0};
  };
  struct Program {
    HWND frame = nullptr;  // the frame window it fills
    std::unique_ptr<Pixels> pixels;
    std::unique_ptr<WindowCanvas> canvas;  // draws on the pixels; goes first
  };

  // The monitor that holds the middle of the window, as Windows reports the display a
  // window is on; the whole X screen when the server tells of no monitors. Found when
  // the window comes and whenever it is moved or resized, not at every tick.
  void FindMonitor(Target* target, int width, int height) {
    target->monitor = {WidthOfScreen(target->screen), HeightOfScreen(target->screen)};
    int major = 0, minor = 0;
    if (target->gone || !XRRQueryVersion(display_, &major, &minor) || (major == 1 && minor < 5)) return;
    int x = 0, y = 0;
    Window child;
    const Window root = RootWindowOfScreen(target->screen);
    if (!XTranslateCoordinates(display_, target->window, root, width / 2, height / 2, &x, &y, &child)) return;
    int count = 0;
    XRRMonitorInfo* monitors = XRRGetMonitors(display_, root, True, &count);
    for (int i = 0; i < count; ++i) {
      const XRRMonitorInfo& m = monitors[i];
      if (x >= m.x && x < m.x + m.width && y >= m.y && y < m.y + m.height) target->monitor = {m.width, m.height};
    }
    if (monitors != nullptr) XRRFreeMonitors(monitors);
  }

  const Target* TargetOf(HWND window) const {
    auto h = targets_.find(window);
    if (h != targets_.end()) return &h->second;
    auto p = programs_.find(window);
    if (p == programs_.end()) return nullptr;
    h = targets_.find(p->second.frame);
    return h != targets_.end() ? &h->second : nullptr;
  }

  // A new image of the window's size; what the old one showed stays where it was and
  // the rest is the class brush, as Windows paints a grown window.
  void MakeImage(HWND window, Program* program) {
    const SIZE size = core::ClientSize(window);
    auto pixels = std::make_unique<Pixels>(display_, TargetOf(window)->depth, std::max<LONG>(size.cx, 1),
                                           std::max<LONG>(size.cy, 1));
    cairo_t* cr = cairo_create(pixels->Surface());
    const HBRUSH brush = core::ClassBrush(window);
    const COLORREF colour = brush != nullptr ? core::BrushColour(brush) : 0;
    cairo_set_source_rgb(cr, (colour & 0xFF) / 255.0, ((colour >> 8) & 0xFF) / 255.0, ((colour >> 16) & 0xFF) / 255.0);
    cairo_paint(cr);
    if (program->pixels != nullptr) {
      cairo_set_source_surface(cr, program->pixels->Surface(), 0, 0);
      cairo_paint(cr);
    }
    cairo_destroy(cr);
    program->canvas = std::make_unique<WindowCanvas>(this, window, pixels->Surface(), size.cx, size.cy);
    program->pixels = std::move(pixels);
    Present(window, {0, 0, size.cx, size.cy});
  }

  HWND FrameOfXWindow(Window window) {
    for (auto& [hwnd, target] : targets_)
      if (target.window == window) return hwnd;
    return nullptr;
  }

  HWND ProgramIn(HWND frame) {
    const std::vector<HWND> children = core::Children(frame);
    return children.empty() ? nullptr : children.front();
  }

  void Handle(const XEvent& event) {
    const HWND hwnd = FrameOfXWindow(event.xany.window);
    if (hwnd == nullptr) return;
    Target& target = targets_[hwnd];
    switch (event.type) {
      case Expose:
        Present(ProgramIn(hwnd), {event.xexpose.x, event.xexpose.y, event.xexpose.x + event.xexpose.width,
                                  event.xexpose.y + event.xexpose.height});
        break;
      case ConfigureNotify:
        FindMonitor(&target, event.xconfigure.width, event.xconfigure.height);
        core::ResizeWindow(hwnd, event.xconfigure.width, event.xconfigure.height);
        break;
      case ButtonPress: {
        // As on Windows: the left, middle and right buttons; the wheel is no button.
        const UINT message = event.xbutton.button == Button1   ? WM_LBUTTONDOWN
                             : event.xbutton.button == Button2 ? WM_MBUTTONDOWN
                             : event.xbutton.button == Button3 ? WM_RBUTTONDOWN
                                                               : 0;
        const HWND program = ProgramIn(hwnd);
        if (message != 0 && program != nullptr) core::PostMessageToQueue(program, message, 0, 0);
        break;
      }
      case KeyPress: {
        XKeyEvent key = event.xkey;
        const KeySym sym = XLookupKeysym(&key, 0);
        if (sym == XK_q || sym == XK_Escape) core::DestroyWindowTree(hwnd);
        break;
      }
      case ClientMessage:
        if (static_cast<Atom>(event.xclient.data.l[0]) == XInternAtom(display_, "WM_DELETE_WINDOW", False))
          core::DestroyWindowTree(hwnd);
        break;
      case DestroyNotify:
        if (event.xdestroywindow.window == target.window) {
          target.gone = true;
          core::DestroyWindowTree(hwnd);
        }
        break;
      default:
        break;
    }
  }

  Display* display_;
  std::map<HWND, Target> targets_;
  std::map<HWND, Program> programs_;
};

void WindowCanvas::Flush() { backend_->Present(window_, TakeDamage()); }

// A window of our own: resizable in the middle of the screen, or covering it.
Window MakeOwnWindow(Display* display, bool fullscreen) {
  const int screen = DefaultScreen(display);
  const int sw = DisplayWidth(display, screen), sh = DisplayHeight(display, screen);
  const int w = fullscreen ? sw : std::min(800, sw), h = fullscreen ? sh : std::min(600, sh);
  XSetWindowAttributes attributes;
  attributes.background_pixmap = None;  // the picture is copied in; nothing to clear first
  attributes.backing_store = NotUseful;
  const Window window =
      XCreateWindow(display, RootWindow(display, screen), fullscreen ? 0 : (sw - w) / 2, fullscreen ? 0 : (sh - h) / 2,
                    static_cast<unsigned>(w), static_cast<unsigned>(h), 0, CopyFromParent, InputOutput,
                    CopyFromParent, CWBackPixmap | CWBackingStore, &attributes);
  XStoreName(display, window, "Dreieck");
  const Atom utf8 = XInternAtom(display, "UTF8_STRING", False);
  XChangeProperty(display, window, XInternAtom(display, "_NET_WM_NAME", False), utf8, 8, PropModeReplace,
                  reinterpret_cast<const unsigned char*>("Dreieck"), 7);
  XClassHint classHint;
  char name[] = "dreieck", className[] = "Dreieck";
  classHint.res_name = name;
  classHint.res_class = className;
  XSetClassHint(display, window, &classHint);
  Atom deleteWindow = XInternAtom(display, "WM_DELETE_WINDOW", False);
  XSetWMProtocols(display, window, &deleteWindow, 1);
  if (fullscreen) {
    // A window manager is asked for full screen too; without one the size and place
    // already cover the screen.
    Atom state = XInternAtom(display, "_NET_WM_STATE_FULLSCREEN", False);
    XChangeProperty(display, window, XInternAtom(display, "_NET_WM_STATE", False), XA_ATOM, 32, PropModeReplace,
                    reinterpret_cast<unsigned char*>(&state), 1);
  }
  XMapWindow(display, window);
  return window;
}

}  // namespace

int RunOnScreen(const Options& options) {
  core::SetRecording(false);  // a screensaver runs for hours; nothing keeps its calls
  // Which window: XScreenSaver names its window in the environment, and --root means
  // that one when it is set (its "virtual root").
  const char* saverWindow = std::getenv("XSCREENSAVER_WINDOW");
  uint32_t given = 0;
  Mode mode = options.mode;
  if (mode == Mode::WindowId) {
    given = options.windowId;
  } else if (saverWindow != nullptr && *saverWindow != '\0' && (mode == Mode::Root || mode == Mode::Window)) {
    char* end = nullptr;
    const unsigned long id = std::strtoul(saverWindow, &end, 16);
    if (end == saverWindow || *end != '\0' || id == 0 || id > 0xFFFFFFFFul) {
      std::fprintf(stderr, "dreieck: XSCREENSAVER_WINDOW is no window id: '%s'\n", saverWindow);
      return 1;
    }
    given = static_cast<uint32_t>(id);
    mode = Mode::WindowId;
  }

  Display* display = XOpenDisplay(nullptr);
  if (display == nullptr) {
    const char* name = std::getenv("DISPLAY");
    std::fprintf(stderr, "dreieck: cannot open the display '%s'\n", name != nullptr ? name : "");
    return 1;
  }
  XSetErrorHandler(OnXError);
  XSetIOErrorHandler(OnXIOError);

  if (pipe2(signalPipe, O_CLOEXEC | O_NONBLOCK) != 0) {
    std::perror("dreieck: pipe");
    return 1;
  }
  struct sigaction action = {};
  action.sa_handler = OnSignal;
  sigemptyset(&action.sa_mask);
  sigaction(SIGTERM, &action, nullptr);
  sigaction(SIGINT, &action, nullptr);
  sigaction(SIGHUP, &action, nullptr);

  int result;
  {
    X11Backend backend(display);
    core::InstallBackend(&backend);
    std::string error;
    Window window;
    if (mode == Mode::WindowId) window = given;
    else if (mode == Mode::Root) window = DefaultRootWindow(display);
    else window = MakeOwnWindow(display, mode == Mode::FullScreen);
    const HWND frame = backend.AddTarget(window, mode == Mode::Window || mode == Mode::FullScreen, &error);
    if (frame == nullptr) {
      std::fprintf(stderr, "dreieck: %s\n", error.c_str());
      result = 1;
    } else {
      result = RunInside(frame);
      if (gMainWindow == nullptr) {
        std::fprintf(stderr, "dreieck: the program could not make its window\n");
        result = 1;
      }
    }
    core::InstallBackend(nullptr);
  }
  XCloseDisplay(display);
  return result;
}

}  // namespace dreieck
