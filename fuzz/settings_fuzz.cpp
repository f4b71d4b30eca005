// Arbitrary registry contents (each of the nine values present or not, of any type
// and 0..64 bytes long) through LoadSettings, SaveSettings and the dialog's init and
// OK. A field takes a value only from data of exactly four bytes; anything else
// leaves its default. Confirming the dialog unchanged stores the same record, with
// the interval clamped into the scroll bar's range.
#include "fuzz/fuzz_input.h"
#include "platform/core/testing.h"

#include "res/resource.h"
#include "settings/settings.h"

#include <algorithm>
#include <cstring>

namespace {

// The nine values' names in registry order: the constructions', then the background's
// and the interval's.
constexpr int kValueCount = kConstructionCount + 2;
const char* kNames[kValueCount];
void NameValues() {
  for (int i = 0; i < kConstructionCount; ++i) kNames[i] = kConstructions[i].valueName;
  kNames[kConstructionCount] = kBackgroundValue;
  kNames[kConstructionCount + 1] = kIntervalValue;
}

// The record's nine fields as 32-bit values, in registry order.
void Fields(const Settings& s, uint32_t out[kValueCount]) {
  for (int i = 0; i < kConstructionCount; ++i) out[i] = s.*kConstructions[i].flag;
  out[kConstructionCount] = s.background;
  out[kConstructionCount + 1] = static_cast<uint32_t>(s.intervalMs);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  FuzzInput in(data, size);
  core::Reset();
  NameValues();
  const uint8_t present = in.Byte();
  const uint8_t present2 = in.Byte();
  const uint32_t presentBits = present | static_cast<uint32_t>(present2) << 8;
  uint32_t expected[kValueCount];
  for (int i = 0; i < kConstructionCount; ++i) expected[i] = kDefaultShow;
  expected[kConstructionCount] = kDefaultBackground;
  expected[kConstructionCount + 1] = static_cast<uint32_t>(kDefaultIntervalMs);
  for (int i = 0; i < kValueCount; ++i) {
    const bool here = (presentBits >> i) & 1;
    if (!here) continue;
    const DWORD type = in.Byte() % 12;
    const std::vector<uint8_t> bytes = in.Bytes(in.Byte() % 65);
    core::SetRegistryValue(kSettingsKey, kNames[i], type, std::vector<BYTE>(bytes.begin(), bytes.end()));
    if (bytes.size() == 4) {
      uint32_t v;
      std::memcpy(&v, bytes.data(), 4);
      expected[i] = i < kConstructionCount ? (v != 0 ? 1u : 0u) : v;
    }
  }
  Require(core::OpenKeyCount() == 0, "a key open before loading");

  LoadSettings();
  uint32_t loaded[kValueCount];
  Fields(gSettings, loaded);
  for (int i = 0; i < kValueCount; ++i)
    Require(loaded[i] == expected[i], std::string("field of ") + kNames[i] + " not as stored or default");
  Require(core::OpenKeyCount() == 0, "LoadSettings left a key open");

  SaveSettings();
  for (int i = 0; i < kValueCount; ++i) {
    auto value = core::RegistryValue(kSettingsKey, kNames[i]);
    Require(value && value->type == REG_DWORD && value->data.size() == 4, std::string("not saved: ") + kNames[i]);
    uint32_t v;
    std::memcpy(&v, value->data.data(), 4);
    Require(v == expected[i], std::string("saved differently: ") + kNames[i]);
  }

  // The dialog opened and confirmed without a change.
  HWND dialog = core::CreateTestDialog(IDD_SETTINGS, SettingsDlgProc);
  core::SendToDialog(dialog, WM_INITDIALOG, 0, 0);
  core::SendToDialog(dialog, WM_COMMAND, IDOK, 0);
  Require(core::DialogEnded(dialog) && core::DialogResult(dialog) == IDOK, "OK did not end the dialog");
  Require(core::OpenKeyCount() == 0, "the dialog left a key open");
  LoadSettings();
  uint32_t after[kValueCount];
  Fields(gSettings, after);
  uint32_t& interval = expected[kConstructionCount + 1];
  interval = static_cast<uint32_t>(std::clamp(static_cast<int32_t>(interval), kIntervalMinMs, kIntervalMaxMs));
  for (int i = 0; i < kValueCount; ++i)
    Require(after[i] == expected[i], std::string("OK without changes altered ") + kNames[i]);
  Require(core::Errors().empty(), "platform misuse: " + (core::Errors().empty() ? "" : core::Errors()[0]));
  return 0;
}
