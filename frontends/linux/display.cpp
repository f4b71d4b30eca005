// The program on a display: Wayland or X11, which X window it draws in, and how it ends
// there. XScreenSaver names its window in the environment; SIGTERM, SIGINT and SIGHUP
// end the program at once with 0 through a pipe the backend's wait watches. The loss of
// the X server (it ended, or it closed our connection: xkill) ends it with 1 and one
// line.
#include "frontends/linux/display.h"

#include <fcntl.h>
#include <signal.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <string>

#include "platform/core/backend.h"
#include "frontends/linux/explore.h"
#include "driver/run.h"
#include "frontends/linux/window_icon.h"
#include "platform/x11/backend.h"
#include "platform/x11/own_window.h"

namespace dreieck {

namespace {

int signalPipe[2] = {-1, -1};

// The name of the program's lines, and its windows' title, class and icon, as the
// desktop entries (packaging/linux) name them.
const char kProgram[] = "dreieck";
const x11::OwnWindowLook kLook = {
    .title = "Dreieck", .instance = kProgram, .className = "Dreieck", .icon = kWindowIcon, .iconLength = kWindowIconLength};

void OnSignal(int) {
  const int saved = errno;
  const char byte = 1;
  ssize_t ignored = write(signalPipe[1], &byte, 1);
  (void)ignored;
  errno = saved;
}

// The connection to the X server is gone, and with it the screen: nothing can be
// drawn any more. Xlib ends the program when this returns; it ends here, as a program
// that could not draw.
int OnDisplayLost(Display* display) {
  std::fprintf(stderr, "dreieck: lost the connection to the display %s\n", driver::Quoted(DisplayString(display)).c_str());
  std::fflush(stderr);
  _exit(1);
}

// Where the options and the environment say to draw: XScreenSaver names its window in
// the environment, as its own display modes read it (0x hex, else decimal), and --root
// or a window of its own means that one when it is set (its "virtual root"). False,
// after one line on stderr, when the name is no window id.
bool WhereToDraw(const driver::Options& options, driver::Mode* mode, uint32_t* id) {
  *mode = options.mode;
  *id = 0;
  const char* saverWindow = std::getenv("XSCREENSAVER_WINDOW");
  if (*mode == driver::Mode::WindowId) {
    *id = options.windowId;
  } else if (saverWindow != nullptr && *saverWindow != '\0' && (*mode == driver::Mode::Root || *mode == driver::Mode::Window)) {
    // XScreenSaver's own modes read it with sscanf (vroot.h), which passes over white
    // space around it.
    static const char kBlanks[] = " \t\n\v\f\r";
    std::string text = saverWindow;
    text.erase(0, text.find_first_not_of(kBlanks));
    text.erase(text.find_last_not_of(kBlanks) + 1);
    if (!driver::ParseWindowId(text, id)) {
      std::fprintf(stderr, "dreieck: XSCREENSAVER_WINDOW is no window id: %s\n", driver::Quoted(saverWindow).c_str());
      return false;
    }
    *mode = driver::Mode::WindowId;
  }
  return true;
}

}  // namespace

// A signal that was ignored when we started (SIGHUP under nohup, SIGINT in a background
// job) stays ignored.
int EndOnSignals() {
  if (pipe2(signalPipe, O_CLOEXEC | O_NONBLOCK) != 0) {
    std::perror("dreieck: pipe");
    return -1;
  }
  for (int s : {SIGTERM, SIGINT, SIGHUP}) {
    struct sigaction action = {};
    if (sigaction(s, nullptr, &action) != 0 || action.sa_handler == SIG_IGN) continue;
    action.sa_handler = OnSignal;
    action.sa_flags = 0;
    sigemptyset(&action.sa_mask);
    sigaction(s, &action, nullptr);
  }
  return signalPipe[0];
}

namespace {

// The program, or the explorer, in the outer window of the X window `window`.
int RunIn(x11::Backend* backend, Window window, driver::Mode mode, const driver::Options& options) {
  std::string error;
  const bool own = mode == driver::Mode::Window || mode == driver::Mode::FullScreen || mode == driver::Mode::Saver || mode == driver::Mode::Explore;
  const HWND outer = window != 0 ? backend->AddTarget(window, own, &error) : nullptr;
  if (outer == nullptr) {
    std::fprintf(stderr, "dreieck: %s\n", error.c_str());
    return 1;
  }
  if (mode == driver::Mode::Explore) {
    // The explorer's pictures are those of a screen of the window's size, as the
    // options it names for them say.
    backend->ScreenIsOuterWindow(outer);
    return ExploreOnDisplay(options, [backend](HWND w) { return backend->ImageOf(w); }, outer);
  }
  const driver::Ran ran = driver::RunSaver(outer, driver::PlanOf(options));
  if (ran.window) return ran.result;
  std::fprintf(stderr, "dreieck: the program could not make its window\n");
  return 1;
}

// Whether a window of our own goes to a Wayland compositor: DREIECK_DISPLAY says, else
// WAYLAND_DISPLAY being set. False, after one line, for a DREIECK_DISPLAY that names
// neither.
bool OnWayland(bool* wayland) {
  const char* chosen = std::getenv("DREIECK_DISPLAY");
  const char* compositor = std::getenv("WAYLAND_DISPLAY");
  if (chosen == nullptr || *chosen == '\0') {
    *wayland = compositor != nullptr && *compositor != '\0';
    return true;
  }
  const std::string name = chosen;
  if (name != "wayland" && name != "x11") {
    std::fprintf(stderr, "dreieck: DREIECK_DISPLAY is neither wayland nor x11: %s\n", driver::Quoted(name).c_str());
    return false;
  }
  *wayland = name == "wayland";
  return true;
}

}  // namespace

int RunOnDisplay(const driver::Options& options) {
  driver::Mode mode;
  uint32_t given;
  if (!WhereToDraw(options, &mode, &given)) return 1;
  bool wayland = false;
  if (mode != driver::Mode::Root && mode != driver::Mode::WindowId && !OnWayland(&wayland)) return 1;
  if (wayland) return RunOnWayland(options);
  Display* display = XOpenDisplay(nullptr);
  if (display == nullptr) {
    const char* name = std::getenv("DISPLAY");
    std::fprintf(stderr, "dreieck: cannot open the display %s\n", driver::Quoted(name != nullptr ? name : "").c_str());
    return 1;
  }
  XSetIOErrorHandler(OnDisplayLost);
  const int quitFd = EndOnSignals();
  if (quitFd < 0) return 1;
  int result = 1;
  {
    x11::Backend backend(display, quitFd, kProgram);
    core::InstallBackend(&backend);
    std::string error;
    Window window = given;
    if (mode == driver::Mode::Root) window = DefaultRootWindow(display);
    else if (mode != driver::Mode::WindowId)
      window = x11::MakeOwnWindow(display, mode == driver::Mode::FullScreen || mode == driver::Mode::Saver || options.Given("fullscreen"),
                                  kLook, &error);
    if (window == 0) std::fprintf(stderr, "dreieck: %s\n", error.c_str());
    else result = RunIn(&backend, window, mode, options);
    core::InstallBackend(nullptr);
  }
  XCloseDisplay(display);
  return result;
}

}  // namespace dreieck
