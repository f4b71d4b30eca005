// Reading and writing the settings in the registry: nine REG_DWORD values under
// HKEY_CURRENT_USER\Software\Morvaselkin, always visited in the order of the schema in
// settings.h.
#include "settings/settings.h"

Settings gSettings;

const char kSettingsKey[] = "Software\\Morvaselkin";
const char kBackgroundValue[] = "Hintergrundfarbe";
const char kIntervalValue[] = "Geschwindigkeit";

namespace {

// Only exactly four bytes make a value. A longer one fails the query; a shorter one
// would leave part of the integer unwritten, so it is passed over as well.
bool ReadValue(HKEY key, const char* name, uint32_t* out) {
  BYTE data[4] = {0, 0, 0, 0};
  DWORD size = sizeof data;
  if (RegQueryValueExA(key, name, nullptr, nullptr, data, &size) != ERROR_SUCCESS) return false;
  if (size != sizeof data) return false;
  *out = static_cast<uint32_t>(data[0]) | static_cast<uint32_t>(data[1]) << 8 |
         static_cast<uint32_t>(data[2]) << 16 | static_cast<uint32_t>(data[3]) << 24;
  return true;
}

void WriteValue(HKEY key, const char* name, uint32_t n) {
  const BYTE data[4] = {static_cast<BYTE>(n), static_cast<BYTE>(n >> 8), static_cast<BYTE>(n >> 16),
                        static_cast<BYTE>(n >> 24)};
  RegSetValueExA(key, name, 0, REG_DWORD, data, sizeof data);  // a failure stops nothing
}

}  // namespace

void LoadSettings() {
  for (const Construction& c : kConstructions) gSettings.*c.flag = kDefaultShow;
  gSettings.background = kDefaultBackground;
  gSettings.intervalMs = kDefaultIntervalMs;

  HKEY key = nullptr;
  if (RegOpenKeyA(HKEY_CURRENT_USER, kSettingsKey, &key) != ERROR_SUCCESS) return;
  uint32_t value;
  // A flag reads as 1 when it is anything but 0; the background and the interval are
  // taken as they are, without a range check.
  for (const Construction& c : kConstructions)
    if (ReadValue(key, c.valueName, &value)) gSettings.*c.flag = value != 0 ? 1 : 0;
  if (ReadValue(key, kBackgroundValue, &value)) gSettings.background = value;
  if (ReadValue(key, kIntervalValue, &value)) gSettings.intervalMs = static_cast<int32_t>(value);
  RegCloseKey(key);
}

void SaveSettings() {
  HKEY key = nullptr;
  if (RegCreateKeyA(HKEY_CURRENT_USER, kSettingsKey, &key) != ERROR_SUCCESS) return;
  // A flag is written as 1 only when it is exactly 1.
  for (const Construction& c : kConstructions) WriteValue(key, c.valueName, gSettings.*c.flag == 1 ? 1u : 0u);
  WriteValue(key, kBackgroundValue, gSettings.background);
  WriteValue(key, kIntervalValue, static_cast<uint32_t>(gSettings.intervalMs));
  RegCloseKey(key);
}
