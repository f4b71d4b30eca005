// labels: where one cycle writes its labels, for the picture comparisons.
//
//   labels [--size WxH] [--time "YYYY-MM-DD HH:MM:SS"] [--background SHADE]
//          [--no-medians] [--no-incircle] [--no-circumcircle] [--no-altitudes]
//          [--no-nine-point-circle] [--no-euler-line] [--no-excircles]
//
// Runs the program's own cycle on the recording platform: a window of WxH (default
// 1024x768) on a display of the same size, the clock standing at the given UTC second
// (default 2021-03-04 05:06:07), every construction on unless switched off, the
// background black unless SHADE (white, light-grey, grey, dark-grey, black) says
// otherwise. For each tick of one cycle it prints every label the tick writes, one a
// line:
//
//   TICK X Y RRGGBB BYTES TEXT
//
// TICK counts the ticks from the one that draws the triangle (0); with every
// construction on it is the cycle step (1-7 the constructions, 10 the erase). X,Y the
// top-left corner of the text cell as TextOutA gets it, RRGGBB the text colour as it
// shows on screen, BYTES the length of the text and TEXT the text itself as the
// platform records it (quoted, bytes outside printable ASCII as \xNN). The caption of
// the erase tick is left out: where it starts depends on the width of the real font.
//
// Exit status: 0 printed; 1 the program misused the platform; 2 bad usage (one line
// on stderr naming the problem, then the usage).
// Standard headers first: the platform header routes the C runtime's rand, srand and
// time by name.
#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "platform/core/hooks.h"
#include "platform/linux/options.h"
#include "geometry/triangle.h"
#include "settings/settings.h"
#include "shell/shell.h"

namespace {

const char kUsage[] =
    "usage: labels [--size WxH] [--time \"YYYY-MM-DD HH:MM:SS\"] [--background SHADE]\n"
    "              [--no-medians] [--no-incircle] [--no-circumcircle] [--no-altitudes]\n"
    "              [--no-nine-point-circle] [--no-euler-line] [--no-excircles]\n"
    "  prints 'TICK X Y RRGGBB BYTES TEXT' for every label one cycle writes\n";

[[noreturn]] void Usage(const std::string& problem) {
  std::fprintf(stderr, "labels: %s\n%s", problem.c_str(), kUsage);
  std::exit(2);
}


// A positive decimal of at most five digits, the whole text.
bool ParseSide(const std::string& text, int* out) {
  if (text.empty() || text.size() > 5) return false;
  int value = 0;
  for (char c : text) {
    if (c < '0' || c > '9') return false;
    value = value * 10 + (c - '0');
  }
  if (value < 1) return false;
  *out = value;
  return true;
}

// The fields of a recorded call "Name(a,b,...)"; a quoted field keeps its quotes and
// may hold commas.
std::vector<std::string> Fields(const std::string& call) {
  std::vector<std::string> fields;
  const size_t open = call.find('(');
  std::string field;
  bool quoted = false;
  for (size_t i = open + 1; i + 1 < call.size(); ++i) {
    const char c = call[i];
    if (c == '"' && (field.empty() || quoted)) quoted = !quoted;
    if (c == ',' && !quoted) {
      fields.push_back(field);
      field.clear();
    } else {
      field += c;
    }
  }
  fields.push_back(field);
  return fields;
}

}  // namespace

int main(int argc, char** argv) {
  int width = 1024, height = 768;
  int64_t when = 0;
  dreieck::ParseUtcSecond("2021-03-04 05:06:07", &when);
  uint32_t background = 4;
  struct Flag {
    const char* option;
    uint8_t Settings::*field;
  };
  const Flag flags[] = {
      {"--no-medians", &Settings::showMedians},
      {"--no-incircle", &Settings::showIncircle},
      {"--no-circumcircle", &Settings::showCircumcircle},
      {"--no-altitudes", &Settings::showAltitudes},
      {"--no-nine-point-circle", &Settings::showNinePointCircle},
      {"--no-euler-line", &Settings::showEulerLine},
      {"--no-excircles", &Settings::showExcircles},
  };
  std::vector<uint8_t Settings::*> off;
  for (int i = 1; i < argc; ++i) {
    const std::string arg = argv[i];
    const bool hasValue = i + 1 < argc;
    if (arg == "--size") {
      if (!hasValue) Usage("--size needs WxH");
      const std::string value = argv[++i];
      const size_t x = value.find('x');
      if (x == std::string::npos || !ParseSide(value.substr(0, x), &width) ||
          !ParseSide(value.substr(x + 1), &height) || width > 16384 || height > 16384)
        Usage("--size: '" + value + "' is not WxH with sides 1..16384");
    } else if (arg == "--time") {
      if (!hasValue) Usage("--time needs \"YYYY-MM-DD HH:MM:SS\"");
      if (!dreieck::ParseUtcSecond(argv[++i], &when)) Usage(std::string("--time: '") + argv[i] + "' is not a UTC second");
    } else if (arg == "--background") {
      if (!hasValue) Usage("--background needs a shade");
      static const char* const kShades[] = {"white", "light-grey", "grey", "dark-grey", "black"};
      const std::string value = argv[++i];
      background = 5;
      for (uint32_t s = 0; s < 5; ++s)
        if (value == kShades[s]) background = s;
      if (background == 5) Usage("--background: '" + value + "' is not a shade");
    } else {
      bool known = false;
      for (const Flag& flag : flags) {
        if (arg == flag.option) {
          off.push_back(flag.field);
          known = true;
        }
      }
      if (!known) Usage("unknown option '" + arg + "'");
    }
  }

  core::Reset();
  LoadSettings();  // the defaults: the recording registry is empty
  for (uint8_t Settings::*field : off) gSettings.*field = 0;
  gSettings.background = background;
  core::SetDisplaySize(width, height);
  gMainWindow = core::CreateTestWindow(width, height);
  core::SetClock(static_cast<time_t>(when));
  // A cycle has at most 11 ticks; it ends with the erase (step 10).
  for (int tick = 0; tick < 11; ++tick) {
    const int32_t step = gCycleStep;
    core::ClearCalls();
    OnTimerTick();
    if (step == 10) break;  // the erase and the caption
    std::string colour = "000000";
    for (const std::string& call : core::CallsNamed({"SetTextColor", "TextOutA"})) {
      const std::vector<std::string> f = Fields(call);
      if (call.rfind("SetTextColor(", 0) == 0 && f.size() == 2 && f[1].size() == 10) {
        // 0x00BBGGRR as the screen shows it: RRGGBB.
        const std::string& bgr = f[1];
        colour = bgr.substr(8, 2) + bgr.substr(6, 2) + bgr.substr(4, 2);
      } else if (call.rfind("TextOutA(", 0) == 0 && f.size() == 5) {
        std::printf("%d %s %s %s %s %s\n", tick, f[1].c_str(), f[2].c_str(), colour.c_str(), f[4].c_str(),
                    f[3].c_str());
      }
    }
  }
  if (!core::Errors().empty()) {
    std::fprintf(stderr, "labels: the program misused the platform: %s\n", core::Errors().front().c_str());
    return 1;
  }
  return 0;
}
