// The command line of the Linux program: where it draws (a window of its own, the
// whole screen, a window it is given, or a picture), the settings the Windows dialog
// offers, and the picture's size, moment and scale.
#pragma once

#include <cstdint>
#include <ctime>
#include <string>

namespace dreieck {

enum class Mode { Window, FullScreen, Root, WindowId, Picture, Frames, Help, Version };
enum class Format { Png, Svg, Pdf };  // of a picture, by its file's extension

struct Options {
  Mode mode = Mode::Window;
  // The settings, -1 where not given: the seven constructions in the order of the
  // registry values, the background shade (0 white .. 4 black) and the interval.
  int flags[7] = {-1, -1, -1, -1, -1, -1, -1};
  int background = -1;
  int intervalMs = -1;
  uint32_t windowId = 0;     // --window-id
  std::string path;          // --picture FILE or --frames DIR
  Format format = Format::Png;
  int width = 1920;          // --size
  int height = 1080;
  bool timeGiven = false;    // --time, seconds since 1970 (UTC)
  int64_t second = 0;
  bool triangleGiven = false;
  int32_t triangle[6] = {};  // ax, ay, bx, by, cx, cy
  int step = 7;              // --step: after the last construction
  int scale = 1;
};

// The outcome of reading the command line: the options, or one line naming what is
// wrong with it.
struct Parsed {
  bool ok = false;
  std::string error;
  Options options;
};

// Reads argv[1..argc-1]. Options take one or two dashes, and a value either as the
// next argument or after '='.
Parsed ParseOptions(int argc, const char* const* argv);

// The usage text, ending in a newline.
const char* Usage();

// Reads "YYYY-MM-DD HH:MM:SS" as a UTC second; false when it is not one.
bool ParseUtcSecond(const std::string& text, int64_t* seconds);

}  // namespace dreieck
