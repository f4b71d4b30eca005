// The user's choices: which constructions are shown, the background shade and the
// tick interval, kept under HKEY_CURRENT_USER\Software\Morvaselkin.
#pragma once

#include "geometry/triangle.h"
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

// The seven constructions the cycle adds to the triangle, in the order of their steps,
// written once for everything that draws, keeps, offers or names them: the figure
// drawn, the flag that switches it, the registry value that keeps the flag, the
// settings dialog's check box, and the Linux program's option (--NAME, --no-NAME; the
// page's address takes NAME) with what its --help says it shows.
struct Construction {
  FigureKind figure;
  uint8_t Settings::*flag;
  const char* valueName;
  int checkBox;
  const char* option;
  const char* help;
};
constexpr int kConstructionCount = 7;
extern const Construction kConstructions[kConstructionCount];  // medians, incircle,
    // circumcircle, altitudes, nine-point circle, Euler line, excircles

// How the settings are kept: nine REG_DWORD values under
// HKEY_CURRENT_USER\Software\Morvaselkin, the seven constructions' first, in the order
// of kConstructions, then the background and the interval.
extern const char kSettingsKey[];
extern const char kBackgroundValue[];
extern const char kIntervalValue[];
// The defaults of a value that is not stored, and the intervals the dialog offers.
const uint8_t kDefaultShow = 1;
const uint32_t kDefaultBackground = 4;  // black
const int32_t kDefaultIntervalMs = 2000;
const int32_t kIntervalMinMs = 500;
const int32_t kIntervalMaxMs = 5000;

// Resets gSettings to its defaults, then takes every value the registry holds.
void LoadSettings();
// Writes all nine values of gSettings to the registry.
void SaveSettings();

// The procedure of the settings dialog (template IDD_SETTINGS in res/resource.h): shows
// what LoadSettings reads and saves the controls' state on OK.
INT_PTR CALLBACK SettingsDlgProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam);
