// Shared fixture: every test starts from a clean platform and a fresh program state.
#pragma once

// Test framework and standard headers first: the platform header routes the C
// runtime's rand, srand and time by name.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "geometry/triangle.h"
#include "platform/core/testing.h"
#include "render/draw.h"
#include "settings/settings.h"
#include "shell/host.h"

typedef std::vector<std::string> Lines;

// Where the settings are kept and the names of their nine values, in the order the
// program keeps them: the seven constructions', the background's, the interval's.
// Written out here, not taken from the program, so that a changed name is noticed.
const char kKey[] = "Software\\Morvaselkin";
const char* const kNames[9] = {"Schwerlinien",   "Inkreis",          "Umkreis",
                               "Hoehenlinien",   "Feuerbachkreis",   "Eulersche Gerade",
                               "Ankreise",       "Hintergrundfarbe", "Geschwindigkeit"};

// A record's seven flags in the order of the constructions, each as its number so
// that a 2 would show: "1111111".
inline std::string Flags(const Settings& s = gSettings) {
  std::string flags;
  for (const Construction& c : kConstructions) flags += std::to_string(s.*c.flag);
  return flags;
}
// And back: "0100000" switches on only the second construction.
inline void SetFlags(const std::string& flags) {
  for (int i = 0; i < kConstructionCount; ++i) gSettings.*kConstructions[i].flag = flags.at(i) == '1' ? 1 : 0;
}

inline std::string Join(const Lines& lines) {
  std::string out;
  for (const std::string& line : lines) out += "  " + line + "\n";
  return out;
}

// Compares two call lists and says where they part.
inline ::testing::AssertionResult SameCalls(const Lines& expected, const Lines& actual) {
  for (size_t i = 0; i < expected.size() || i < actual.size(); ++i) {
    std::string e = i < expected.size() ? expected[i] : "(nothing)";
    std::string a = i < actual.size() ? actual[i] : "(nothing)";
    if (e != a)
      return ::testing::AssertionFailure()
             << "call " << i << ": expected " << e << ", got " << a << "\nall calls:\n" << Join(actual);
  }
  return ::testing::AssertionSuccess();
}

// A fresh platform that records the program's calls, as every test here looks at them.
inline void ResetPlatform() {
  core::Reset();
  core::SetRecording(true);
}

class CoreTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ResetPlatform();
    ResetProgram();
    LoadSettings();
  }
  void TearDown() override {
    EXPECT_TRUE(core::Errors().empty()) << "platform misuse:\n" << Join(core::Errors());
  }
  // A window and a device context to draw into, with the recording cleared.
  HDC OpenDc(int width = 1024, int height = 768) {
    gMainWindow = core::CreateTestWindow(width, height);
    HDC dc = GetDC(gMainWindow);
    core::ClearCalls();
    return dc;
  }
  // Checks the drawing protocol's promise after a figure: nothing left alive and the
  // context holding what it held before.
  void ExpectClean(HDC dc) {
    EXPECT_EQ(0, core::LiveObjectCount());
    EXPECT_EQ("stock:BLACK_PEN", core::SelectedPen(dc));
    EXPECT_EQ("stock:SYSTEM_FONT", core::SelectedFont(dc));
  }
};
