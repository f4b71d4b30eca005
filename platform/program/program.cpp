#include "platform/program/program.h"

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

void PlaceTriangle(const int32_t corners[6]) {
  HDC dc = GetDC(gMainWindow);
  gTriangle.a = {corners[0], corners[1]};
  gTriangle.b = {corners[2], corners[3]};
  gTriangle.c = {corners[4], corners[5]};
  gTriangle.SetBackground(static_cast<BackgroundShade>(gSettings.background));
  gTriangle.DrawFigure(dc, FigureTriangle);
  gCycleStep = 1;
  ReleaseDC(gMainWindow, dc);
}

}  // namespace dreieck
