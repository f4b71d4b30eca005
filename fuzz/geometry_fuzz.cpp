// Arbitrary 32-bit vertices, display and client sizes through the derived points,
// every figure and the cycle: nothing may crash or trip the sanitizers, and after
// every figure no drawing object may be left alive and the device context must hold
// what it held before.
#include "fuzz/fuzz_input.h"
#include "platform/core/testing.h"

#include "geometry/triangle.h"
#include "render/draw.h"
#include "settings/settings.h"
#include "shell/host.h"

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
  ResetProgram();
  core::SetDisplaySize(in.I32(), in.I32());
  gMainWindow = core::CreateTestWindow(in.I32(), in.I32());
  gTriangle.SetBackground(in.I32());
  gTriangle.a = {in.I32(), in.I32()};
  gTriangle.b = {in.I32(), in.I32()};
  gTriangle.c = {in.I32(), in.I32()};
  gTriangle.orthocenter = {in.I32(), in.I32()};
  gTriangle.incenter = {in.I32(), in.I32()};

  HDC dc = GetDC(gMainWindow);
  gTriangle.DrawFigure(dc, FigureTriangle);
  CheckClean(dc, "the triangle");
  core::ClearCalls();
  for (const Construction& construction : kConstructions) {
    gTriangle.DrawFigure(dc, construction.figure);
    CheckClean(dc, construction.option);
    core::ClearCalls();
  }
  const int32_t other = in.I32();
  gTriangle.DrawFigure(dc, other);
  CheckClean(dc, "another kind");
  ReleaseDC(gMainWindow, dc);

  // A few ticks of the cycle with fuzzed flags and shade, from a fuzzed step.
  const uint8_t flags = in.Byte();
  for (int i = 0; i < kConstructionCount; ++i) gSettings.*kConstructions[i].flag = (flags >> i) & 1;
  gSettings.background = in.U32();
  gCycleStep = in.Byte() % (kStepErase + 1);
  for (int tick = 0; tick <= kStepErase + 1; ++tick) {
    OnTimerTick();
    Require(gCycleStep >= kStepTriangle && gCycleStep <= kStepErase, "step out of range");
    Require(core::LiveObjectCount() == 0, "objects left alive after a tick");
    Require(core::Errors().empty(), "platform misuse in a tick: " + (core::Errors().empty() ? "" : core::Errors()[0]));
    core::ClearCalls();
  }
  return 0;
}
