// Running the program: its entry as a preview inside an outer window, and the rules
// the driver keeps between its ticks.
#include "driver/run.h"

#include <algorithm>
#include <cstdlib>
#include <map>
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

  // `outer` null: the run is several screens' (Screens), and its end is the loop's.
  // Whether it took care of the message itself; the program's loop then passes it by.
  bool Handles(const MSG& msg) {
    if (gMainWindow == nullptr || msg.hwnd != gMainWindow) return false;
    if (msg.message == WM_KEYDOWN && plan_.endOnKeys && IsEndKey(msg.wParam)) {
      core::DestroyWindowTree(outer_);
      return true;
    }
    if (plan_.endOnInput && EndsOnInput(msg)) {
      End();
      return true;
    }
    if (msg.message != WM_TIMER || msg.wParam != gTimerId) return false;
    Tick(msg);
    return true;
  }

 private:
  // Any key; the pointer moved beyond the slack from where it was first seen, or seen
  // in another window than there.
  bool EndsOnInput(const MSG& msg) {
    if (msg.message == WM_KEYDOWN) return true;
    if (msg.message != WM_MOUSEMOVE) return false;
    const int x = static_cast<int16_t>(LOWORD(msg.lParam)), y = static_cast<int16_t>(HIWORD(msg.lParam));
    if (pointerWindow_ == nullptr) {
      pointerWindow_ = msg.hwnd;
      pointerX_ = x;
      pointerY_ = y;
      return false;
    }
    return msg.hwnd != pointerWindow_ || std::abs(x - pointerX_) > kPointerSlack ||
           std::abs(y - pointerY_) > kPointerSlack;
  }

  // A window of its own ends with its outer window; several screens end together.
  void End() {
    if (outer_ != nullptr) core::DestroyWindowTree(outer_);
    else core::PostQuit(0);
  }

  void Tick(const MSG& msg) {
    if (listener_ != nullptr && gCycleStep == kStepTriangle && !listener_->CycleBegins()) {
      End();
      return;
    }
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
  HWND pointerWindow_ = nullptr;  // where the pointer was first seen, and at which point
  int pointerX_ = 0, pointerY_ = 0;
};

}  // namespace

Plan PlanOf(const Options& options) {
  Plan plan;
  plan.cornersGiven = options.triangleGiven;
  options.Corners(plan.corners);
  if (options.mode == Mode::Picture || options.Given("step")) plan.holdStep = options.step;
  if (options.mode == Mode::Frames) plan.holdStep = kStepErase;
  plan.clockGiven = options.timeGiven;
  plan.second = static_cast<time_t>(options.second);
  plan.endOnKeys = options.mode == Mode::Window || options.mode == Mode::FullScreen;
  plan.endOnInput = options.mode == Mode::Saver;
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

struct Screens::Inner {
  Inner(const Plan& plan, Listener* listener) : rules(nullptr, plan, listener) {}
  Between rules;
  std::map<HWND, ProgramState> states;  // by program window
};

Screens::Screens(const Plan& plan, Listener* listener)
    : plan_(plan), inner_(std::make_unique<Inner>(plan, listener)) {}

Screens::~Screens() = default;

void Screens::Add(HWND outer) {
  if (running_) Start(outer);
  else waiting_.push_back(outer);
}

// The program's end at its window's destruction (WM_DESTROY posts the quit) ends only
// this screen's program: the quit it posted is taken back, unless one was posted
// before.
void Screens::Drop(HWND outer) {
  waiting_.erase(std::remove(waiting_.begin(), waiting_.end(), outer), waiting_.end());
  const std::vector<HWND> windows = core::Children(outer);
  for (HWND window : windows)
    if (inner_->states.count(window) != 0) SwitchTo(window);
  const bool quitting = core::QuitPosted();
  core::DestroyWindowTree(outer);
  if (!quitting) core::TakeBackQuit();
  for (HWND window : windows) {
    inner_->states.erase(window);
    if (current_ == window) current_ = nullptr;
  }
}

Ran Screens::Run() {
  if (waiting_.empty()) return {0, false};
  ResetProgram();
  if (plan_.clockGiven) core::SetClock(plan_.second);
  const HWND first = waiting_.front();
  waiting_.erase(waiting_.begin());
  // The loop's first message tells that the entry has made its window (and read the
  // settings and registered its class): then the other screens' programs start.
  core::PostMessageToQueue(first, WM_NULL, 0, 0);
  core::SetMessageFilter([this](const MSG& msg) { return Handles(msg); });
  const int result = RunEntry("/p " + std::to_string(reinterpret_cast<uintptr_t>(first)));
  core::SetMessageFilter(nullptr);
  return {result, firstMade_};
}

std::vector<HWND> Screens::Windows() const {
  std::vector<HWND> windows;
  for (const auto& [window, state] : inner_->states) windows.push_back(window);
  return windows;
}

bool Screens::Handles(const MSG& msg) {
  if (!running_) {
    running_ = true;
    firstMade_ = gMainWindow != nullptr;
    if (firstMade_) {
      current_ = gMainWindow;
      inner_->states[current_] = SaveProgram();
    }
    for (HWND outer : waiting_) Start(outer);
    waiting_.clear();
    if (msg.message == WM_NULL) return true;
  }
  if (inner_->states.count(msg.hwnd) != 0) SwitchTo(msg.hwnd);
  return inner_->rules.Handles(msg);
}

// A program window in another screen, made as the entry makes its preview: a child
// filling the outer window, shown and painted, with its state as a new process has it
// but for the instance and the settings the entry took.
void Screens::Start(HWND outer) {
  const ProgramState entry = current_ != nullptr ? SaveProgram() : ProgramState();
  if (current_ != nullptr) inner_->states[current_] = entry;
  ResetProgram();
  ProgramState fresh = SaveProgram();
  fresh.instance = entry.instance;
  fresh.settings = entry.settings;
  RestoreProgram(fresh);
  const SIZE size = core::ClientSize(outer);
  const HWND window = CreateWindowExA(0, kWindowClass, kWindowTitle, WS_CHILD, 0, 0, size.cx, size.cy, outer, nullptr,
                                      gInstance, nullptr);
  if (window == nullptr) {
    if (current_ != nullptr) RestoreProgram(entry);
    return;
  }
  gMainWindow = window;
  ShowWindow(window, SW_SHOWDEFAULT);
  UpdateWindow(window);
  current_ = window;
  inner_->states[window] = SaveProgram();
}

void Screens::SwitchTo(HWND window) {
  if (window == current_) return;
  if (current_ != nullptr) inner_->states[current_] = SaveProgram();
  RestoreProgram(inner_->states.at(window));
  current_ = window;
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
