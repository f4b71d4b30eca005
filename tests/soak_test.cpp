// A long run of the cycle over every combination of flags, every shade and odd
// client sizes: no drawing object may leak, the step must stay in 0..10, and every
// cycle must last exactly 4 + n ticks.
#include "support.h"

namespace {

class Soak : public CoreTest {};

TEST_F(Soak, HundredThousandTicksOverEveryFlagShadeAndSize) {
  const int sizes[][2] = {{0, 0}, {1, 1}, {1, 10000}, {1920, 1080}, {10000, 1}, {640, 480}};
  int ticks = 0;
  int cycles = 0;
  time_t clock = 1600000000;
  while (ticks < 100000) {
    for (const auto& size : sizes) {
      for (uint32_t shade = 0; shade <= 4; ++shade) {
        for (int flags = 0; flags < 128; ++flags) {
          // A fresh platform for each combination keeps the record small; the
          // program's own state (triangle, step) carries on from cycle to cycle.
          core::Reset();
          core::SetRecording(false);
          core::SetClock(clock++);
          gMainWindow = core::CreateTestWindow(size[0], size[1]);
          uint8_t* const fields[] = {&gSettings.showMedians,        &gSettings.showIncircle,
                                     &gSettings.showCircumcircle,   &gSettings.showAltitudes,
                                     &gSettings.showNinePointCircle, &gSettings.showEulerLine,
                                     &gSettings.showExcircles};
          int n = 0;
          for (int i = 0; i < 7; ++i) {
            *fields[i] = (flags >> i) & 1;
            n += *fields[i];
          }
          gSettings.background = shade;
          ASSERT_EQ(0, gCycleStep);
          int cycleTicks = 0;
          do {
            OnTimerTick();
            ++cycleTicks;
            ASSERT_GE(gCycleStep, 0);
            ASSERT_LE(gCycleStep, 10);
            ASSERT_EQ(0, core::LiveObjectCount())
                << "tick " << cycleTicks << " flags " << flags << " shade " << shade << " size " << size[0] << "x"
                << size[1];
            ASSERT_TRUE(core::Errors().empty()) << core::Errors()[0];
          } while (gCycleStep != 0 && cycleTicks < 20);
          ASSERT_EQ(4 + n, cycleTicks) << "flags " << flags << " shade " << shade;
          ticks += cycleTicks;
          ++cycles;
        }
      }
    }
  }
  EXPECT_GE(ticks, 100000);
  EXPECT_GT(cycles, 10000);
}

}  // namespace
