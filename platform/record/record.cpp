// The recording backend: nothing is drawn, the screen has the size a test sets, the
// clock stands still, and the user is whatever the test's idle handler posts. What
// the program asked of the platform is in the core's call record (testing.h).
#include "platform/core/state.h"

namespace core {

namespace {

class Recording final : public Backend {
 public:
  SIZE ScreenSize(HWND) override { return {S().displayWidth, S().displayHeight}; }
  Canvas* CanvasOf(HWND) override { return nullptr; }
  // Timers never come due on their own: a test posts WM_TIMER when it wants a tick.
  uint64_t NowMs() override { return 0; }
  void Wait(int64_t) override {
    State& s = S();
    const size_t before = s.queue.size();
    if (s.idle) s.idle();
    if (s.queue.size() == before && !s.quitPosted && !s.failNextMessage)
      Unsupported("GetMessageA on an empty queue: the loop would wait for ever");
  }
};

}  // namespace

Backend* RecordingBackend() {
  static Recording recording;
  return &recording;
}

}  // namespace core
