// The ticks of a whole cycle on a Cairo image, as the X11 backend draws them off
// screen, and whole pictures, each set against the cheapest thing that touches the
// same pixels: a bare erase of the same surface, or a blank PNG of the same size.
//
// Every benchmark here keeps its own time (manual time), so that starting the
// stand-in afresh now and then stays out of it. Each measured stretch is timed twice:
// on the wall clock (the reported time) and on the thread's CPU clock, which other
// processes on the machine do not disturb. The references are measured first in the
// same run and kept; each benchmark reports its time as a multiple of its reference
// in counters: x_erase / x_blank_png on the CPU clock, and *_wall on the wall clock.
#include <benchmark/benchmark.h>

#include <cairo.h>
#include <malloc.h>
#include <spawn.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <map>
#include <memory>
#include <string>
#include <utility>

#include "explorer/explorer.h"
#include "geometry/triangle.h"
#include "platform/cairo/canvas.h"
#include "platform/core/backend.h"
#include "platform/core/testing.h"
#include "driver/options.h"
#include "frontends/linux/picture.h"
#include "settings/settings.h"
#include "shell/host.h"

extern char** environ;
extern int gBenchmarkFailures;

namespace {

// The second every benchmark's triangle comes from: 2021-03-04 05:06:07 UTC.
constexpr time_t kSecond = 1614834367;
const char kSecondText[] = "2021-03-04 05:06:07";

// Marks the benchmark failed; the run then ends with 1 (see main.cpp).
void Fail(benchmark::State& state, const char* why) {
  ++gBenchmarkFailures;
  state.SkipWithError(why);
}

double ClockSeconds(clockid_t clock) {
  timespec t;
  clock_gettime(clock, &t);
  return static_cast<double>(t.tv_sec) + static_cast<double>(t.tv_nsec) * 1e-9;
}

// Wall and CPU time of measured stretches, added up.
struct Stopwatch {
  double wall = 0, cpu = 0;
  double startWall = 0, startCpu = 0;
  void Start() {
    startCpu = ClockSeconds(CLOCK_THREAD_CPUTIME_ID);
    startWall = ClockSeconds(CLOCK_MONOTONIC);
  }
  // Ends a stretch; its wall time.
  double Stop() {
    const double w = ClockSeconds(CLOCK_MONOTONIC) - startWall;
    cpu += ClockSeconds(CLOCK_THREAD_CPUTIME_ID) - startCpu;
    wall += w;
    return w;
  }
};

// A reference: the mean wall and CPU time of one erase or blank PNG.
struct Reference {
  double wall = 0, cpu = 0;
};

// Reports the mean of `n` measured stretches as multiples of a reference.
void Ratios(benchmark::State& state, const char* name, const Stopwatch& watch, double n, const Reference& ref) {
  if (n <= 0 || ref.cpu <= 0 || ref.wall <= 0) return;
  state.counters[name] = watch.cpu / n / ref.cpu;
  state.counters[std::string(name) + "_wall"] = watch.wall / n / ref.wall;
  state.counters["cpu_us"] = watch.cpu / n * 1e6;
}

// What the tick of a step draws.
const char* TickName(int32_t step) {
  if (step == kStepTriangle) return "triangle";
  if (step <= kStepLastConstruction) return kConstructions[step - kStepFirstConstruction].option;
  return step == kStepErase ? "erase_caption" : "quiet";
}

// A screen whose only window shows a Cairo image: the off-screen image of the X11
// backend, without the copy to the X server.
class ImageBackend final : public core::Backend {
 public:
  ImageBackend(int width, int height)
      : width_(width), height_(height), image_(cairo_image_surface_create(CAIRO_FORMAT_RGB24, width, height)) {
    Renew();
  }
  ~ImageBackend() override {
    canvas_.reset();
    cairo_surface_destroy(image_);
  }
  ImageBackend(const ImageBackend&) = delete;
  ImageBackend& operator=(const ImageBackend&) = delete;

  // A new canvas on the same image: the canvas keeps every label it wrote.
  void Renew() { canvas_ = std::make_unique<cairo_canvas::Canvas>(image_, width_, height_); }
  cairo_canvas::Canvas& Canvas() { return *canvas_; }
  cairo_surface_t* Image() const { return image_; }
  // Off, the window has no canvas: ticks run on the recording-free path.
  void SetDrawing(bool on) { drawing_ = on; }

  SIZE ScreenSize(HWND) override { return {width_, height_}; }
  core::Canvas* CanvasOf(HWND window) override { return window != nullptr && drawing_ ? canvas_.get() : nullptr; }
  // The clock jumps straight to the next timer when the message loop waits for it.
  uint64_t NowMs() override { return now_; }
  void Wait(int64_t timeoutMs) override {
    if (timeoutMs < 0) std::abort();  // no timer: the loop would wait for ever
    now_ += static_cast<uint64_t>(timeoutMs);
  }

 private:
  int width_;
  int height_;
  cairo_surface_t* image_;
  std::unique_ptr<cairo_canvas::Canvas> canvas_;
  bool drawing_ = true;
  uint64_t now_ = 0;
};

// The stand-in afresh with the record off, the program's window on the image, all
// constructions on, black, the clock at kSecond, the image erased, step 0 next.
void SetUp(ImageBackend& backend, int width, int height) {
  core::Reset();
  core::InstallBackend(&backend);
  core::SetClock(kSecond);
  ResetProgram();
  LoadSettings();
  backend.Renew();
  backend.SetDrawing(true);
  gMainWindow = core::NewOuterWindow("bench", width, height);
  backend.Canvas().Fill({0, 0, width, height}, 0);
  backend.Canvas().TakeDamage();
}

void TearDown() {
  core::Reset();
  ResetProgram();
}

// ---- The bare erase ----

// The bare erase of a surface of each size, as measured in this run.
std::map<std::pair<int, int>, Reference>& Erases() {
  static std::map<std::pair<int, int>, Reference> erases;
  return erases;
}

void Erase(ImageBackend& backend, int width, int height) {
  backend.Canvas().Fill({0, 0, width, height}, 0);
  cairo_surface_flush(backend.Image());
}

// The reference for a size: from BM_Erase when it ran, else measured here and now.
Reference EraseReference(ImageBackend& backend, int width, int height) {
  auto it = Erases().find({width, height});
  if (it != Erases().end()) return it->second;
  Erase(backend, width, height);  // the image's pages are touched once before
  Stopwatch watch;
  const int rounds = 50;
  for (int i = 0; i < rounds; ++i) {
    watch.Start();
    Erase(backend, width, height);
    watch.Stop();
  }
  return Erases()[{width, height}] = {watch.wall / rounds, watch.cpu / rounds};
}

void BM_Erase(benchmark::State& state) {
  const int width = static_cast<int>(state.range(0)), height = static_cast<int>(state.range(1));
  ImageBackend backend(width, height);
  Erase(backend, width, height);  // the image's pages are touched once before
  Stopwatch watch;
  for (auto _ : state) {
    watch.Start();
    Erase(backend, width, height);
    state.SetIterationTime(watch.Stop());
  }
  const double n = static_cast<double>(state.iterations());
  if (n > 0) Erases()[{width, height}] = {watch.wall / n, watch.cpu / n};
  state.counters["cpu_us"] = n > 0 ? watch.cpu / n * 1e6 : 0.0;
}

// ---- Ticks ----

// One tick of the cycle, the same tick over and over: the step is set back before
// each, the triangle stays. What a tick draws costs the same whatever the image
// shows already, so the ticks before it need not run again.
void BM_Tick(benchmark::State& state) {
  const int width = static_cast<int>(state.range(0)), height = static_cast<int>(state.range(1));
  const int step = static_cast<int>(state.range(2));
  state.SetLabel(TickName(step));
  ImageBackend backend(width, height);
  const Reference erase = EraseReference(backend, width, height);
  SetUp(backend, width, height);
  OnTimerTick();  // places the triangle
  backend.Canvas().TakeDamage();
  // The tick must draw what it stands for: something at the triangle's, the
  // constructions' and the erase's steps, nothing at the two quiet ones.
  gCycleStep = step;
  OnTimerTick();
  const RECT damage = backend.Canvas().TakeDamage();
  const bool drew = damage.left < damage.right && damage.top < damage.bottom;
  if (drew != (step <= kStepLastConstruction || step == kStepErase)) {
    Fail(state, drew ? "a quiet tick drew" : "the tick drew nothing");
    TearDown();
    return;
  }
  // The part of the window the tick's pixels go out to: the X11 backend copies this
  // rectangle to the X server when the tick releases its device context.
  state.counters["damage"] =
      drew ? static_cast<double>(damage.right - damage.left) * static_cast<double>(damage.bottom - damage.top) /
                 (static_cast<double>(width) * height)
           : 0.0;
  Stopwatch watch;
  int since = 0;
  for (auto _ : state) {
    gCycleStep = step;
    watch.Start();
    OnTimerTick();
    cairo_surface_flush(backend.Image());
    state.SetIterationTime(watch.Stop());
    if (++since == 1024) {
      const Triangle kept = gTriangle;
      SetUp(backend, width, height);
      gTriangle = kept;
      since = 0;
    }
  }
  if (!core::Errors().empty()) Fail(state, core::Errors().front().c_str());
  else if (core::LiveObjectCount() != 0) Fail(state, "a tick left a drawing object behind");
  Ratios(state, "x_erase", watch, static_cast<double>(state.iterations()), erase);
  TearDown();
}

// A whole cycle (kCycleTicks ticks), all constructions on; the ratio is per tick.
void BM_Cycle(benchmark::State& state) {
  const int width = static_cast<int>(state.range(0)), height = static_cast<int>(state.range(1));
  ImageBackend backend(width, height);
  const Reference erase = EraseReference(backend, width, height);
  SetUp(backend, width, height);
  Stopwatch watch;
  int ticks = 0, since = 0;
  for (auto _ : state) {
    watch.Start();
    do {
      OnTimerTick();
      ++ticks;
    } while (gCycleStep != kStepTriangle);
    cairo_surface_flush(backend.Image());
    state.SetIterationTime(watch.Stop());
    if (++since == 64) {
      SetUp(backend, width, height);
      since = 0;
    }
  }
  if (ticks != kCycleTicks * static_cast<int>(state.iterations())) Fail(state, "a cycle was not as long as its steps");
  Ratios(state, "x_erase_per_tick", watch, ticks, erase);
  TearDown();
}

// A whole cycle (kCycleTicks ticks) as the saver runs them, each after a pause of the
// saver's interval (its caches gone cold meanwhile, as between a saver's real ticks),
// all constructions on; per tick. Only with DREIECK_BENCH_PAUSE_MS (e.g. 500), as each
// cycle takes kCycleTicks pauses; the browser's page times its own ticks the same way.
void BM_CycleWithPauses(benchmark::State& state) {
  const int width = static_cast<int>(state.range(0)), height = static_cast<int>(state.range(1));
  const timespec pause = {state.range(2) / 1000, (state.range(2) % 1000) * 1000000};
  ImageBackend backend(width, height);
  const Reference erase = EraseReference(backend, width, height);
  SetUp(backend, width, height);
  Stopwatch watch;
  int ticks = 0;
  for (auto _ : state) {
    double elapsed = 0;
    do {
      nanosleep(&pause, nullptr);
      watch.Start();
      OnTimerTick();
      cairo_surface_flush(backend.Image());
      elapsed += watch.Stop();
      ++ticks;
    } while (gCycleStep != kStepTriangle);
    state.SetIterationTime(elapsed);
  }
  if (ticks != kCycleTicks * static_cast<int>(state.iterations())) Fail(state, "a cycle was not as long as its steps");
  Ratios(state, "x_erase_per_tick", watch, ticks, erase);
  TearDown();
}
const bool kPausesRegistered = [] {
  const char* pause = std::getenv("DREIECK_BENCH_PAUSE_MS");
  if (pause == nullptr || std::atoi(pause) <= 0) return false;
  benchmark::RegisterBenchmark("BM_CycleWithPauses", BM_CycleWithPauses)
      ->ArgNames({"w", "h", "pause_ms"})
      ->Args({1920, 1080, std::atoi(pause)})
      ->Iterations(3)
      ->UseManualTime()
      ->Unit(benchmark::kMillisecond);
  return true;
}();

// How many hours of running at 500 ms BM_TickAfterHours starts from: 0 and 1, and
// more from DREIECK_BENCH_HOURS (e.g. "10"; the ticks before are not free).
void HoursArguments(benchmark::internal::Benchmark* b) {
  b->ArgName("hours")->Arg(0)->Arg(1);
  const char* more = std::getenv("DREIECK_BENCH_HOURS");
  const int hours = more != nullptr ? std::atoi(more) : 0;
  if (hours > 1) b->Arg(hours);
}

// A tick through the message loop after the saver has run for a while at 500 ms:
// the ticks before run on the recording-free path (unmeasured), then whole cycles
// are drawn at 1920 x 1080 through GetMessageA, as the X11 loop runs them. Whatever
// the stand-in keeps per tick shows here as a tick that costs more the longer the
// saver has run.
void BM_TickAfterHours(benchmark::State& state) {
  const long hours = state.range(0);
  const int width = 1920, height = 1080;
  ImageBackend backend(width, height);
  const Reference erase = EraseReference(backend, width, height);
  SetUp(backend, width, height);
  SetTimer(gMainWindow, 1, 500, nullptr);
  MSG msg{};
  backend.SetDrawing(false);
  for (long tick = 0; tick < hours * 7200; ++tick) {
    if (GetMessageA(&msg, nullptr, 0, 0) <= 0 || msg.message != WM_TIMER) break;
    OnTimerTick();
  }
  backend.SetDrawing(true);
  Stopwatch watch;
  long ticks = 0;
  for (auto _ : state) {
    watch.Start();
    do {
      if (GetMessageA(&msg, nullptr, 0, 0) <= 0 || msg.message != WM_TIMER) break;
      OnTimerTick();
      ++ticks;
    } while (gCycleStep != kStepTriangle);
    state.SetIterationTime(watch.Stop());
  }
  if (msg.message != WM_TIMER) Fail(state, "the message loop handed out something else than the timer");
  Ratios(state, "x_erase_per_tick", watch, static_cast<double>(ticks), erase);
  TearDown();
}

// ---- The explorer ----

// A redraw of the explorer while a corner is dragged, every construction on: the
// picture painted after a movement of the pointer, through the explorer's window
// procedure as the X11 loop runs it, up to the pixels in the image (the copy to the X
// server left out, as above). Corner A of the second's triangle swings over 64 places
// to and fro, so the circles and lines change with it. The wait for the end of the
// display refresh, which the clock jumps over, is not measured.
void BM_ExploreDrag(benchmark::State& state) {
  const int width = static_cast<int>(state.range(0)), height = static_cast<int>(state.range(1));
  ImageBackend backend(width, height);
  const Reference erase = EraseReference(backend, width, height);
  SetUp(backend, width, height);
  explorer::Start start;
  start.secondGiven = true;
  start.second = kSecond;
  const HWND window = explorer::Open(gMainWindow, start, nullptr);
  if (window == nullptr) {
    Fail(state, "the explorer made no window");
    TearDown();
    return;
  }
  const Point a = gTriangle.a;
  MSG msg{};
  // Hands out messages until a picture has been painted; its wall time, on the watch.
  auto paint = [&](Stopwatch* watch) {
    while (GetMessageA(&msg, nullptr, 0, 0) > 0) {
      const bool painting = msg.message == WM_PAINT;
      if (painting) watch->Start();
      DispatchMessageA(&msg);
      if (!painting) continue;
      cairo_surface_flush(backend.Image());
      return watch->Stop();
    }
    return -1.0;
  };
  Stopwatch unmeasured, watch;
  core::PostMessageToQueue(window, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(a.x, a.y));
  paint(&unmeasured);  // the press takes the line of keys away
  backend.Canvas().TakeDamage();
  int place = 1;  // 0 is where it was taken: no movement
  for (auto _ : state) {
    const int d = (place <= 32 ? place : 64 - place) * 6;
    place = (place + 1) % 64;
    core::PostMessageToQueue(window, WM_MOUSEMOVE, MK_LBUTTON, MAKELPARAM(a.x + d, a.y - d));
    const double elapsed = paint(&watch);
    if (elapsed < 0) {
      Fail(state, "the loop ended before a picture was painted");
      break;
    }
    state.SetIterationTime(elapsed);
  }
  const RECT damage = backend.Canvas().TakeDamage();
  if (!state.error_occurred() && (damage.right - damage.left != width || damage.bottom - damage.top != height))
    Fail(state, "a picture did not cover the window");
  else if (!core::Errors().empty()) Fail(state, core::Errors().front().c_str());
  DestroyWindow(window);
  Ratios(state, "x_erase", watch, static_cast<double>(state.iterations()), erase);
  TearDown();
}

// Both sizes, every step.
void TickArguments(benchmark::internal::Benchmark* b) {
  b->ArgNames({"w", "h", "tick"});
  for (const auto& size : {std::pair{1920, 1080}, std::pair{3840, 2160}})
    for (int step = 0; step <= kStepErase; ++step) b->Args({size.first, size.second, step});
}

BENCHMARK(BM_Erase)->ArgNames({"w", "h"})->Args({1920, 1080})->Args({3840, 2160})->UseManualTime();
BENCHMARK(BM_Tick)->Apply(TickArguments)->UseManualTime();
BENCHMARK(BM_Cycle)->ArgNames({"w", "h"})->Args({1920, 1080})->Args({3840, 2160})->UseManualTime();
BENCHMARK(BM_TickAfterHours)->Apply(HoursArguments)->UseManualTime()->Unit(benchmark::kMillisecond);
BENCHMARK(BM_ExploreDrag)->ArgNames({"w", "h"})->Args({1920, 1080})->Args({3840, 2160})->UseManualTime();

// ---- Pictures ----

// A folder of our own for the files the pictures write; gone at exit.
const std::string& Folder() {
  static const std::string folder = [] {
    const char* base = std::getenv("TMPDIR");
    std::string pattern = std::string(base != nullptr && *base != '\0' ? base : "/tmp") + "/dreieck-bench-XXXXXX";
    if (mkdtemp(pattern.data()) == nullptr) {
      std::perror("dreieck_bench: mkdtemp");
      std::exit(1);
    }
    std::atexit([] {
      const std::string& f = Folder();
      for (const char* name : {"/blank.png", "/picture.png", "/picture.svg", "/process.png"})
        std::remove((f + name).c_str());
      rmdir(f.c_str());
    });
    return pattern;
  }();
  return folder;
}

Reference& BlankPng() {
  static Reference blank;
  return blank;
}

// A blank PNG as Cairo writes one: a new image of that size (black) into a file.
bool WriteBlankPng(int width, int height, const std::string& path) {
  cairo_surface_t* image = cairo_image_surface_create(CAIRO_FORMAT_RGB24, width, height);
  const cairo_status_t status = cairo_surface_write_to_png(image, path.c_str());
  cairo_surface_destroy(image);
  return status == CAIRO_STATUS_SUCCESS;
}

Reference BlankPngReference(int width, int height) {
  if (BlankPng().cpu > 0) return BlankPng();
  const std::string path = Folder() + "/blank.png";
  Stopwatch watch;
  for (int i = 0; i < 10; ++i) {
    watch.Start();
    WriteBlankPng(width, height, path);
    watch.Stop();
  }
  return BlankPng() = {watch.wall / 10, watch.cpu / 10};
}

void BM_BlankPng(benchmark::State& state) {
  const int width = static_cast<int>(state.range(0)), height = static_cast<int>(state.range(1));
  const std::string path = Folder() + "/blank.png";
  Stopwatch watch;
  for (auto _ : state) {
    watch.Start();
    const bool ok = WriteBlankPng(width, height, path);
    const double elapsed = watch.Stop();
    if (!ok) {
      Fail(state, "cairo could not write the blank PNG");
      break;
    }
    state.SetIterationTime(elapsed);
  }
  const double n = static_cast<double>(state.iterations());
  if (n > 0 && !state.error_occurred()) BlankPng() = {watch.wall / n, watch.cpu / n};
  state.counters["cpu_us"] = n > 0 ? watch.cpu / n * 1e6 : 0.0;
}

// The pixels of exactly this colour (0xRRGGBB) in a PNG.
long PixelsOfColour(const std::string& path, uint32_t colour) {
  cairo_surface_t* image = cairo_image_surface_create_from_png(path.c_str());
  long count = 0;
  if (cairo_surface_status(image) == CAIRO_STATUS_SUCCESS) {
    const int w = cairo_image_surface_get_width(image), h = cairo_image_surface_get_height(image);
    const int stride = cairo_image_surface_get_stride(image);
    const unsigned char* data = cairo_image_surface_get_data(image);
    for (int y = 0; y < h; ++y) {
      const uint32_t* row = reinterpret_cast<const uint32_t*>(data + static_cast<ptrdiff_t>(y) * stride);
      for (int x = 0; x < w; ++x) count += (row[x] & 0xFFFFFF) == colour;
    }
  }
  cairo_surface_destroy(image);
  return count;
}

bool FileContains(const std::string& path, const std::string& text) {
  FILE* f = std::fopen(path.c_str(), "rb");
  if (f == nullptr) return false;
  std::string content;
  char buffer[65536];
  size_t n;
  while ((n = std::fread(buffer, 1, sizeof buffer, f)) > 0) content.append(buffer, n);
  std::fclose(f);
  return content.find(text) != std::string::npos;
}

// --picture FILE in this process: the program's whole cycle up to step 7 on a
// surface of that size, then the file. The program's globals are set back as a new
// process has them. Variants: 0 PNG and 1 SVG of the second's triangle; 2 SVG of a
// small triangle in the middle, whose labels all lie on the picture.
void BM_Picture(benchmark::State& state) {
  const int variant = static_cast<int>(state.range(0));
  const bool svg = variant != 0;
  state.SetLabel(variant == 0 ? "png" : variant == 1 ? "svg" : "svg_small_triangle");
  driver::Options options;
  options.mode = driver::Mode::Picture;
  options.path = Folder() + (svg ? "/picture.svg" : "/picture.png");
  options.format = svg ? driver::Format::Svg : driver::Format::Png;
  options.timeGiven = true;
  options.second = kSecond;
  if (variant == 2) {
    const int32_t corners[6] = {900, 560, 1000, 560, 950, 480};
    options.triangleGiven = true;
    std::copy(corners, corners + 6, options.triangle);
  }
  const Reference blank = BlankPngReference(options.width, options.height);
  Stopwatch watch;
  for (auto _ : state) {
    core::Reset();
    ResetProgram();
    watch.Start();
    const int result = dreieck::RunPicture(options);
    const double elapsed = watch.Stop();
    if (result != 0) {
      Fail(state, "the picture was not written");
      break;
    }
    state.SetIterationTime(elapsed);
  }
  TearDown();
  if (state.error_occurred()) return;
  // The file must be the picture: the triangle's red outline; labels as text.
  if (svg ? !FileContains(options.path, "<text") : PixelsOfColour(options.path, 0xFF0000) < 1000) {
    Fail(state, "the picture does not show the triangle");
    return;
  }
  Ratios(state, "x_blank_png", watch, static_cast<double>(state.iterations()), blank);
}

// Runs a program to its end: false unless it ended with 0. Adds its wall time and
// its CPU time (user and system, from the children's usage) to the stopwatch.
bool RunProcess(const char* const* argv, Stopwatch* watch, double* wall) {
  auto childCpu = [] {
    rusage usage;
    getrusage(RUSAGE_CHILDREN, &usage);
    return static_cast<double>(usage.ru_utime.tv_sec + usage.ru_stime.tv_sec) +
           static_cast<double>(usage.ru_utime.tv_usec + usage.ru_stime.tv_usec) * 1e-6;
  };
  const double cpuBefore = childCpu();
  const double wallBefore = ClockSeconds(CLOCK_MONOTONIC);
  pid_t pid;
  int status = -1;
  if (posix_spawn(&pid, argv[0], nullptr, nullptr, const_cast<char* const*>(argv), environ) != 0) return false;
  if (waitpid(pid, &status, 0) != pid || !WIFEXITED(status) || WEXITSTATUS(status) != 0) return false;
  *wall = ClockSeconds(CLOCK_MONOTONIC) - wallBefore;
  watch->wall += *wall;
  watch->cpu += childCpu() - cpuBefore;
  return true;
}

Reference& BlankPngProcess() {
  static Reference blank;
  return blank;
}

// A blank PNG of 1920 x 1080 by a process of its own (bench/blank_png.cpp): the same
// loader work for Cairo and its libraries, the same encoder, nothing drawn.
void BM_BlankPngProcess(benchmark::State& state) {
  const std::string path = Folder() + "/process.png";
  const char* argv[] = {BLANK_PNG_BINARY, path.c_str(), "1920", "1080", nullptr};
  Stopwatch watch;
  for (auto _ : state) {
    double wall;
    if (!RunProcess(argv, &watch, &wall)) {
      Fail(state, "blank_png failed");
      break;
    }
    state.SetIterationTime(wall);
  }
  const double n = static_cast<double>(state.iterations());
  if (n > 0 && !state.error_occurred()) BlankPngProcess() = {watch.wall / n, watch.cpu / n};
  state.counters["cpu_us"] = n > 0 ? watch.cpu / n * 1e6 : 0.0;
}

// The same PNG by the built program: a process of its own, with its start-up
// (loader, fontconfig) and exit; set against the blank PNG of a process
// (x_blank_png_process) and in this process (x_blank_png).
void BM_PictureProcess(benchmark::State& state) {
  const std::string path = Folder() + "/process.png";
  const char* argv[] = {DREIECK_BINARY, "--picture", path.c_str(), "--size", "1920x1080", "--time", kSecondText, nullptr};
  const Reference blank = BlankPngReference(1920, 1080);
  Stopwatch watch;
  for (auto _ : state) {
    double wall;
    if (!RunProcess(argv, &watch, &wall)) {
      Fail(state, "dreieck --picture failed");
      break;
    }
    state.SetIterationTime(wall);
  }
  if (state.error_occurred()) return;
  const double n = static_cast<double>(state.iterations());
  Ratios(state, "x_blank_png", watch, n, blank);
  if (BlankPngProcess().cpu > 0) Ratios(state, "x_blank_png_process", watch, n, BlankPngProcess());
}

BENCHMARK(BM_BlankPng)->ArgNames({"w", "h"})->Args({1920, 1080})->UseManualTime()->Unit(benchmark::kMillisecond);
BENCHMARK(BM_Picture)->ArgName("variant")->DenseRange(0, 2)->UseManualTime()->Unit(benchmark::kMillisecond);
BENCHMARK(BM_BlankPngProcess)->UseManualTime()->Unit(benchmark::kMillisecond);
BENCHMARK(BM_PictureProcess)->UseManualTime()->Unit(benchmark::kMillisecond);

// ---- Memory over many cycles ----

// The heap the program holds more after each whole cycle, without a canvas and on the
// image backend (as the X11 backend runs): a screensaver runs for hours, so any
// growth per cycle adds up. One measurement of 200 cycles after one to warm up.
void BM_HeapPerCycle(benchmark::State& state) {
  const bool image = state.range(0) == 1;
  state.SetLabel(image ? "image_1920x1080" : "no_canvas");
  ImageBackend backend(1920, 1080);
  const int cycles = 200;
  double grown = 0;
  for (auto _ : state) {
    SetUp(backend, 1920, 1080);
    backend.SetDrawing(image);
    do OnTimerTick();
    while (gCycleStep != kStepTriangle);
    malloc_trim(0);
    const size_t before = mallinfo2().uordblks;
    Stopwatch watch;
    watch.Start();
    for (int i = 0; i < cycles; ++i) {
      do OnTimerTick();
      while (gCycleStep != kStepTriangle);
    }
    state.SetIterationTime(watch.Stop());
    const size_t after = mallinfo2().uordblks;
    grown = (static_cast<double>(after) - static_cast<double>(before)) / cycles;
  }
  TearDown();
  state.counters["heap_bytes_per_cycle"] = grown;
  // Ten minutes at 500 ms: 1200 ticks, 109 cycles.
  state.counters["heap_kB_per_10min_at_500ms"] = grown * 1200.0 / kCycleTicks / 1024.0;
}
BENCHMARK(BM_HeapPerCycle)->ArgName("image")->Arg(0)->Arg(1)->Iterations(1)->UseManualTime()->Unit(
    benchmark::kMillisecond);

}  // namespace
