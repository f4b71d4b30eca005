// The screensaver window's procedure: the timer, the ticks, the paint, the end, and
// the default processing of everything else.
#include "support.h"

namespace {

class Window : public CoreTest {
 protected:
  // A window of our class, created as the entry creates it; WM_CREATE has run.
  HWND CreateWindow(int width = 640, int height = 480) {
    WNDCLASSA wc = {};
    wc.lpfnWndProc = ScreenSaverWndProc;
    wc.hbrBackground = static_cast<HBRUSH>(GetStockObject(BLACK_BRUSH));
    wc.lpszClassName = kWindowClass;
    EXPECT_NE(0, RegisterClassA(&wc));
    HWND window = CreateWindowExA(0, kWindowClass, kWindowTitle, WS_POPUP, 0, 0, width, height,
                                  nullptr, nullptr, nullptr, nullptr);
    EXPECT_NE(nullptr, window);
    core::ClearCalls();
    return window;
  }
};

TEST_F(Window, CreationStartsTimerOneWithTheStoredPeriod) {
  gSettings.intervalMs = 1234;
  HWND window = core::CreateTestWindow(100, 100);
  core::ClearCalls();
  EXPECT_EQ(0, ScreenSaverWndProc(window, WM_CREATE, 0, 0));
  EXPECT_TRUE(SameCalls({"SetTimer(" + core::Name(window) + ",1,1234,null)"}, core::Calls()))
      << "timer 1 on the window WM_CREATE names";
  EXPECT_EQ(1u, gTimerId);
  EXPECT_EQ(nullptr, gMainWindow) << "creation does not set gMainWindow; the entry does";
}

// The stored interval stays as stored; only the timer sees it held within 500..5000.
TEST_F(Window, TimerPeriodIsHeldWithinTheDialogsRange) {
  struct Case {
    int32_t stored;
    UINT period;
  };
  const Case cases[] = {
      {0, 500},        {-1, 500},      {INT32_MIN, 500},   {1, 500},    {499, 500},
      {500, 500},      {501, 501},     {2000, 2000},       {4999, 4999}, {5000, 5000},
      {5001, 5000},    {9000, 5000},   {INT32_MAX, 5000},
  };
  for (const Case& c : cases) {
    SetUp();
    gSettings.intervalMs = c.stored;
    HWND window = CreateWindow();
    EXPECT_EQ(c.period, core::TimerPeriod(window, 1)) << "stored interval " << c.stored;
    EXPECT_EQ(c.stored, gSettings.intervalMs) << "the stored value is left as it is";
  }
}

TEST_F(Window, EveryTimerMessageRunsOneTickWhateverItsId) {
  HWND window = CreateWindow();
  gMainWindow = window;
  for (WPARAM id : {WPARAM{1}, WPARAM{2}, WPARAM{0}, WPARAM{0xFFFF}}) {
    const int32_t before = gCycleStep;
    core::ClearCalls();
    EXPECT_EQ(0, ScreenSaverWndProc(window, WM_TIMER, id, 0)) << "timer id " << id;
    EXPECT_EQ(before + 1, gCycleStep) << "timer id " << id << " advances the cycle by one step";
    const Lines dcs = core::CallsNamed({"GetDC", "ReleaseDC"});
    ASSERT_EQ(2u, dcs.size()) << "one tick takes and returns one device context:\n" << Join(core::Calls());
    EXPECT_EQ("GetDC(" + core::Name(window) + ")", dcs[0]);
  }
}

TEST_F(Window, PaintBeginsAndEndsAndDrawsNothing) {
  HWND window = CreateWindow();
  EXPECT_EQ(0, ScreenSaverWndProc(window, WM_PAINT, 0, 0));
  const std::string w = core::Name(window);
  EXPECT_TRUE(SameCalls({"BeginPaint(" + w + ")", "EndPaint(" + w + ")"}, core::Calls()));
}

TEST_F(Window, MouseButtonsAndDestructionKillTheTimerAndQuitWithZero) {
  const std::pair<UINT, const char*> stops[] = {
      {WM_LBUTTONDOWN, "left button"},
      {WM_RBUTTONDOWN, "right button"},
      {WM_MBUTTONDOWN, "middle button"},
      {WM_DESTROY, "destruction"},
  };
  for (const auto& [message, what] : stops) {
    SetUp();
    HWND window = CreateWindow();
    EXPECT_EQ(0, ScreenSaverWndProc(window, message, 0, 0)) << what;
    const std::string w = core::Name(window);
    EXPECT_TRUE(SameCalls({"KillTimer(" + w + ",1)", "PostQuitMessage(0)"}, core::Calls())) << what;
    EXPECT_EQ(0, core::TimerCount()) << what;
    EXPECT_TRUE(core::IsWindowAlive(window)) << what << " leaves the window to the process's end";
    MSG msg;
    EXPECT_EQ(FALSE, GetMessageA(&msg, nullptr, 0, 0)) << what << " posts the quit message";
    EXPECT_EQ(static_cast<UINT>(WM_QUIT), msg.message) << what;
    EXPECT_EQ(0u, msg.wParam) << what;
  }
}

// Keys, movement, activation, system commands, the erase and anything unknown go to
// the default processing with the same arguments, and its answer comes back.
TEST_F(Window, EveryOtherMessageGoesToTheDefaultProcessing) {
  struct Case {
    UINT message;
    WPARAM wParam;
    LPARAM lParam;
    const char* what;
  };
  const Case cases[] = {
      {WM_KEYDOWN, 0x41, 0x001E0001, "key down"},
      {WM_KEYUP, 0x1B, static_cast<LPARAM>(0xC0010001u), "key up"},
      {WM_CHAR, 'a', 1, "character"},
      {WM_MOUSEMOVE, 0, (200 << 16) | 100, "mouse movement"},
      {WM_LBUTTONUP, 0, 0, "left button up"},
      {WM_SETCURSOR, 0, 1, "cursor"},
      {WM_ACTIVATE, 0, 0, "deactivation"},
      {WM_SYSCOMMAND, 0xF140, 0, "system command"},
      {0x0400, 7, -7, "a message of our own range"},
  };
  HWND window = CreateWindow();
  const std::string w = core::Name(window);
  for (const Case& c : cases) {
    core::ClearCalls();
    EXPECT_EQ(0, ScreenSaverWndProc(window, c.message, c.wParam, c.lParam)) << c.what;
    char message[16];
    std::snprintf(message, sizeof message, "0x%08X", c.message);
    const std::string expected = "DefWindowProcA(" + w + "," + message + "," +
                                 std::to_string(c.wParam) + "," + std::to_string(c.lParam) + ")";
    EXPECT_TRUE(SameCalls({expected}, core::Calls())) << c.what;
    EXPECT_EQ(1, core::TimerCount()) << c.what << " leaves the timer running";
  }
}

TEST_F(Window, EraseFillsWithTheClassBrushThroughTheDefaultProcessing) {
  HWND window = CreateWindow(300, 200);
  HDC dc = GetDC(window);
  core::ClearCalls();
  EXPECT_EQ(1, ScreenSaverWndProc(window, WM_ERASEBKGND, reinterpret_cast<WPARAM>(dc), 0))
      << "the default processing's answer: erased";
  const std::string w = core::Name(window), d = core::Name(dc);
  EXPECT_TRUE(SameCalls({"DefWindowProcA(" + w + ",0x00000014," +
                             std::to_string(reinterpret_cast<WPARAM>(dc)) + ",0)",
                         "FillRect(" + d + ",0,0,300,200,stock:BLACK_BRUSH)"},
                        core::Calls()));
  ReleaseDC(window, dc);
}

// Only the five brushes are brushes among the stock objects; any other stored shade
// paints black, as it counts as dark for the palette and the caption.
TEST_F(Window, BackgroundBrushIsAStockBrushForEveryStoredShade) {
  struct Case {
    uint32_t background;
    const char* brush;
  };
  const Case cases[] = {
      {0, "stock:WHITE_BRUSH"},  {1, "stock:LTGRAY_BRUSH"}, {2, "stock:GRAY_BRUSH"},
      {3, "stock:DKGRAY_BRUSH"}, {4, "stock:BLACK_BRUSH"},  {5, "stock:BLACK_BRUSH"},
      {7, "stock:BLACK_BRUSH"},  {13, "stock:BLACK_BRUSH"}, {0x80000000u, "stock:BLACK_BRUSH"},
      {0xFFFFFFFFu, "stock:BLACK_BRUSH"},
  };
  for (const Case& c : cases)
    EXPECT_EQ(c.brush, core::Name(BackgroundBrush(c.background))) << "background " << c.background;
}

}  // namespace
