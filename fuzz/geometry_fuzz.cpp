// Arbitrary 32-bit vertices, display and client sizes through the derived points,
// every figure and the cycle: nothing may crash or trip the sanitizers, and after
// every figure no drawing object may be left alive and the device context must hold
// what it held before.
#include "fuzz/fuzz_input.h"
#include "platform/core/testing.h"

#include "geometry/triangle.h"
#include "render/draw.h"
#include "settings/settings.h"
#include "shell/shell.h"

static void CheckClean(HDC dc, const char* after) {
  Require(core::LiveObjectCount() == 0, std::string("objects left alive after ") + after);
  Require(core::SelectedPen(dc) == "stock:BLACK_PEN", std::string("pen not restored after ") + after);
  Require(core::SelectedFont(dc) == "stock:SYSTEM_FONT", std::string("font not restored after ") + after);
  Require(core::Errors().empty(), std::string("platform misuse after ") + after + ": " +
                                      (core::Errors().empty() ? "" : core::Errors()[0]));
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  FuzzInput in(data, size);
  core::Reset();
  core::SetDisplaySize(in.I32(), in.I32());
  gMainWindow = core::CreateTestWindow(in.I32(), in.I32());
  gTriangle = Triangle();
  gTriangle.SetBackground(in.I32());
  gTriangle.a = {in.I32(), in.I32()};
  gTriangle.b = {in.I32(), in.I32()};
  gTriangle.c = {in.I32(), in.I32()};
  gTriangle.orthocenter = {in.I32(), in.I32()};
  gTriangle.incenter = {in.I32(), in.I32()};

  HDC dc = GetDC(gMainWindow);
  const char* names[] = {"triangle", "medians", "circumcircle", "incircle", "altitudes",
                         "nine-point circle", "Euler line", "excircles"};
  for (int32_t kind = 0; kind <= 7; ++kind) {
    gTriangle.DrawFigure(dc, kind);
    CheckClean(dc, names[kind]);
    core::ClearCalls();
  }
  const int32_t other = in.I32();
  gTriangle.DrawFigure(dc, other);
  CheckClean(dc, "another kind");
  ReleaseDC(gMainWindow, dc);

  // A few ticks of the cycle with fuzzed flags and shade, from a fuzzed step.
  const uint8_t flags = in.Byte();
  gSettings.showMedians = flags & 1;
  gSettings.showIncircle = (flags >> 1) & 1;
  gSettings.showCircumcircle = (flags >> 2) & 1;
  gSettings.showAltitudes = (flags >> 3) & 1;
  gSettings.showNinePointCircle = (flags >> 4) & 1;
  gSettings.showEulerLine = (flags >> 5) & 1;
  gSettings.showExcircles = (flags >> 6) & 1;
  gSettings.background = in.U32();
  gCycleStep = in.Byte() % 11;
  for (int tick = 0; tick < 12; ++tick) {
    OnTimerTick();
    Require(gCycleStep >= 0 && gCycleStep <= 10, "step out of range");
    Require(core::LiveObjectCount() == 0, "objects left alive after a tick");
    Require(core::Errors().empty(), "platform misuse in a tick: " + (core::Errors().empty() ? "" : core::Errors()[0]));
    core::ClearCalls();
  }
  return 0;
}
