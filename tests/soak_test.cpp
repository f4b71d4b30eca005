// A saver runs for days. A hundred thousand ticks on one platform, over every
// combination of flags, shade and odd client sizes, must leave no trace: no drawing
// object alive after a tick, no misuse, the table of handles and the heap no larger
// than after the first pass over the combinations, and the cycle after them drawn
// pixel for pixel as a fresh start draws it at that second.
#include <malloc.h>

#include "image_backend.h"
#include "support.h"

#if defined(__SANITIZE_ADDRESS__)
#define DREIECK_ASAN 1
#elif defined(__has_feature)
#if __has_feature(address_sanitizer)
#define DREIECK_ASAN 1
#endif
#endif
#ifdef DREIECK_ASAN
#include <sanitizer/allocator_interface.h>
#endif

namespace {

// The bytes the program holds on the heap.
size_t HeapInUse() {
#ifdef DREIECK_ASAN
  return __sanitizer_get_current_allocated_bytes();
#else
  return mallinfo2().uordblks;
#endif
}

void SetFlagBits(int flags) {
  for (int i = 0; i < kConstructionCount; ++i) gSettings.*kConstructions[i].flag = (flags >> i) & 1;
}

// The picture after each tick of one cycle, all constructions on, at the second given.
std::vector<std::vector<uint32_t>> CyclePictures(time_t second) {
  const int width = 400, height = 300;
  ImageBackend backend(width, height);
  core::InstallBackend(&backend);
  core::SetClientSize(gMainWindow, width, height);
  core::SetClock(second);
  SetFlagBits((1 << kConstructionCount) - 1);
  gSettings.background = 0;  // white: the one shade with a palette of its own
  std::vector<std::vector<uint32_t>> pictures;
  do {
    OnTimerTick();
    pictures.push_back(backend.Pixels());
  } while (gCycleStep != kStepTriangle && pictures.size() < 20);
  core::InstallBackend(nullptr);
  return pictures;
}

class Soak : public CoreTest {};

TEST_F(Soak, HundredThousandTicksLeaveNoTrace) {
  const int sizes[][2] = {{0, 0}, {1, 1}, {1, 10000}, {1920, 1080}, {10000, 1}, {640, 480}};
  core::SetRecording(false);
  gMainWindow = core::CreateTestWindow(640, 480);
  int ticks = 0, passes = 0;
  time_t clock = 1600000000;
  size_t table = 0, heap = 0;
  while (ticks < 100000) {
    for (const auto& size : sizes) {
      for (uint32_t shade = 0; shade <= 4; ++shade) {
        for (int flags = 0; flags < (1 << kConstructionCount); ++flags) {
          core::SetClientSize(gMainWindow, size[0], size[1]);
          core::SetClock(clock++);
          SetFlagBits(flags);
          gSettings.background = shade;
          const std::string what = "flags " + std::to_string(flags) + " shade " + std::to_string(shade) + " size " +
                                   std::to_string(size[0]) + "x" + std::to_string(size[1]);
          int cycleTicks = 0;
          do {
            OnTimerTick();
            ++cycleTicks;
            ASSERT_EQ(0, core::LiveObjectCount()) << "tick " << cycleTicks << " " << what;
            ASSERT_TRUE(core::Errors().empty()) << core::Errors()[0];
          } while (gCycleStep != kStepTriangle && cycleTicks < 20);
          ASSERT_EQ(4 + __builtin_popcount(flags), cycleTicks) << what;
          ticks += cycleTicks;
        }
      }
    }
    if (++passes == 1) {
      table = core::TableSize();
      heap = HeapInUse();
    }
  }
  EXPECT_EQ(table, core::TableSize()) << "handles left behind after " << ticks << " ticks";
  EXPECT_LE(HeapInUse(), heap + 4096) << "heap after the first pass: " << heap;

  const time_t second = 1800000000;
  const std::vector<std::vector<uint32_t>> soaked = CyclePictures(second);
  ResetPlatform();
  ResetProgram();
  LoadSettings();
  gMainWindow = core::CreateTestWindow(400, 300);
  const std::vector<std::vector<uint32_t>> fresh = CyclePictures(second);
  ASSERT_EQ(11u, fresh.size()) << "a cycle of seven constructions";
  ASSERT_NE(fresh[0], fresh[7]) << "the constructions show";
  ASSERT_EQ(fresh.size(), soaked.size());
  for (size_t tick = 0; tick < fresh.size(); ++tick) {
    size_t differ = 0;
    for (size_t i = 0; i < fresh[tick].size(); ++i) differ += fresh[tick][i] != soaked[tick][i];
    EXPECT_EQ(0u, differ) << "pixels that differ from a fresh start after tick " << tick + 1;
  }
}

}  // namespace
