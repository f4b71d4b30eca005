// The program's state as one value: what a host saves, restores and resets is every
// global the program keeps, and the explorer hands back all of it as it found it.
#include "support.h"
#include "explorer/explorer.h"

namespace {

// Every global of the program at a value no fresh process has.
ProgramState Marked() {
  ProgramState marked;
  marked.instance = reinterpret_cast<HINSTANCE>(static_cast<uintptr_t>(0x400000));
  marked.mainWindow = reinterpret_cast<HWND>(static_cast<uintptr_t>(77));
  marked.timerId = 9;
  marked.cycleStep = kStepSecondQuiet;
  marked.triangle.a = {11, 12};
  marked.triangle.b = {13, 14};
  marked.triangle.c = {15, 16};
  marked.triangle.SetBackground(2);
  marked.settings = {0, 1, 0, 1, 0, 1, 0, 3, 1234};
  return marked;
}

// The globals as text, one name=value a line, so that a difference names the global.
std::string Globals() {
  const Triangle& t = gTriangle;
  const Settings& s = gSettings;
  std::string out = "instance=" + std::to_string(reinterpret_cast<uintptr_t>(gInstance)) +
                    " mainWindow=" + std::to_string(reinterpret_cast<uintptr_t>(gMainWindow)) +
                    " timerId=" + std::to_string(gTimerId) + " cycleStep=" + std::to_string(gCycleStep);
  out += " triangle=" + std::to_string(t.a.x) + "," + std::to_string(t.a.y) + "," + std::to_string(t.b.x) + "," +
         std::to_string(t.b.y) + "," + std::to_string(t.c.x) + "," + std::to_string(t.c.y) +
         " background=" + std::to_string(t.background) + " triangleColour=" + std::to_string(t.triangleColour);
  out += " settings=";
  for (const Construction& c : kConstructions) out += std::to_string(s.*c.flag);
  out += "," + std::to_string(s.background) + "," + std::to_string(s.intervalMs);
  return out;
}

class State : public CoreTest {};

// Saved, reset and restored: every global goes to what a new process has and back.
TEST_F(State, EveryGlobalIsSavedResetAndRestored) {
  RestoreProgram(Marked());
  const std::string marked = Globals();
  EXPECT_EQ("instance=4194304 mainWindow=77 timerId=9 cycleStep=9 triangle=11,12,13,14,15,16 background=2 "
            "triangleColour=255 settings=0101010,3,1234",
            marked);
  const ProgramState saved = SaveProgram();
  ResetProgram();
  EXPECT_EQ("instance=0 mainWindow=0 timerId=0 cycleStep=0 triangle=0,0,0,0,0,0 background=0 "
            "triangleColour=255 settings=0000000,0,0",
            Globals())
      << "a new process's globals";
  RestoreProgram(saved);
  EXPECT_EQ(marked, Globals());
}

// The explorer borrows the program's state while it runs and gives all of it back,
// also settings that differ from those stored (it reads the stored ones for itself).
TEST_F(State, TheExplorerGivesBackEveryGlobal) {
  core::SetRegistryDword(kSettingsKey, kConstructions[0].valueName, 1);
  const HWND outer = core::NewOuterWindow("outer", 320, 240);
  ProgramState before = Marked();
  before.mainWindow = nullptr;
  RestoreProgram(before);
  const std::string marked = Globals();
  explorer::Start start;
  start.cornersGiven = true;
  start.corners[0] = {10, 200};
  start.corners[1] = {300, 210};
  start.corners[2] = {150, 20};
  ASSERT_NE(nullptr, explorer::Open(outer, start, nullptr));
  EXPECT_EQ(1, gSettings.*kConstructions[0].flag) << "the explorer reads the stored settings";
  EXPECT_NE(marked, Globals());
  core::DestroyWindowTree(outer);
  EXPECT_EQ(marked, Globals());
}

}  // namespace
