// The program's entry: settings, window class, and then the mode the screensaver host
// asks for on the command line.
#include "res/resource.h"
#include "settings/settings.h"
#include "shell/shell.h"

namespace {

bool RegisterWindowClass(HINSTANCE instance) {
  WNDCLASSA wc = {};
  wc.style = 0;
  wc.lpfnWndProc = ScreenSaverWndProc;
  wc.hInstance = instance;
  wc.hCursor = LoadCursorA(nullptr, IDC_ARROW);
  wc.hbrBackground = BackgroundBrush(gSettings.background);
  wc.lpszClassName = kWindowClass;
  return RegisterClassA(&wc) != 0;
}

// The window at the parent's client origin with the parent's client size; full
// screen, the desktop window stands in as the "parent" for the size only.
HWND CreateScreenSaverWindow(DWORD style, HWND sizeFrom, HWND parent) {
  RECT client = {};
  GetClientRect(sizeFrom, &client);
  return CreateWindowExA(0, kWindowClass, kWindowTitle, style, client.left, client.top, client.right,
                         client.bottom, parent, nullptr, gInstance, nullptr);
}

}  // namespace

int WINAPI WinMain(HINSTANCE instance, HINSTANCE previousInstance, LPSTR commandLine, int showCommand) {
  if (previousInstance == nullptr) {
    LoadSettings();
    if (!RegisterWindowClass(instance)) return 0;
  }
  gInstance = instance;

  const CommandLine line = ParseCommandLine(commandLine);
  if (line.mode == DisplayMode::FullScreen) {
    // Full screen: a pop-up at 0, 0 with the desktop's client size.
    gMainWindow = CreateScreenSaverWindow(WS_POPUP, GetDesktopWindow(), nullptr);
  } else if (line.mode == DisplayMode::Preview) {
    // Preview: a child filling the host's window; no such window, no child.
    const HWND parent = reinterpret_cast<HWND>(static_cast<uintptr_t>(line.parent));
    gMainWindow = CreateScreenSaverWindow(WS_CHILD, parent, parent);
  } else {
    DialogBoxParamA(gInstance, MAKEINTRESOURCEA(IDD_SETTINGS), gMainWindow, SettingsDlgProc, 0);
    return 1;
  }
  if (gMainWindow == nullptr) return 0;

  ShowWindow(gMainWindow, showCommand);
  UpdateWindow(gMainWindow);
  return RunMessageLoop();
}
