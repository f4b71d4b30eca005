// labels: where one cycle writes its labels, for the picture comparisons.
//
//   labels [--size WxH] [--time WHEN] [--background SHADE]
//          [--no-medians] [--no-incircle] [--no-circumcircle] [--no-altitudes]
//          [--no-nine-point-circle] [--no-euler-line] [--no-excircles]
//
// Runs the program's own cycle on the recording platform: a window of WxH (default
// 1024x768) on a display of the same size, the clock standing at the given UTC second
// (default 2021-03-04 05:06:07), every construction on unless switched off, the
// background black unless SHADE says otherwise. The options are read as dreieck reads
// them (driver/options.h), with the same values and messages. For each tick of one cycle it prints every label the tick writes, one a
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

#include "platform/core/testing.h"
#include "driver/options.h"
#include "geometry/triangle.h"
#include "settings/settings.h"
#include "shell/host.h"

namespace {

const char kUsage[] =
    "usage: labels [--size WxH] [--time WHEN] [--background SHADE]\n"
    "              [--no-medians] [--no-incircle] [--no-circumcircle] [--no-altitudes]\n"
    "              [--no-nine-point-circle] [--no-euler-line] [--no-excircles]\n"
    "  prints 'TICK X Y RRGGBB BYTES TEXT' for every label one cycle writes\n";

[[noreturn]] void Usage(const std::string& problem) {
  std::fprintf(stderr, "labels: %s\n%s", problem.c_str(), kUsage);
  std::exit(2);
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
  // The options as dreieck reads them; those of a picture stand alone here.
  const driver::Parsed parsed = driver::ParseArguments(driver::SplitCommandLine(argc, argv), {"--", false, &driver::kEnglish});
  if (!parsed.ok) Usage(parsed.error);
  const driver::Options& o = parsed.options;
  for (const driver::OptionRow& row : driver::OptionTable()) {
    const std::string name = row.name;
    if (o.Given(name) && row.kind != driver::Kind::Show && name != "size" && name != "time" && name != "background")
      Usage("--" + name + " is not an option of labels");
  }
  const int width = o.Given("size") ? o.width : 1024, height = o.Given("size") ? o.height : 768;
  int64_t when = o.second;
  if (!o.timeGiven) driver::ParseUtcSecond("2021-03-04 05:06:07", &when);

  core::Reset();
  core::SetRecording(true);  // the labels are read from the calls the ticks make
  LoadSettings();  // the defaults: the recording registry is empty
  for (int i = 0; i < kConstructionCount; ++i)
    if (o.flags[i] >= 0) gSettings.*kConstructions[i].flag = static_cast<uint8_t>(o.flags[i]);
  if (o.background >= 0) gSettings.background = static_cast<uint32_t>(o.background);
  core::SetDisplaySize(width, height);
  gMainWindow = core::CreateTestWindow(width, height);
  core::SetClock(static_cast<time_t>(when));
  // A cycle has at most kStepErase + 1 ticks; it ends with the erase.
  int labels = 0;
  for (int tick = 0; tick <= kStepErase; ++tick) {
    const int32_t step = gCycleStep;
    core::ClearCalls();
    OnTimerTick();
    if (step == kStepErase) break;  // the erase and the caption
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
        ++labels;
      }
    }
  }
  if (!core::Errors().empty()) {
    std::fprintf(stderr, "labels: the program misused the platform: %s\n", core::Errors().front().c_str());
    return 1;
  }
  // Every triangle has its corners' three labels: none read is a fault of this tool.
  if (labels < 3) {
    std::fprintf(stderr, "labels: only %d labels were read from the calls of the cycle\n", labels);
    return 1;
  }
  return 0;
}
