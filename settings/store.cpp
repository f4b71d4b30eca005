// Reading and writing the settings in the registry: nine REG_DWORD values under
// HKEY_CURRENT_USER\Software\Morvaselkin, always visited in the order of kValues.
#include "settings/settings.h"

Settings gSettings;

namespace {

const char kKeyPath[] = "Software\\Morvaselkin";

// How one field travels to and from its 32-bit registry value.
struct StoredValue {
  const char* name;
  uint32_t (*stored)(const Settings&);    // the value SaveSettings writes
  void (*take)(Settings&, uint32_t);      // what LoadSettings does with a read value
};

// A flag is written as 1 only when it is exactly 1, and any non-zero value reads as 1.
template <uint8_t Settings::*Flag>
uint32_t StoredFlag(const Settings& s) { return s.*Flag == 1 ? 1u : 0u; }
template <uint8_t Settings::*Flag>
void TakeFlag(Settings& s, uint32_t value) { s.*Flag = value != 0 ? 1 : 0; }

// The background and the interval go both ways unchanged, without a range check.
uint32_t StoredBackground(const Settings& s) { return s.background; }
void TakeBackground(Settings& s, uint32_t value) { s.background = value; }
uint32_t StoredInterval(const Settings& s) { return static_cast<uint32_t>(s.intervalMs); }
void TakeInterval(Settings& s, uint32_t value) { s.intervalMs = static_cast<int32_t>(value); }

const StoredValue kValues[] = {
    {"Schwerlinien", StoredFlag<&Settings::showMedians>, TakeFlag<&Settings::showMedians>},
    {"Inkreis", StoredFlag<&Settings::showIncircle>, TakeFlag<&Settings::showIncircle>},
    {"Umkreis", StoredFlag<&Settings::showCircumcircle>, TakeFlag<&Settings::showCircumcircle>},
    {"Hoehenlinien", StoredFlag<&Settings::showAltitudes>, TakeFlag<&Settings::showAltitudes>},
    {"Feuerbachkreis", StoredFlag<&Settings::showNinePointCircle>,
     TakeFlag<&Settings::showNinePointCircle>},
    {"Eulersche Gerade", StoredFlag<&Settings::showEulerLine>, TakeFlag<&Settings::showEulerLine>},
    {"Ankreise", StoredFlag<&Settings::showExcircles>, TakeFlag<&Settings::showExcircles>},
    {"Hintergrundfarbe", StoredBackground, TakeBackground},
    {"Geschwindigkeit", StoredInterval, TakeInterval},
};

}  // namespace

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

  HKEY key = nullptr;
  if (RegOpenKeyA(HKEY_CURRENT_USER, kKeyPath, &key) != ERROR_SUCCESS) return;
  for (const StoredValue& value : kValues) {
    // Only exactly four bytes make a value. A longer one fails the query; a shorter
    // one would leave part of the integer unwritten, so it is passed over as well,
    // and the buffer starts cleared in any case.
    BYTE data[4] = {0, 0, 0, 0};
    DWORD size = sizeof data;
    if (RegQueryValueExA(key, value.name, nullptr, nullptr, data, &size) != ERROR_SUCCESS) continue;
    if (size != sizeof data) continue;
    value.take(gSettings, static_cast<uint32_t>(data[0]) | static_cast<uint32_t>(data[1]) << 8 |
                              static_cast<uint32_t>(data[2]) << 16 |
                              static_cast<uint32_t>(data[3]) << 24);
  }
  RegCloseKey(key);
}

void SaveSettings() {
  HKEY key = nullptr;
  if (RegCreateKeyA(HKEY_CURRENT_USER, kKeyPath, &key) != ERROR_SUCCESS) return;
  for (const StoredValue& value : kValues) {
    const uint32_t n = value.stored(gSettings);
    const BYTE data[4] = {static_cast<BYTE>(n), static_cast<BYTE>(n >> 8), static_cast<BYTE>(n >> 16),
                          static_cast<BYTE>(n >> 24)};
    RegSetValueExA(key, value.name, 0, REG_DWORD, data, sizeof data);  // a failure stops nothing
  }
  RegCloseKey(key);
}
