// The program's own work in a tick, without pixels: the derived points of a triangle,
// and each figure's drawing through the stand-in core with the call record off and
// no canvas behind the window (what the soak run and the fuzzers pay per tick).
#include <benchmark/benchmark.h>

#include <cstdint>

#include "geometry/triangle.h"
#include "platform/core/testing.h"
#include "settings/settings.h"
#include "shell/host.h"

extern int gBenchmarkFailures;

namespace {

// Marks the benchmark failed; the run then ends with 1 (see main.cpp).
void Fail(benchmark::State& state, const char* why) {
  ++gBenchmarkFailures;
  state.SkipWithError(why);
}

// The second every benchmark's triangle comes from: 2021-03-04 05:06:07 UTC.
constexpr time_t kSecond = 1614834367;

// A fresh stand-in with the record off, a 1920 x 1080 window without a canvas, all
// constructions on, and the triangle of kSecond placed by the cycle's first tick.
void SetUpRecordingFree() {
  core::Reset();
  core::SetClock(kSecond);
  ResetProgram();
  LoadSettings();
  gMainWindow = core::CreateTestWindow(1920, 1080);
  OnTimerTick();
}

void TearDown() {
  core::Reset();
  ResetProgram();
}

void BM_ComputeDerivedPoints(benchmark::State& state) {
  SetUpRecordingFree();
  Triangle triangle = gTriangle;
  for (auto _ : state) {
    benchmark::DoNotOptimize(triangle.a);
    triangle.ComputeDerivedPoints();
    benchmark::DoNotOptimize(triangle.excenters);
  }
  TearDown();
}
BENCHMARK(BM_ComputeDerivedPoints);

// One figure per iteration (0 the triangle, then the constructions in the cycle's
// order) on a device context of a window with no canvas. Every
// pen, font and device context the core hands out stays in its handle table, so the
// table is started afresh now and then, outside the measured time.
void BM_DrawFigure(benchmark::State& state) {
  const int n = static_cast<int>(state.range(0));
  const int32_t kind = n == 0 ? FigureTriangle : kConstructions[n - 1].figure;
  state.SetLabel(n == 0 ? "triangle" : kConstructions[n - 1].option);
  SetUpRecordingFree();
  HDC dc = GetDC(gMainWindow);
  int since = 0;
  for (auto _ : state) {
    gTriangle.DrawFigure(dc, kind);
    if (++since == 4096) {
      state.PauseTiming();
      ReleaseDC(gMainWindow, dc);
      const Triangle kept = gTriangle;
      SetUpRecordingFree();
      gTriangle = kept;
      dc = GetDC(gMainWindow);
      since = 0;
      state.ResumeTiming();
    }
  }
  ReleaseDC(gMainWindow, dc);
  if (!core::Errors().empty()) Fail(state, core::Errors().front().c_str());
  else if (core::LiveObjectCount() != 0) Fail(state, "a figure left a drawing object behind");
  TearDown();
}
BENCHMARK(BM_DrawFigure)->DenseRange(0, kConstructionCount);

// A whole cycle of 11 ticks on the recording-free path: what a tick costs when
// nothing is drawn.
void BM_CycleWithoutCanvas(benchmark::State& state) {
  SetUpRecordingFree();
  gCycleStep = kStepTriangle;
  int cycles = 0;
  int64_t ticks = 0;
  for (auto _ : state) {
    do {
      OnTimerTick();
      ++ticks;
    } while (gCycleStep != kStepTriangle);
    if (++cycles == 512) {
      state.PauseTiming();
      SetUpRecordingFree();
      gCycleStep = kStepTriangle;
      cycles = 0;
      state.ResumeTiming();
    }
  }
  if (ticks != 11 * state.iterations()) Fail(state, "a cycle was not 11 ticks long");
  state.counters["ticks"] = benchmark::Counter(static_cast<double>(ticks));
  TearDown();
}
BENCHMARK(BM_CycleWithoutCanvas);

}  // namespace
