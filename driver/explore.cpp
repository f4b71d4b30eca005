// The explorer for a front end: where it begins, its loop, its pictures' names and the
// options that draw them again.
#include "driver/explore.h"

#include "driver/run.h"
#include "settings/settings.h"
#include "shell/host.h"

namespace driver {

explorer::Start ExplorerStart(const Options& options) {
  explorer::Start start;
  start.cornersGiven = options.triangleGiven;
  options.Corners(start.corners);
  start.secondGiven = options.timeGiven;
  start.second = static_cast<time_t>(options.second);
  start.step = options.step;
  return start;
}

explorer::Start ExplorerStartFromSaver(const Options& options) {
  explorer::Start start = ExplorerStart(options);
  start.step = kStepLastConstruction;
  start.cornersGiven = TriangleShown();
  if (start.cornersGiven) {
    start.corners[0] = gTriangle.a;
    start.corners[1] = gTriangle.b;
    start.corners[2] = gTriangle.c;
  } else {
    start.secondGiven = false;  // a triangle of its own
  }
  return start;
}

std::string SaveStem(time_t now, const std::function<bool(const std::string&)>& taken) {
  tm local;
  char stamp[32];
  strftime(stamp, sizeof stamp, "dreieck-%Y%m%d-%H%M%S", localtime_r(&now, &local));
  std::string stem = stamp;
  for (int n = 2; n < 1000 && taken(stem); ++n) stem = stamp + ("-" + std::to_string(n));
  return stem;
}

std::string PictureOptions(const explorer::View& view, int width, int height, int scale) {
  std::string out = "--size " + std::to_string(width) + "x" + std::to_string(height) + " --triangle ";
  for (int i = 0; i < 3; ++i)
    out += std::to_string(view.corners[i].x) + "," + std::to_string(view.corners[i].y) + (i < 2 ? "," : "");
  out += " --step " + std::to_string(view.step);
  if (scale != 1) out += " --scale " + std::to_string(scale);
  for (int i = 0; i < kConstructionCount; ++i)
    if (!view.shown[i]) out += std::string(" --no-") + kConstructions[i].option;
  if (view.background != kDefaultBackground && view.background < driver::kShadeCount)
    out += std::string(" --background ") + driver::kShadeNames[view.background];
  return out;
}

int RunExplorer(HWND outer, const explorer::Start& start, explorer::Save save) {
  return explorer::Run(outer, start, std::move(save));
}

void DrawExplorerView(HWND window, const explorer::View& view) { explorer::DrawView(window, view); }

}  // namespace driver
