// The screensaver window: its procedure, and the two values it takes from the stored
// settings in a form that is safe to hand to the platform.
#include "settings/settings.h"
#include "shell/shell.h"

HINSTANCE gInstance;
HWND gMainWindow;
UINT_PTR gTimerId;

const char kWindowClass[] = "MainWndClass";
const char kWindowTitle[] = "myScreenSaver";

HBRUSH BackgroundBrush(uint32_t background) {
  // The stock objects after the five brushes are pens, fonts and a palette.
  const int index = background <= BLACK_BRUSH ? static_cast<int>(background) : BLACK_BRUSH;
  return static_cast<HBRUSH>(GetStockObject(index));
}

UINT TickPeriod(int32_t intervalMs) {
  if (intervalMs < kIntervalMinMs) return kIntervalMinMs;
  if (intervalMs > kIntervalMaxMs) return kIntervalMaxMs;
  return static_cast<UINT>(intervalMs);
}

namespace {

// Creation is still under way, so gMainWindow is null: the timer goes on the handle
// the message carries.
LRESULT OnCreate(HWND window) {
  gTimerId = 1;
  SetTimer(window, gTimerId, TickPeriod(gSettings.intervalMs), nullptr);
  return 0;
}

LRESULT OnTimer() {
  OnTimerTick();
  return 0;
}

// Nothing is drawn here: the cycle draws at its ticks, and what was covered stays
// lost until the next cycle.
LRESULT OnPaint(HWND window) {
  PAINTSTRUCT paint;
  BeginPaint(window, &paint);
  EndPaint(window, &paint);
  return 0;
}

// A button press or the end of the window: the loop ends and the window goes with
// the process.
LRESULT OnStop(HWND window) {
  KillTimer(window, gTimerId);
  PostQuitMessage(0);
  return 0;
}

}  // namespace

LRESULT CALLBACK ScreenSaverWndProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  switch (message) {
    case WM_CREATE:
      return OnCreate(window);
    case WM_TIMER:
      return OnTimer();
    case WM_PAINT:
      return OnPaint(window);
    case WM_LBUTTONDOWN:
    case WM_RBUTTONDOWN:
    case WM_MBUTTONDOWN:
    case WM_DESTROY:
      return OnStop(window);
    default:
      // Keys, mouse movement, activation and system commands end nothing.
      return DefWindowProcA(window, message, wParam, lParam);
  }
}

int RunMessageLoop() {
  MSG msg = {};
  BOOL got;
  while ((got = GetMessageA(&msg, nullptr, 0, 0)) > 0) {
    TranslateMessage(&msg);
    DispatchMessageA(&msg);
  }
  return got == 0 ? static_cast<int>(msg.wParam) : -1;
}
