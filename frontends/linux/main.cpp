// dreieck: the screensaver on Linux. The program's own entry runs unchanged inside a
// window the platform provides: an X11 window of its own, the whole screen, a window
// it is given (XScreenSaver's), or a picture.
#include <fcntl.h>

#include <cerrno>
#include <cstdio>
#include <cstring>

#include "version.h"

#include "driver/options.h"
#include "frontends/linux/picture.h"
#include "driver/kept.h"
#include "frontends/linux/display.h"

namespace {

bool outputClosed = false;  // standard output was closed when the program started

// What went to standard output has to arrive: a write that failed (a full disk, a
// closed pipe's reader gone), or output the program was started without, makes the
// exit status 1 instead of `status`.
int OutputWritten(int status) {
  if (status != 0) return status;  // said already
  if (outputClosed) {
    std::fprintf(stderr, "dreieck: cannot write the output: standard output is closed\n");
    return 1;
  }
  if (std::fflush(stdout) == 0 && !std::ferror(stdout)) return status;
  std::fprintf(stderr, "dreieck: cannot write the output: %s\n", std::strerror(errno));
  return 1;
}

}  // namespace

int main(int argc, char** argv) {
  // Descriptors 0 to 2 are open from here on: a file or the X connection that took
  // one of them would get what is meant for the terminal. What is written to a
  // standard output that was closed is lost, and that is said.
  for (int fd = 0; fd <= 2; ++fd) {
    if (fcntl(fd, F_GETFD) >= 0 || errno != EBADF) continue;
    if (open("/dev/null", fd == 0 ? O_RDONLY : O_WRONLY) != fd) return 1;
    if (fd == 1) outputClosed = true;
  }
  const driver::Parsed parsed = driver::ParseOptions(argc, argv);
  if (!parsed.ok) {
    std::fprintf(stderr, "dreieck: %s\n%s", parsed.error.c_str(), driver::Usage().c_str());
    return 2;
  }
  const driver::Options& options = parsed.options;
  switch (options.mode) {
    case driver::Mode::Help:
      std::fputs(driver::Usage().c_str(), stdout);
      return OutputWritten(0);
    case driver::Mode::Version:
      std::puts("dreieck " DREIECK_VERSION);
      return OutputWritten(0);
    case driver::Mode::Picture:
      driver::StoreGivenSettings(options);
      return dreieck::RunPicture(options);
    case driver::Mode::Frames:
      driver::StoreGivenSettings(options);
      return OutputWritten(dreieck::RunFrames(options));
    default:
      driver::StoreGivenSettings(options);
      return dreieck::RunOnDisplay(options);
  }
}
