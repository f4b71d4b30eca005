// The settings between a front end and the registry the program reads: those the
// options give, stored before a run; the nine values as a front end keeps them
// elsewhere (the page, in the browser), out of the registry and back; and the settings
// a run of the program uses, for a front end that shows them.
#pragma once

#include <cstdint>
#include <string>
#include <utility>
#include <vector>

#include "driver/options.h"
#include "platform/win32.h"

namespace driver {

// Stores the settings the options give in the registry the program reads, so that
// every rule of the settings store holds; those not given keep what is stored.
void StoreGivenSettings(const Options& options);

// The nine settings values as the registry holds them now, by their value names, in
// the order the program keeps them; those not there are left out.
using KeptValues = std::vector<std::pair<std::string, uint32_t>>;
KeptValues ExportSettings();
// The values a front end kept as text where anything may write (the page's storage), by
// name: those whose text is a value the program stores, decimal digits up to
// 0x7fffffff (the dialog stores nothing beyond 31 bits); the rest are passed over.
KeptValues KeptFromText(const std::vector<std::pair<std::string, std::string>>& texts);
// And back: values by name (a name the program does not keep is passed over), then the
// options' settings over them.
void ImportSettings(const KeptValues& values, const Options& options);

// After the settings dialog's OK what it stored holds: the options give their settings
// up (the constructions, the background, the interval), and keep the rest.
void GiveUpSettings(Options* options);

// The settings the program runs with now (after its entry read them): each
// construction on or off in the cycle's order, the background shade and the colour its
// brush paints, and the interval as stored.
struct RunningSettings {
  std::vector<int> shown;
  int background;
  COLORREF backgroundColour;
  int intervalMs;
};
RunningSettings CurrentSettings();

}  // namespace driver
