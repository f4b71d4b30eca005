// The recording backend: nothing is drawn, the screen has the size a test sets, the
// clock stands still, and the user is whatever the test's idle handler posts. What
// the program asked of the platform is in the core's call record (testing.h). It sees
// the core only through the seam (seam.h).
#include "platform/core/seam.h"

namespace core {

namespace {

class Recording final : public Backend {
 public:
  SIZE ScreenSize(HWND) override { return {TheKnobs().displayWidth, TheKnobs().displayHeight}; }
  Canvas* CanvasOf(HWND) override { return nullptr; }
  // Timers never come due on their own: a test posts WM_TIMER when it wants a tick.
  uint64_t NowMs() override { return 0; }
  void Wait(int64_t) override {
    Knobs& knobs = TheKnobs();
    const size_t before = QueuedMessages();
    if (knobs.idle) knobs.idle();
    if (QueuedMessages() == before && !QuitPosted() && !knobs.failNextMessage)
      Unsupported("GetMessageA on an empty queue: the loop would wait for ever");
  }
};

}  // namespace

Backend* RecordingBackend() {
  static Recording recording;
  return &recording;
}

}  // namespace core
