// The settings between a front end and the registry the program reads.
#include "driver/kept.h"

#include <cstdlib>

#include "platform/core/backend.h"
#include "settings/settings.h"
#include "shell/shell.h"

namespace driver {

void StoreGivenSettings(const Options& options) {
  for (int i = 0; i < kConstructionCount; ++i)
    if (options.flags[i] >= 0)
      core::SetRegistryDword(kSettingsKey, kConstructions[i].valueName, static_cast<uint32_t>(options.flags[i]));
  if (options.background >= 0)
    core::SetRegistryDword(kSettingsKey, kBackgroundValue, static_cast<uint32_t>(options.background));
  if (options.intervalMs >= 0)
    core::SetRegistryDword(kSettingsKey, kIntervalValue, static_cast<uint32_t>(options.intervalMs));
}

namespace {

std::vector<const char*> ValueNames() {
  std::vector<const char*> names;
  for (const Construction& c : kConstructions) names.push_back(c.valueName);
  names.push_back(kBackgroundValue);
  names.push_back(kIntervalValue);
  return names;
}

}  // namespace

KeptValues ExportSettings() {
  KeptValues values;
  for (const char* name : ValueNames()) {
    const auto entry = core::RegistryValue(kSettingsKey, name);
    if (!entry || entry->data.size() != 4) continue;
    const std::vector<BYTE>& d = entry->data;
    values.emplace_back(name, static_cast<uint32_t>(d[0]) | static_cast<uint32_t>(d[1]) << 8 |
                                  static_cast<uint32_t>(d[2]) << 16 | static_cast<uint32_t>(d[3]) << 24);
  }
  return values;
}

KeptValues KeptFromText(const std::vector<std::pair<std::string, std::string>>& texts) {
  KeptValues values;
  for (const auto& [name, text] : texts) {
    if (text.empty() || text.find_first_not_of("0123456789") != std::string::npos) continue;
    // Beyond 64 bits strtoull gives its largest value, which is refused too.
    const uint64_t number = std::strtoull(text.c_str(), nullptr, 10);
    if (number > 0x7fffffffu) continue;
    values.emplace_back(name, static_cast<uint32_t>(number));
  }
  return values;
}

void ImportSettings(const KeptValues& values, const Options& options) {
  const std::vector<const char*> names = ValueNames();
  for (const auto& value : values)
    for (const char* name : names)
      if (value.first == name) core::SetRegistryDword(kSettingsKey, name, value.second);
  StoreGivenSettings(options);
}

void GiveUpSettings(Options* options) {
  options->flags = Options::NoFlags();
  options->background = Options::kNotGiven;
  options->intervalMs = Options::kNotGiven;
}

RunningSettings CurrentSettings() {
  RunningSettings running;
  for (const Construction& c : kConstructions) running.shown.push_back(gSettings.*c.flag);
  running.background = static_cast<int>(gSettings.background);
  running.backgroundColour = core::BrushColour(BackgroundBrush(gSettings.background));
  running.intervalMs = gSettings.intervalMs;
  return running;
}

}  // namespace driver
