// The program on a Wayland compositor: a window of its own (full screen when asked),
// the explorer, or the saver covering every output. The windows are named for the
// desktop here (the backend knows nothing of Dreieck): the title Dreieck, as on X11,
// and the application's id, which is the name of its desktop entry, so that a desktop
// finds its icon and name. SIGTERM, SIGINT and SIGHUP end it with 0; the compositor's
// end, or its closing our connection, ends it with 1 and one line.
#include <unistd.h>

#include <cstdio>
#include <string>

#include "driver/run.h"
#include "frontends/linux/display.h"
#include "frontends/linux/explore.h"
#include "platform/core/backend.h"
#include "platform/wayland/backend.h"

#ifndef DREIECK_APP_ID
#define DREIECK_APP_ID "dreieck"
#endif

namespace dreieck {

namespace {

// The compositor's name as libwayland takes it: $WAYLAND_DISPLAY, else wayland-0.
std::string DisplayName() {
  const char* name = std::getenv("WAYLAND_DISPLAY");
  return name != nullptr && *name != '\0' ? name : "wayland-0";
}

[[noreturn]] void OnLost(const std::string& why) {
  std::fprintf(stderr, "dreieck: lost the connection to the display %s%s\n", driver::Quoted(DisplayName()).c_str(),
               why.empty() ? "" : (": " + why).c_str());
  std::fflush(stderr);
  _exit(1);
}

// The saver: a program on every output, each drawing its own cycle at the output's size,
// in one loop; outputs that come are covered at once, those that go are dropped.
int CoverEveryOutput(wayland::Backend* backend, const driver::Options& options, const wayland::Look& look) {
  const driver::Plan plan = driver::PlanOf(options);
  driver::Screens screens(plan);
  std::string error;
  const bool covered = backend->CoverOutputs(
      look, {[&screens](HWND outer) { screens.Add(outer); }, [&screens](HWND outer) { screens.Drop(outer); }}, &error);
  if (!covered) {
    std::fprintf(stderr, "dreieck: the display %s %s\n", driver::Quoted(DisplayName()).c_str(), error.c_str());
    return 1;
  }
  const driver::Ran ran = screens.Run();
  if (ran.window) return ran.result;
  std::fprintf(stderr, "dreieck: the display %s has no output to cover\n", driver::Quoted(DisplayName()).c_str());
  return 1;
}

}  // namespace

int RunOnWayland(const driver::Options& options) {
  const int quitFd = EndOnSignals();
  if (quitFd < 0) return 1;
  std::string error;
  const std::unique_ptr<wayland::Backend> backend = wayland::Backend::Connect(quitFd, OnLost, "dreieck", &error);
  if (backend == nullptr) {
    const std::string display = driver::Quoted(DisplayName());
    if (error.empty()) std::fprintf(stderr, "dreieck: cannot connect to the display %s\n", display.c_str());
    else std::fprintf(stderr, "dreieck: the display %s %s\n", display.c_str(), error.c_str());
    return 1;
  }
  core::InstallBackend(backend.get());
  const wayland::Look look = {"Dreieck", DREIECK_APP_ID};
  int result = 1;
  if (options.mode == driver::Mode::Saver) {
    result = CoverEveryOutput(backend.get(), options, look);
  } else {
    const bool fullscreen = options.mode == driver::Mode::FullScreen || options.Given("fullscreen");
    const HWND outer = backend->AddWindow(look, fullscreen, &error);
    if (outer == nullptr) {
      std::fprintf(stderr, "dreieck: the display %s %s\n", driver::Quoted(DisplayName()).c_str(), error.c_str());
    } else if (options.mode == driver::Mode::Explore) {
      // The explorer's pictures are those of a screen of the window's size.
      backend->ScreenIsOuterWindow(outer);
      wayland::Backend* b = backend.get();
      result = ExploreOnDisplay(options, [b](HWND window) { return b->ImageOf(window); }, outer);
    } else {
      const driver::Ran ran = driver::RunSaver(outer, driver::PlanOf(options));
      if (ran.window) result = ran.result;
      else std::fprintf(stderr, "dreieck: the program could not make its window\n");
    }
  }
  core::InstallBackend(nullptr);
  return result;
}

}  // namespace dreieck
