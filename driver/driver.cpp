#include "driver/driver.h"

#include <algorithm>

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

// The rules between the program's ticks: it sees every message the program's loop is
// about to take, and runs the program's ticks itself.
class Between {
 public:
  Between(HWND outer, const Plan& plan, Listener* listener) : outer_(outer), plan_(plan), listener_(listener) {}

  // True for a message it took care of.
  bool Take(const MSG& msg) {
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
    if (listener_ != nullptr && gCycleStep == kStepTriangle && !listener_->CycleBegins()) {
      core::DestroyWindowTree(outer_);
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
};

}  // namespace

Plan PlanOf(const dreieck::Options& options) {
  Plan plan;
  plan.cornersGiven = options.triangleGiven;
  CornersOf(options, plan.corners);
  if (options.mode == dreieck::Mode::Picture || options.Given("step")) plan.holdStep = options.step;
  if (options.mode == dreieck::Mode::Frames) plan.holdStep = kStepErase;
  plan.clockGiven = options.timeGiven;
  plan.second = static_cast<time_t>(options.second);
  plan.endOnKeys = options.mode == dreieck::Mode::Window || options.mode == dreieck::Mode::FullScreen;
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
