// The user's choices: which constructions are shown, the background shade and the
// tick interval, kept under HKEY_CURRENT_USER\Software\Morvaselkin.
#pragma once

#include "platform/win32.h"

#include <cstdint>

struct Settings {
  uint8_t showMedians;
  uint8_t showIncircle;
  uint8_t showCircumcircle;
  uint8_t showAltitudes;
  uint8_t showNinePointCircle;
  uint8_t showEulerLine;
  uint8_t showExcircles;
  uint32_t background;  // a BackgroundShade; the stored value, unchecked
  int32_t intervalMs;   // the stored value, unchecked
};

extern Settings gSettings;

// Resets gSettings to its defaults, then takes every value the registry holds.
void LoadSettings();
// Writes all nine values of gSettings to the registry.
void SaveSettings();

// The procedure of the settings dialog (template IDD_SETTINGS in res/resource.h): shows
// what LoadSettings reads and saves the controls' state on OK.
INT_PTR CALLBACK SettingsDlgProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam);
