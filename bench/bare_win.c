/* The least a Windows screensaver can do: a full-screen pop-up with the saver's
 * timer, as the baseline the footprint of Dreieck.scr is set against.
 *
 *   bare_win.exe [MS [none|clear]]
 *
 * A black pop-up of the screen's size with timer 1 at MS milliseconds (default 2000).
 * At each tick it does nothing (none) or has its whole client area erased with the
 * class brush (clear, the default: the window is invalidated and painted at once).
 * A mouse button or the window's end ends it with 0.
 *
 * Built with  x86_64-w64-mingw32-gcc -Os -s -mwindows -o bare_win.exe bare_win.c */
#define WIN32_LEAN_AND_MEAN
#include <windows.h>

#include <stdlib.h>
#include <string.h>

static int clearAtTick = 1;

static LRESULT CALLBACK Procedure(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  switch (message) {
    case WM_TIMER:
      if (clearAtTick) {
        InvalidateRect(window, NULL, TRUE);
        UpdateWindow(window);
      }
      return 0;
    case WM_PAINT: {
      PAINTSTRUCT paint;
      BeginPaint(window, &paint);
      EndPaint(window, &paint);
      return 0;
    }
    case WM_LBUTTONDOWN:
    case WM_RBUTTONDOWN:
    case WM_MBUTTONDOWN:
    case WM_DESTROY:
      KillTimer(window, 1);
      PostQuitMessage(0);
      return 0;
    default:
      return DefWindowProcA(window, message, wParam, lParam);
  }
}

int WINAPI WinMain(HINSTANCE instance, HINSTANCE previous, LPSTR commandLine, int show) {
  (void)previous;
  char* end = commandLine;
  unsigned long interval = strtoul(commandLine, &end, 10);
  if (end == commandLine) interval = 2000;
  if (interval < 10) interval = 10;
  while (*end == ' ') ++end;
  if (strncmp(end, "none", 4) == 0) clearAtTick = 0;

  WNDCLASSA wc;
  memset(&wc, 0, sizeof wc);
  wc.lpfnWndProc = Procedure;
  wc.hInstance = instance;
  wc.hCursor = LoadCursorA(NULL, IDC_ARROW);
  wc.hbrBackground = (HBRUSH)GetStockObject(BLACK_BRUSH);
  wc.lpszClassName = "BareWindow";
  if (RegisterClassA(&wc) == 0) return 1;
  HWND window = CreateWindowExA(0, "BareWindow", "bare_win", WS_POPUP, 0, 0, GetSystemMetrics(SM_CXSCREEN),
                                GetSystemMetrics(SM_CYSCREEN), NULL, NULL, instance, NULL);
  if (window == NULL) return 1;
  SetTimer(window, 1, (UINT)interval, NULL);
  ShowWindow(window, show);
  UpdateWindow(window);
  MSG msg;
  while (GetMessageA(&msg, NULL, 0, 0) > 0) {
    TranslateMessage(&msg);
    DispatchMessageA(&msg);
  }
  return (int)msg.wParam;
}
