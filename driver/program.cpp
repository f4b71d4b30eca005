#include "driver/program.h"

#include <string>

#include "geometry/triangle.h"
#include "platform/core/hooks.h"
#include "settings/settings.h"
#include "shell/shell.h"

namespace dreieck {

namespace {
// What the Windows loader hands WinMain as the program's instance.
HINSTANCE const kInstance = reinterpret_cast<HINSTANCE>(static_cast<uintptr_t>(0x400000));
}  // namespace

void StoreSettings(const Options& options) {
  for (int i = 0; i < 7; ++i)
    if (options.flags[i] >= 0)
      core::SetRegistryDword(kSettingsKey, kShowFlags[i].valueName, static_cast<uint32_t>(options.flags[i]));
  if (options.background >= 0)
    core::SetRegistryDword(kSettingsKey, kBackgroundValue, static_cast<uint32_t>(options.background));
  if (options.intervalMs >= 0)
    core::SetRegistryDword(kSettingsKey, kIntervalValue, static_cast<uint32_t>(options.intervalMs));
}

int RunInside(HWND frame) {
  std::string line = "/p " + std::to_string(reinterpret_cast<uintptr_t>(frame));
  return WinMain(kInstance, nullptr, line.data(), SW_SHOWDEFAULT);
}

explorer::Start ExplorerStart(const Options& options) {
  explorer::Start start;
  start.cornersGiven = options.triangleGiven;
  for (int i = 0; i < 3; ++i) start.corners[i] = {options.triangle[2 * i], options.triangle[2 * i + 1]};
  start.secondGiven = options.timeGiven;
  start.second = static_cast<time_t>(options.second);
  start.step = options.step;
  return start;
}

std::string PictureOptions(const explorer::View& view, int width, int height) {
  std::string out = "--size " + std::to_string(width) + "x" + std::to_string(height) + " --triangle ";
  for (int i = 0; i < 3; ++i)
    out += std::to_string(view.corners[i].x) + "," + std::to_string(view.corners[i].y) + (i < 2 ? "," : "");
  out += " --step " + std::to_string(view.step);
  for (const OptionRow& row : OptionTable())
    if (row.kind == Kind::Show && !view.shown[row.show]) out += std::string(" --no-") + row.name;
  if (view.background != kDefaultBackground && view.background < 5)
    out += std::string(" --background ") + kShadeNames[view.background];
  return out;
}

}  // namespace dreieck
