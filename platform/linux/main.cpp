// dreieck: the screensaver on Linux. The program's own entry runs unchanged inside a
// window the platform provides: an X11 window of its own, the whole screen, a window
// it is given (XScreenSaver's), or a picture.
#include <cstdio>

#include "version.h"

#include "platform/linux/options.h"
#include "platform/linux/picture.h"
#include "platform/linux/program.h"
#include "platform/x11/screen.h"

int main(int argc, char** argv) {
  const dreieck::Parsed parsed = dreieck::ParseOptions(argc, argv);
  if (!parsed.ok) {
    std::fprintf(stderr, "dreieck: %s\n%s", parsed.error.c_str(), dreieck::Usage().c_str());
    return 2;
  }
  const dreieck::Options& options = parsed.options;
  switch (options.mode) {
    case dreieck::Mode::Help:
      std::fputs(dreieck::Usage().c_str(), stdout);
      return 0;
    case dreieck::Mode::Version:
      std::puts("dreieck " DREIECK_VERSION);
      return 0;
    case dreieck::Mode::Picture:
      dreieck::StoreSettings(options);
      return dreieck::RunPicture(options);
    case dreieck::Mode::Frames:
      dreieck::StoreSettings(options);
      return dreieck::RunFrames(options);
    default:
      dreieck::StoreSettings(options);
      return dreieck::RunOnScreen(options);
  }
}
