#include "platform/x11/backend.h"

#include <X11/XKBlib.h>
#include <X11/extensions/Xrandr.h>
#include <poll.h>
#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <utility>

#include "platform/core/backend.h"
#include "platform/x11/shared_image.h"

namespace x11 {

namespace {

int errorCount = 0;
unsigned long lastBadWindow = 0;
int OnXError(Display*, XErrorEvent* error) {
  ++errorCount;
  if (error->error_code == BadWindow || error->error_code == BadDrawable) lastBadWindow = error->resourceid;
  return 0;
}

}  // namespace

Backend::Backend(Display* display, int quitFd, std::string program)
    : display_(display), quitFd_(quitFd), program_(std::move(program)), deleteWindow_(XInternAtom(display, "WM_DELETE_WINDOW", False)) {
  XSetErrorHandler(OnXError);
  // A key held down then comes as presses without releases between them, which tells
  // its repeats from new presses (where the server cannot, each repeat is a press).
  XkbSetDetectableAutoRepeat(display, True, nullptr);
}

Backend::~Backend() {
  programs_.clear();
  for (auto& [outer, target] : targets_) XFreeGC(display_, target.gc);
  for (auto& [shape, cursor] : cursors_) XFreeCursor(display_, cursor);
}

HWND Backend::AddTarget(Window window, bool own, std::string* error) {
  XWindowAttributes attributes;
  errorCount = 0;
  if (!XGetWindowAttributes(display_, window, &attributes) || errorCount != 0) {
    char text[96];
    std::snprintf(text, sizeof text, "no window 0x%lx on the display %s", window, DisplayString(display_));
    *error = text;
    return nullptr;
  }
  long events = ExposureMask | StructureNotifyMask;
  if (own) events |= ButtonPressMask | ButtonReleaseMask | PointerMotionMask | KeyPressMask | KeyReleaseMask;
  XSelectInput(display_, window, events);
  XSync(display_, False);
  if (errorCount != 0) {
    *error = "the window disappeared";
    return nullptr;
  }
  // Any TrueColor visual takes the picture (shared_image.h); other classes have no
  // colours of their own to draw with.
  PixelLayout layout;
  if (!LayoutOf(display_, attributes.visual, attributes.depth, &layout)) {
    const Visual* v = attributes.visual;
    char where[128], why[160];
    if (window == RootWindowOfScreen(attributes.screen))
      std::snprintf(where, sizeof where, "the screen of the display %s", DisplayString(display_));
    else
      std::snprintf(where, sizeof where, "window 0x%lx on the display %s", window, DisplayString(display_));
    if (v->c_class == TrueColor)
      std::snprintf(why, sizeof why, "with red, green and blue in 0x%lx, 0x%lx and 0x%lx, which %s cannot draw",
                    v->red_mask, v->green_mask, v->blue_mask, program_.c_str());
    else
      std::snprintf(why, sizeof why, "; %s draws only in TrueColor", program_.c_str());
    *error = std::string(where) + " has " + DescribeVisual(v, attributes.depth) + " colour" + (why[0] == ';' ? "" : " ") +
             why;
    return nullptr;
  }
  HWND outer = core::NewOuterWindow("xwindow", attributes.width, attributes.height);
  Target& target = targets_[outer];
  target.window = window;
  target.own = own;
  target.xScreen = attributes.screen;
  target.layout = layout;
  target.gc = XCreateGC(display_, window, 0, nullptr);
  FindMonitor(&target, attributes.width, attributes.height);
  return outer;
}

SIZE Backend::ScreenSize(HWND window) {
  if (const Target* target = TargetOf(window))
    return target->screenIsOuter ? core::ClientSize(programs_.count(window) ? programs_.at(window).outer : window)
                                 : target->monitor;
  return {DisplayWidth(display_, DefaultScreen(display_)), DisplayHeight(display_, DefaultScreen(display_))};
}

core::Canvas* Backend::CanvasOf(HWND window) {
  auto it = programs_.find(window);
  return it != programs_.end() ? it->second.image->Canvas() : nullptr;
}

void Backend::ScreenIsOuterWindow(HWND outer) {
  auto t = targets_.find(outer);
  if (t != targets_.end()) t->second.screenIsOuter = true;
}

cairo_surface_t* Backend::ImageOf(HWND window) const {
  auto it = programs_.find(window);
  return it != programs_.end() ? it->second.image->Surface() : nullptr;
}

// The program's window fills its outer window; its pixels are an image of the same size.
void Backend::WindowCreated(HWND window) {
  const HWND outer = core::Parent(window);
  if (targets_.count(outer) == 0) {
    core::Unsupported("a window outside the X window it belongs in");
  }
  Program& program = programs_[window];
  program.outer = outer;
  const Target& target = targets_[outer];
  Display* display = display_;
  // What the program draws goes out when it waits: a tick, or a picture of the
  // explorer, in one request.
  program.image = std::make_unique<cairo_canvas::WindowImage>(
      window,
      [display, &target](int width, int height) {
        return std::make_unique<SharedImage>(display, target.window, target.gc, target.layout, width, height);
      },
      1, true);
  program.image->ResizeSaying(program_);
}

void Backend::WindowResized(HWND window) {
  auto it = programs_.find(window);
  if (it != programs_.end()) it->second.image->ResizeSaying(program_);
}

void Backend::WindowDestroyed(HWND window) {
  auto p = programs_.find(window);
  if (p != programs_.end()) {
    programs_.erase(p);
    return;
  }
  auto t = targets_.find(window);
  if (t == targets_.end()) return;
  XFreeGC(display_, t->second.gc);
  if (t->second.own && !t->second.gone) XDestroyWindow(display_, t->second.window);
  targets_.erase(t);
}

uint64_t Backend::NowMs() {
  timespec now;
  clock_gettime(CLOCK_MONOTONIC, &now);
  return static_cast<uint64_t>(now.tv_sec) * 1000u + static_cast<uint64_t>(now.tv_nsec / 1000000);
}

void Backend::Wait(int64_t timeoutMs) {
  for (auto& [window, program] : programs_) program.image->ShowGathered();
  XFlush(display_);
  if (XPending(display_) == 0) {
    pollfd fds[2] = {{ConnectionNumber(display_), POLLIN, 0}, {quitFd_, POLLIN, 0}};
    // A timer due within the millisecond is waited for whole.
    poll(fds, quitFd_ >= 0 ? 2 : 1, timeoutMs < 0 ? -1 : static_cast<int>(std::min<int64_t>(timeoutMs, 1 << 30)));
  }
  char bytes[16];
  if (quitFd_ >= 0 && read(quitFd_, bytes, sizeof bytes) > 0) {
    core::PostQuit(0);
    return;
  }
  while (XPending(display_) > 0) {
    XEvent event;
    XNextEvent(display_, &event);
    Handle(event);
  }
  // A window we were given is gone without its DestroyNotify reaching us.
  for (auto& [outer, target] : targets_) {
    if (lastBadWindow != 0 && lastBadWindow == target.window && !target.gone) {
      target.gone = true;
      lastBadWindow = 0;
      core::DestroyWindowTree(outer);
      break;
    }
  }
}

// The monitor that holds the middle of the window, as Windows reports the display a
// window is on; the whole X screen when the server tells of no monitors. Found when
// the window comes and whenever it is moved or resized, not at every tick.
void Backend::FindMonitor(Target* target, int width, int height) {
  target->monitor = {WidthOfScreen(target->xScreen), HeightOfScreen(target->xScreen)};
  int major = 0, minor = 0;
  if (target->gone || !XRRQueryVersion(display_, &major, &minor) || (major == 1 && minor < 5)) return;
  int x = 0, y = 0;
  Window child;
  const Window root = RootWindowOfScreen(target->xScreen);
  if (!XTranslateCoordinates(display_, target->window, root, width / 2, height / 2, &x, &y, &child)) return;
  int count = 0;
  XRRMonitorInfo* monitors = XRRGetMonitors(display_, root, True, &count);
  for (int i = 0; i < count; ++i) {
    const XRRMonitorInfo& m = monitors[i];
    if (x >= m.x && x < m.x + m.width && y >= m.y && y < m.y + m.height) target->monitor = {m.width, m.height};
  }
  if (monitors != nullptr) XRRFreeMonitors(monitors);
}

const Backend::Target* Backend::TargetOf(HWND window) const {
  auto t = targets_.find(window);
  if (t != targets_.end()) return &t->second;
  auto p = programs_.find(window);
  if (p == programs_.end()) return nullptr;
  t = targets_.find(p->second.outer);
  return t != targets_.end() ? &t->second : nullptr;
}

HWND Backend::OuterOfXWindow(Window window) const {
  for (const auto& [outer, target] : targets_)
    if (target.window == window) return outer;
  return nullptr;
}

HWND Backend::ProgramIn(HWND outer) {
  const std::vector<HWND> children = core::Children(outer);
  return children.empty() ? nullptr : children.front();
}

}  // namespace x11
