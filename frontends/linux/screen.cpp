// Which X window the program draws in, and how it ends there. XScreenSaver names its
// window in the environment; SIGTERM, SIGINT and SIGHUP end the program at once with 0
// through a pipe the X11 backend's wait watches. The loss of the X server (it ended,
// or it closed our connection: xkill) ends it with 1 and one line.
#include "frontends/linux/screen.h"

#include <fcntl.h>
#include <signal.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <string>

#include "platform/core/backend.h"
#include "frontends/linux/explore.h"
#include "driver/driver.h"
#include "platform/x11/backend.h"
#include "platform/x11/own_window.h"

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

// The connection to the X server is gone, and with it the screen: nothing can be
// drawn any more. Xlib ends the program when this returns; it ends here, as a program
// that could not draw.
int OnDisplayLost(Display* display) {
  std::fprintf(stderr, "dreieck: lost the connection to the display %s\n", Quoted(DisplayString(display)).c_str());
  std::fflush(stderr);
  _exit(1);
}

}  // namespace

int RunOnScreen(const Options& options) {
  // Which window: XScreenSaver names its window in the environment, as its own display
  // modes read it (0x hex, else decimal), and --root means that one when it is set (its
  // "virtual root").
  const char* saverWindow = std::getenv("XSCREENSAVER_WINDOW");
  uint32_t given = 0;
  Mode mode = options.mode;
  if (mode == Mode::WindowId) {
    given = options.windowId;
  } else if (saverWindow != nullptr && *saverWindow != '\0' && (mode == Mode::Root || mode == Mode::Window)) {
    // XScreenSaver's own modes read it with sscanf (vroot.h), which passes over white
    // space around it.
    static const char kBlanks[] = " \t\n\v\f\r";
    std::string id = saverWindow;
    id.erase(0, id.find_first_not_of(kBlanks));
    id.erase(id.find_last_not_of(kBlanks) + 1);
    if (!ParseWindowId(id, &given)) {
      std::fprintf(stderr, "dreieck: XSCREENSAVER_WINDOW is no window id: %s\n", Quoted(saverWindow).c_str());
      return 1;
    }
    mode = Mode::WindowId;
  }

  Display* display = XOpenDisplay(nullptr);
  if (display == nullptr) {
    const char* name = std::getenv("DISPLAY");
    std::fprintf(stderr, "dreieck: cannot open the display %s\n", Quoted(name != nullptr ? name : "").c_str());
    return 1;
  }
  XSetIOErrorHandler(OnDisplayLost);

  if (pipe2(signalPipe, O_CLOEXEC | O_NONBLOCK) != 0) {
    std::perror("dreieck: pipe");
    return 1;
  }
  // A signal that was ignored when we started (SIGHUP under nohup, SIGINT in a
  // background job) stays ignored.
  for (int s : {SIGTERM, SIGINT, SIGHUP}) {
    struct sigaction action = {};
    if (sigaction(s, nullptr, &action) != 0 || action.sa_handler == SIG_IGN) continue;
    action.sa_handler = OnSignal;
    action.sa_flags = 0;
    sigemptyset(&action.sa_mask);
    sigaction(s, &action, nullptr);
  }

  int result;
  {
    x11::Backend backend(display, signalPipe[0]);
    core::InstallBackend(&backend);
    std::string error;
    Window window;
    if (mode == Mode::WindowId) window = given;
    else if (mode == Mode::Root) window = DefaultRootWindow(display);
    else window = x11::MakeOwnWindow(display, mode == Mode::FullScreen || options.Given("fullscreen"), &error);
    const bool own = mode == Mode::Window || mode == Mode::FullScreen || mode == Mode::Explore;
    const HWND outer = window != 0 ? backend.AddTarget(window, own, &error) : nullptr;
    if (outer == nullptr) {
      std::fprintf(stderr, "dreieck: %s\n", error.c_str());
      result = 1;
    } else if (mode == Mode::Explore) {
      // The explorer's pictures are those of a screen of the window's size, as the
      // options it names for them say.
      backend.ScreenIsOuterWindow(outer);
      result = RunExplorer(options, &backend, outer);
    } else {
      const driver::Ran ran = driver::RunSaver(outer, driver::PlanOf(options));
      result = ran.result;
      if (!ran.window) {
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
