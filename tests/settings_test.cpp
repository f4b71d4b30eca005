// The settings store: what LoadSettings takes from the registry and what SaveSettings
// writes back, value by value and call by call.
#include "support.h"

#include <optional>

namespace {

// The record in one line, e.g. "flags 1111111 background 4 interval 2000"; the flags
// in table order, each as its number so a 2 would show.
std::string Describe(const Settings& s) {
  return "flags " + Flags(s) + " background " + std::to_string(s.background) + " interval " +
         std::to_string(s.intervalMs);
}

const char kDefaults[] = "flags 1111111 background 4 interval 2000";

std::vector<BYTE> Bytes(const std::string& text) { return std::vector<BYTE>(text.begin(), text.end()); }

// The stored value as a 32-bit number, or nothing unless it is a REG_DWORD of 4 bytes.
std::optional<uint32_t> StoredDword(const char* name) {
  std::optional<core::RegistryEntry> entry = core::RegistryValue(kKey, name);
  if (!entry || entry->type != REG_DWORD || entry->data.size() != 4) return std::nullopt;
  const std::vector<BYTE>& d = entry->data;
  return d[0] | d[1] << 8 | d[2] << 16 | static_cast<uint32_t>(d[3]) << 24;
}

std::string Query(const char* name) { return "RegQueryValueExA(key1,\"" + std::string(name) + "\",null,null,data,4)"; }

class Store : public CoreTest {
 protected:
  void SetUp() override {
    CoreTest::SetUp();
    core::ClearCalls();
  }
  void TearDown() override {
    EXPECT_EQ(0, core::OpenKeyCount()) << "a registry key was left open";
    CoreTest::TearDown();
  }
};

TEST_F(Store, NoKeyGivesTheDefaultsAndCreatesNothing) {
  gSettings = Settings{0, 0, 0, 0, 0, 0, 0, 9, 1};
  LoadSettings();
  EXPECT_EQ(kDefaults, Describe(gSettings));
  EXPECT_FALSE(core::KeyExists(kKey));
  EXPECT_FALSE(core::KeyExists("Software"));
  EXPECT_TRUE(SameCalls({"RegOpenKeyA(HKEY_CURRENT_USER,\"Software\\x5CMorvaselkin\")"}, core::Calls()));
}

TEST_F(Store, LoadTakesEachStoredValueIntoItsOwnField) {
  struct Case {
    const char* what;
    const char* name;
    DWORD type;
    std::vector<BYTE> data;
    const char* expected;
  };
  const Case cases[] = {
      {"flag 5 reads as 1", "Inkreis", REG_DWORD, {5, 0, 0, 0}, kDefaults},
      {"flag with only the top bit reads as 1", "Inkreis", REG_DWORD, {0, 0, 0, 0x80}, kDefaults},
      {"Schwerlinien 0", "Schwerlinien", REG_DWORD, {0, 0, 0, 0}, "flags 0111111 background 4 interval 2000"},
      {"Inkreis 0", "Inkreis", REG_DWORD, {0, 0, 0, 0}, "flags 1011111 background 4 interval 2000"},
      {"Umkreis 0", "Umkreis", REG_DWORD, {0, 0, 0, 0}, "flags 1101111 background 4 interval 2000"},
      {"Hoehenlinien 0", "Hoehenlinien", REG_DWORD, {0, 0, 0, 0}, "flags 1110111 background 4 interval 2000"},
      {"Feuerbachkreis 0", "Feuerbachkreis", REG_DWORD, {0, 0, 0, 0},
       "flags 1111011 background 4 interval 2000"},
      {"Eulersche Gerade 0", "Eulersche Gerade", REG_DWORD, {0, 0, 0, 0},
       "flags 1111101 background 4 interval 2000"},
      {"Ankreise 0", "Ankreise", REG_DWORD, {0, 0, 0, 0}, "flags 1111110 background 4 interval 2000"},
      {"background 7 unchecked", "Hintergrundfarbe", REG_DWORD, {7, 0, 0, 0},
       "flags 1111111 background 7 interval 2000"},
      {"background all ones", "Hintergrundfarbe", REG_DWORD, {0xFF, 0xFF, 0xFF, 0xFF},
       "flags 1111111 background 4294967295 interval 2000"},
      {"interval 100 unchecked", "Geschwindigkeit", REG_DWORD, {100, 0, 0, 0},
       "flags 1111111 background 4 interval 100"},
      {"interval little-endian", "Geschwindigkeit", REG_DWORD, {0x88, 0x13, 0, 0},
       "flags 1111111 background 4 interval 5000"},
      {"interval all ones is -1", "Geschwindigkeit", REG_DWORD, {0xFF, 0xFF, 0xFF, 0xFF},
       "flags 1111111 background 4 interval -1"},
      {"type is not examined", "Hintergrundfarbe", REG_BINARY, {2, 0, 0, 0},
       "flags 1111111 background 2 interval 2000"},
      {"string longer than 4 bytes", "Inkreis", REG_SZ, Bytes(std::string("0\0\0\0\0", 5)), kDefaults},
      {"long string interval", "Geschwindigkeit", REG_SZ, Bytes(std::string("100\0", 4) + "0"), kDefaults},
      {"eight-byte number", "Hintergrundfarbe", REG_QWORD, {1, 0, 0, 0, 0, 0, 0, 0}, kDefaults},
      // Shorter than 4 bytes: unreadable, never a number made up of what the rest of
      // the buffer held.
      {"one byte", "Hintergrundfarbe", REG_BINARY, {2}, kDefaults},
      {"three bytes", "Geschwindigkeit", REG_BINARY, {0x10, 0x27, 0}, kDefaults},
      {"two zero bytes", "Inkreis", REG_BINARY, {0, 0}, kDefaults},
      {"empty", "Ankreise", REG_BINARY, {}, kDefaults},
      {"other names are ignored", "Farbe", REG_DWORD, {0, 0, 0, 0}, kDefaults},
  };
  for (const Case& c : cases) {
    ResetPlatform();
    core::SetRegistryValue(kKey, c.name, c.type, c.data);
    gSettings = Settings{};
    LoadSettings();
    EXPECT_EQ(c.expected, Describe(gSettings)) << c.what;
    EXPECT_EQ(0, core::OpenKeyCount()) << c.what;
  }
}

TEST_F(Store, LoadQueriesAllNineInOrderPastFailures) {
  for (const char* name : kNames) core::SetRegistryDword(kKey, name, 0);
  core::SetRegistryValue(kKey, "Umkreis", REG_SZ, Bytes("lang genug"));
  core::SetRegistryValue(kKey, "Hoehenlinien", REG_BINARY, {0});
  core::SetRegistryDword(kKey, "Geschwindigkeit", 750);
  LoadSettings();
  EXPECT_EQ("flags 0011000 background 0 interval 750", Describe(gSettings));
  // Every query offers 4 bytes, also after one that reported a longer value.
  Lines expected = {"RegOpenKeyA(HKEY_CURRENT_USER,\"Software\\x5CMorvaselkin\")"};
  for (const char* name : kNames) expected.push_back(Query(name));
  expected.push_back("RegCloseKey(key1)");
  EXPECT_TRUE(SameCalls(expected, core::Calls()));
  EXPECT_EQ((std::vector<BYTE>{'l', 'a', 'n', 'g', ' ', 'g', 'e', 'n', 'u', 'g'}),
            core::RegistryValue(kKey, "Umkreis")->data)
      << "loading must not change the registry";
}

TEST_F(Store, LoadingAgainGivesTheSameRecordAndDropsUnsavedChanges) {
  core::SetRegistryDword(kKey, "Inkreis", 0);
  core::SetRegistryDword(kKey, "Hintergrundfarbe", 1);
  core::SetRegistryDword(kKey, "Geschwindigkeit", 3000);
  const char expected[] = "flags 1011111 background 1 interval 3000";
  LoadSettings();
  EXPECT_EQ(expected, Describe(gSettings));
  LoadSettings();
  EXPECT_EQ(expected, Describe(gSettings)) << "second load";
  gSettings = Settings{0, 1, 0, 0, 0, 0, 0, 3, 900};
  LoadSettings();
  EXPECT_EQ(expected, Describe(gSettings)) << "load after an unsaved change";
}

TEST_F(Store, SaveWritesAllNineDwordsInOrder) {
  struct Case {
    const char* what;
    Settings record;
    uint32_t stored[9];
  };
  const Case cases[] = {
      {"defaults, nothing changed", {1, 1, 1, 1, 1, 1, 1, 4, 2000}, {1, 1, 1, 1, 1, 1, 1, 4, 2000}},
      {"all off, white, shortest", {0, 0, 0, 0, 0, 0, 0, 0, 500}, {0, 0, 0, 0, 0, 0, 0, 0, 500}},
      {"each flag to its own name", {1, 0, 1, 0, 0, 1, 0, 2, 1234}, {1, 0, 1, 0, 0, 1, 0, 2, 1234}},
      {"a flag that is not exactly 1 is stored as 0", {2, 255, 1, 1, 1, 1, 1, 4, 2000},
       {0, 0, 1, 1, 1, 1, 1, 4, 2000}},
      {"background and interval unchanged", {1, 1, 1, 1, 1, 1, 1, 7, -1},
       {1, 1, 1, 1, 1, 1, 1, 7, 0xFFFFFFFFu}},
  };
  for (const Case& c : cases) {
    ResetPlatform();
    gSettings = c.record;
    SaveSettings();
    Lines expected = {"RegCreateKeyA(HKEY_CURRENT_USER,\"Software\\x5CMorvaselkin\")"};
    for (int i = 0; i < 9; ++i) {
      const uint32_t v = c.stored[i];
      char bytes[32];
      std::snprintf(bytes, sizeof bytes, "[%02X %02X %02X %02X]", v & 0xFF, (v >> 8) & 0xFF, (v >> 16) & 0xFF,
                    v >> 24);
      expected.push_back("RegSetValueExA(key1,\"" + std::string(kNames[i]) + "\",0,4," + bytes + ",4)");
    }
    expected.push_back("RegCloseKey(key1)");
    EXPECT_TRUE(SameCalls(expected, core::Calls())) << c.what;
    for (int i = 0; i < 9; ++i)
      EXPECT_EQ(std::optional<uint32_t>(c.stored[i]), StoredDword(kNames[i])) << c.what << ": " << kNames[i];
  }
}

TEST_F(Store, StoredFlagFiveLoadsAsOneAndSavesBackAsOne) {
  core::SetRegistryDword(kKey, "Inkreis", 5);
  LoadSettings();
  EXPECT_EQ(1, gSettings.showIncircle);
  SaveSettings();
  EXPECT_EQ(std::optional<uint32_t>(1), StoredDword("Inkreis"));
}

TEST_F(Store, SaveReplacesWhatWasStoredAndKeepsOtherValues) {
  core::SetRegistryValue(kKey, "Geschwindigkeit", REG_SZ, Bytes("schnell"));
  core::SetRegistryDword(kKey, "Fremd", 42);
  gSettings.intervalMs = 800;
  SaveSettings();
  EXPECT_EQ(std::optional<uint32_t>(800), StoredDword("Geschwindigkeit"));
  EXPECT_EQ(std::optional<uint32_t>(42), StoredDword("Fremd"));
  LoadSettings();
  EXPECT_EQ("flags 1111111 background 4 interval 800", Describe(gSettings));
}

TEST_F(Store, FailedKeyCreationWritesNothing) {
  core::FailKeyCreation(true);
  SaveSettings();
  EXPECT_TRUE(SameCalls({"RegCreateKeyA(HKEY_CURRENT_USER,\"Software\\x5CMorvaselkin\")"}, core::Calls()));
  EXPECT_FALSE(core::KeyExists(kKey));
}

TEST_F(Store, FailedWriteDoesNotStopTheOthers) {
  core::FailValueWrite("Umkreis");
  core::FailValueWrite("Geschwindigkeit");
  SaveSettings();
  EXPECT_EQ(9u, core::CallsNamed({"RegSetValueExA"}).size());
  EXPECT_EQ("RegCloseKey(key1)", core::Calls().back());
  for (const char* name : kNames) {
    const bool failed = std::string(name) == "Umkreis" || std::string(name) == "Geschwindigkeit";
    EXPECT_EQ(!failed, StoredDword(name).has_value()) << name;
  }
}

// The stand-in registry's answers that the store relies on.
TEST_F(Store, HostQueryOfferingTooLittleReportsTheNeededSize) {
  core::SetRegistryValue(kKey, "Lang", REG_SZ, Bytes("abcdef"));
  HKEY key = nullptr;
  ASSERT_EQ(ERROR_SUCCESS, RegOpenKeyA(HKEY_CURRENT_USER, kKey, &key));
  BYTE data[4] = {9, 9, 9, 9};
  DWORD size = sizeof data, type = 0;
  EXPECT_EQ(ERROR_MORE_DATA, RegQueryValueExA(key, "Lang", nullptr, &type, data, &size));
  EXPECT_EQ(6u, size);
  EXPECT_EQ(static_cast<DWORD>(REG_SZ), type);
  EXPECT_EQ(9, data[0]) << "nothing copied";
  size = sizeof data;
  EXPECT_EQ(ERROR_FILE_NOT_FOUND, RegQueryValueExA(key, "Fehlt", nullptr, nullptr, data, &size));
  RegCloseKey(key);
  EXPECT_EQ(ERROR_FILE_NOT_FOUND, RegOpenKeyA(HKEY_CURRENT_USER, "Software\\Fehlt", &key));
  EXPECT_EQ(nullptr, key);
}

}  // namespace
