// Reading and writing the settings in the registry.
#include "settings/settings.h"

Settings gSettings;

void LoadSettings() {
  gSettings.showMedians = 1;
  gSettings.showIncircle = 1;
  gSettings.showCircumcircle = 1;
  gSettings.showAltitudes = 1;
  gSettings.showNinePointCircle = 1;
  gSettings.showEulerLine = 1;
  gSettings.showExcircles = 1;
  gSettings.background = 4;
  gSettings.intervalMs = 2000;
}

void SaveSettings() {}
