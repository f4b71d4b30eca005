// Running the program: its entry as a preview inside an outer window, and the rules
// the driver keeps between its ticks.
#include "driver/run.h"

#include <string>

#include "platform/core/backend.h"
#include "shell/host.h"

namespace driver {

namespace {

// What the Windows loader hands WinMain as the program's instance.
HINSTANCE const kInstance = reinterpret_cast<HINSTANCE>(static_cast<uintptr_t>(0x400000));

int RunEntry(const std::string& commandLine) {
  std::string line = commandLine;
  return WinMain(kInstance, nullptr, line.data(), SW_SHOWDEFAULT);
}

// The rules between the program's ticks: it sees every message the program's loop is
// about to take, and runs the program's ticks itself.
class Between {
 public:
  Between(HWND outer, const Plan& plan, Listener* listener) : outer_(outer), plan_(plan), listener_(listener) {}

  // Whether it took care of the message itself; the program's loop then passes it by.
  bool Handles(const MSG& msg) {
    if (gMainWindow == nullptr || msg.hwnd != gMainWindow) return false;
    if (msg.message == WM_KEYDOWN && plan_.endOnKeys && IsEndKey(msg.wParam)) {
      core::DestroyWindowTree(outer_);
      return true;
    }
    if (msg.message != WM_TIMER || msg.wParam != gTimerId) return false;
    Tick(msg);
    return true;
  }

 private:
  void Tick(const MSG& msg) {
    if (listener_ != nullptr) listener_->TickStarts();
    const int32_t started = gCycleStep;
    if (plan_.cornersGiven && started == kStepTriangle) TickWithCorners(plan_.corners);
    else DispatchMessageA(&msg);
    const int32_t next = gCycleStep;
    // The picture after the tick of the step asked for is complete once a tick that
    // began at or before it has gone beyond it, or erased the screen.
    const int32_t hold = plan_.holdStep;
    const bool held = hold >= 0 && started <= hold && (next > hold || next == kStepTriangle);
    if (held) KillTimer(gMainWindow, gTimerId);
    if (listener_ != nullptr) listener_->Ticked(started, next, held);
  }

  HWND outer_;
  const Plan& plan_;
  Listener* listener_;
};

}  // namespace

Plan PlanOf(const dreieck::Options& options) {
  Plan plan;
  plan.cornersGiven = options.triangleGiven;
  options.Corners(plan.corners);
  if (options.mode == dreieck::Mode::Picture || options.Given("step")) plan.holdStep = options.step;
  if (options.mode == dreieck::Mode::Frames) plan.holdStep = kStepErase;
  plan.clockGiven = options.timeGiven;
  plan.second = static_cast<time_t>(options.second);
  plan.endOnKeys = options.mode == dreieck::Mode::Window || options.mode == dreieck::Mode::FullScreen;
  return plan;
}

Ran RunSaver(HWND outer, const Plan& plan, Listener* listener) {
  ResetProgram();
  if (plan.clockGiven) core::SetClock(plan.second);
  Between between(outer, plan, listener);
  core::SetMessageFilter([&between](const MSG& msg) { return between.Handles(msg); });
  const int result = RunEntry("/p " + std::to_string(reinterpret_cast<uintptr_t>(outer)));
  core::SetMessageFilter(nullptr);
  return {result, gMainWindow != nullptr};
}

// A run begins at the triangle's step, and its erase returns there.
bool TriangleShown() { return gCycleStep != kStepTriangle; }

bool RunSettingsDialog() {
  ResetProgram();
  const uint64_t before = core::RegistryWrites();
  RunEntry("/c");
  return core::RegistryWrites() != before;
}

}  // namespace driver
