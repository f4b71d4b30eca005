// The program's state as one value: the globals of the shell, the triangle and the
// settings, saved, restored and reset together.
#include "shell/host.h"

ProgramState SaveProgram() {
  ProgramState state;
  state.instance = gInstance;
  state.mainWindow = gMainWindow;
  state.timerId = gTimerId;
  state.cycleStep = gCycleStep;
  state.triangle = gTriangle;
  state.settings = gSettings;
  return state;
}

void RestoreProgram(const ProgramState& state) {
  gInstance = state.instance;
  gMainWindow = state.mainWindow;
  gTimerId = state.timerId;
  gCycleStep = state.cycleStep;
  gTriangle = state.triangle;
  gSettings = state.settings;
}

// A new process has its globals zeroed and the triangle made by its constructor.
void ResetProgram() { RestoreProgram(ProgramState()); }
