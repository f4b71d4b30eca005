#include "driver/driver.h"

#include <algorithm>
#include <cstdlib>

#include "platform/core/backend.h"
#include "settings/settings.h"
#include "shell/shell.h"

namespace driver {

namespace {

// What the Windows loader hands WinMain as the program's instance.
HINSTANCE const kInstance = reinterpret_cast<HINSTANCE>(static_cast<uintptr_t>(0x400000));

// The corners of --triangle's six numbers.
void CornersOf(const dreieck::Options& options, Point corners[3]) {
  for (int i = 0; i < 3; ++i) corners[i] = {options.triangle[2 * i], options.triangle[2 * i + 1]};
}

// The program's globals as a new process has them, before its entry runs.
void FreshProgram() {
  gMainWindow = nullptr;
  gTimerId = 0;
  gCycleStep = kStepTriangle;
  gTriangle = Triangle();
}

int RunEntry(const std::string& commandLine) {
  std::string line = commandLine;
  return WinMain(kInstance, nullptr, line.data(), SW_SHOWDEFAULT);
}

}  // namespace

// The rules between the program's ticks: it sees every message the program's loop is
// about to take, and runs the program's ticks itself.
class Between {
 public:
  // `outer` null: the run is several screens' (Screens), and its end is the loop's.
  Between(HWND outer, const Plan& plan, Listener* listener) : outer_(outer), plan_(plan), listener_(listener) {}

  // True for a message it took care of.
  bool Take(const MSG& msg) {
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

Plan PlanOf(const dreieck::Options& options) {
  Plan plan;
  plan.cornersGiven = options.triangleGiven;
  CornersOf(options, plan.corners);
  if (options.mode == dreieck::Mode::Picture || options.Given("step")) plan.holdStep = options.step;
  if (options.mode == dreieck::Mode::Frames) plan.holdStep = kStepErase;
  plan.clockGiven = options.timeGiven;
  plan.second = static_cast<time_t>(options.second);
  plan.endOnKeys = options.mode == dreieck::Mode::Window || options.mode == dreieck::Mode::FullScreen;
  plan.endOnInput = options.mode == dreieck::Mode::Saver;
  return plan;
}

void StoreSettings(const dreieck::Options& options) {
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

std::vector<std::pair<std::string, uint32_t>> StoredSettings() {
  std::vector<std::pair<std::string, uint32_t>> values;
  for (const char* name : ValueNames()) {
    const auto entry = core::RegistryValue(kSettingsKey, name);
    if (!entry || entry->data.size() != 4) continue;
    const std::vector<BYTE>& d = entry->data;
    values.emplace_back(name, static_cast<uint32_t>(d[0]) | static_cast<uint32_t>(d[1]) << 8 |
                                  static_cast<uint32_t>(d[2]) << 16 | static_cast<uint32_t>(d[3]) << 24);
  }
  return values;
}

void StoreSettings(const std::vector<std::pair<std::string, uint32_t>>& values, const dreieck::Options& options) {
  const std::vector<const char*> names = ValueNames();
  for (const auto& value : values)
    for (const char* name : names)
      if (value.first == name) core::SetRegistryDword(kSettingsKey, name, value.second);
  StoreSettings(options);
}

void GiveUpSettings(dreieck::Options* options) {
  std::fill(options->flags, options->flags + kConstructionCount, -1);
  options->background = -1;
  options->intervalMs = -1;
}

Ran RunSaver(HWND outer, const Plan& plan, Listener* listener) {
  FreshProgram();
  if (plan.clockGiven) core::SetClock(plan.second);
  Between between(outer, plan, listener);
  core::SetMessageFilter([&between](const MSG& msg) { return between.Take(msg); });
  const int result = RunEntry("/p " + std::to_string(reinterpret_cast<uintptr_t>(outer)));
  core::SetMessageFilter(nullptr);
  return {result, gMainWindow != nullptr};
}

Screens::Screens(const Plan& plan) : plan_(plan), rules_(std::make_unique<Between>(nullptr, plan, nullptr)) {}

Screens::~Screens() = default;

Screens::State Screens::Saved() { return {gMainWindow, gTimerId, gCycleStep, gTriangle, gSettings}; }

void Screens::Load(const State& state) {
  gMainWindow = state.mainWindow;
  gTimerId = state.timerId;
  gCycleStep = state.cycleStep;
  gTriangle = state.triangle;
  gSettings = state.settings;
}

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
    if (states_.count(window) != 0) SwitchTo(window);
  const bool quitting = core::QuitPosted();
  core::DestroyWindowTree(outer);
  if (!quitting) core::TakeBackQuit();
  for (HWND window : windows) {
    states_.erase(window);
    if (current_ == window) current_ = nullptr;
  }
}

Ran Screens::Run() {
  if (waiting_.empty()) return {0, false};
  FreshProgram();
  if (plan_.clockGiven) core::SetClock(plan_.second);
  const HWND first = waiting_.front();
  waiting_.erase(waiting_.begin());
  // The loop's first message tells that the entry has made its window (and read the
  // settings and registered its class): then the other screens' programs start.
  core::PostMessageToQueue(first, WM_NULL, 0, 0);
  core::SetMessageFilter([this](const MSG& msg) { return Take(msg); });
  const int result = RunEntry("/p " + std::to_string(reinterpret_cast<uintptr_t>(first)));
  core::SetMessageFilter(nullptr);
  return {result, firstMade_};
}

std::vector<HWND> Screens::Windows() const {
  std::vector<HWND> windows;
  for (const auto& [window, state] : states_) windows.push_back(window);
  return windows;
}

bool Screens::Take(const MSG& msg) {
  if (!running_) {
    running_ = true;
    firstMade_ = gMainWindow != nullptr;
    if (firstMade_) {
      current_ = gMainWindow;
      states_[current_] = Saved();
    }
    for (HWND outer : waiting_) Start(outer);
    waiting_.clear();
    if (msg.message == WM_NULL) return true;
  }
  if (states_.count(msg.hwnd) != 0) SwitchTo(msg.hwnd);
  return rules_->Take(msg);
}

// A program window in another screen, made as the entry makes its preview: a child
// filling the outer window, shown and painted, with its globals as a new process has
// them and the settings the entry read.
void Screens::Start(HWND outer) {
  if (current_ != nullptr) states_[current_] = Saved();
  FreshProgram();
  const SIZE size = core::ClientSize(outer);
  const HWND window = CreateWindowExA(0, kWindowClass, kWindowTitle, WS_CHILD, 0, 0, size.cx, size.cy, outer, nullptr,
                                      gInstance, nullptr);
  if (window == nullptr) {
    if (current_ != nullptr) Load(states_.at(current_));
    return;
  }
  gMainWindow = window;
  ShowWindow(window, SW_SHOWDEFAULT);
  UpdateWindow(window);
  current_ = window;
  states_[window] = Saved();
}

void Screens::SwitchTo(HWND window) {
  if (window == current_) return;
  if (current_ != nullptr) states_[current_] = Saved();
  Load(states_.at(window));
  current_ = window;
}

// A run begins at the triangle's step, and its erase returns there.
bool TriangleShown() { return gCycleStep != kStepTriangle; }

bool RunSettingsDialog() {
  FreshProgram();
  const uint64_t before = core::RegistryWrites();
  RunEntry("/c");
  return core::RegistryWrites() != before;
}

explorer::Start ExplorerStart(const dreieck::Options& options) {
  explorer::Start start;
  start.cornersGiven = options.triangleGiven;
  CornersOf(options, start.corners);
  start.secondGiven = options.timeGiven;
  start.second = static_cast<time_t>(options.second);
  start.step = options.step;
  return start;
}

explorer::Start ExplorerStartFromSaver(const dreieck::Options& options) {
  explorer::Start start = ExplorerStart(options);
  start.step = kStepLastConstruction;
  start.cornersGiven = TriangleShown();
  if (start.cornersGiven) {
    start.corners[0] = gTriangle.a;
    start.corners[1] = gTriangle.b;
    start.corners[2] = gTriangle.c;
  } else {
    start.secondGiven = false;  // a triangle of its own
  }
  return start;
}

std::string SaveStem(time_t now, const std::function<bool(const std::string&)>& taken) {
  tm local;
  char stamp[32];
  strftime(stamp, sizeof stamp, "dreieck-%Y%m%d-%H%M%S", localtime_r(&now, &local));
  std::string stem = stamp;
  for (int n = 2; n < 1000 && taken(stem); ++n) stem = stamp + ("-" + std::to_string(n));
  return stem;
}

std::string PictureOptions(const explorer::View& view, int width, int height, int scale) {
  std::string out = "--size " + std::to_string(width) + "x" + std::to_string(height) + " --triangle ";
  for (int i = 0; i < 3; ++i)
    out += std::to_string(view.corners[i].x) + "," + std::to_string(view.corners[i].y) + (i < 2 ? "," : "");
  out += " --step " + std::to_string(view.step);
  if (scale != 1) out += " --scale " + std::to_string(scale);
  for (int i = 0; i < kConstructionCount; ++i)
    if (!view.shown[i]) out += std::string(" --no-") + kConstructions[i].option;
  if (view.background != kDefaultBackground && view.background < dreieck::kShadeCount)
    out += std::string(" --background ") + dreieck::kShadeNames[view.background];
  return out;
}

}  // namespace driver
