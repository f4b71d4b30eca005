// The benchmarks' entry: Google Benchmark's own, except that a run in which any
// benchmark failed its checks (a tick that drew nothing, a picture not written, a
// leaked drawing object) ends with 1, so a smoke run catches it.
#include <benchmark/benchmark.h>

int gBenchmarkFailures = 0;

int main(int argc, char** argv) {
  benchmark::Initialize(&argc, argv);
  if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 2;
  benchmark::RunSpecifiedBenchmarks();
  benchmark::Shutdown();
  return gBenchmarkFailures == 0 ? 0 : 1;
}
