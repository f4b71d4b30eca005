// Plays the Screen Saver Settings box for the preview: makes a window, starts the
// screensaver with that window's handle on its command line and checks the child
// window it creates from the outside, then destroys its window and checks that the
// screensaver ends with exit code 0.
//
//   previewhost.exe PROGRAM "/p %u"   (also "/p:%u", "/p  %u"): %u becomes our handle
//   previewhost.exe PROGRAM "/p 0"    no %u: the line names no window; the program
//                                     must end with 0 and create no window at all
//
// Prints what it finds and "PASS" or "FAIL: ..." lines; the exit code is 0 when
// every check passed.
#include <windows.h>

#include <cstdio>
#include <string>
#include <vector>

namespace {

int gFailures = 0;

void Check(bool ok, const char* what) {
  std::printf("%s: %s\n", ok ? "ok" : "FAIL", what);
  if (!ok) ++gFailures;
}

// Handles whatever arrives for our window; the screensaver's creation of its child
// sends messages to us and waits for the answer.
void Pump() {
  MSG msg;
  while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) {
    TranslateMessage(&msg);
    DispatchMessageA(&msg);
  }
}

struct Found {
  DWORD pid;
  std::vector<HWND> windows;
};

BOOL CALLBACK CollectTopLevel(HWND window, LPARAM param) {
  Found* found = reinterpret_cast<Found*>(param);
  DWORD pid = 0;
  GetWindowThreadProcessId(window, &pid);
  if (pid == found->pid) found->windows.push_back(window);
  return TRUE;
}

std::string ClassOf(HWND window) {
  char name[256] = {};
  GetClassNameA(window, name, sizeof name);
  return name;
}

// Top-level windows of the process that a person could see or that are of the
// screensaver's class. Every process that makes windows has the platform's hidden
// helpers ("Default IME"); those do not count.
int ScreensaverTopLevelWindows(DWORD pid) {
  Found found = {pid, {}};
  EnumWindows(CollectTopLevel, reinterpret_cast<LPARAM>(&found));
  int count = 0;
  for (HWND w : found.windows) {
    const std::string cls = ClassOf(w);
    if (cls == "MainWndClass" || IsWindowVisible(w)) {
      std::printf("top-level window %p of the screensaver: class \"%s\", visible %d\n",
                  static_cast<void*>(w), cls.c_str(), IsWindowVisible(w) ? 1 : 0);
      ++count;
    }
  }
  return count;
}

bool Start(const char* program, const std::string& tail, PROCESS_INFORMATION* process) {
  std::string line = std::string("\"") + program + "\" " + tail;
  std::printf("command line [%s]\n", line.c_str());
  STARTUPINFOA startup = {};
  startup.cb = sizeof startup;
  if (!CreateProcessA(program, &line[0], nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup, process)) {
    std::printf("FAIL: CreateProcess error %lu\n", GetLastError());
    return false;
  }
  return true;
}

// Waits for the process to end, pumping our messages; returns its exit code or -1
// after the timeout.
long WaitForExit(HANDLE process, DWORD timeoutMs, DWORD pid, int* topLevelSeen) {
  const DWORD start = GetTickCount();
  while (GetTickCount() - start < timeoutMs) {
    if (topLevelSeen != nullptr) *topLevelSeen += ScreensaverTopLevelWindows(pid);
    if (MsgWaitForMultipleObjects(1, &process, FALSE, 50, QS_ALLINPUT) == WAIT_OBJECT_0) {
      DWORD code = 0;
      GetExitCodeProcess(process, &code);
      return static_cast<long>(code);
    }
    Pump();
  }
  return -1;
}

int NoWindow(const char* program, const char* line) {
  PROCESS_INFORMATION process = {};
  if (!Start(program, line, &process)) return 1;
  int topLevel = 0;
  const long code = WaitForExit(process.hProcess, 15000, process.dwProcessId, &topLevel);
  std::printf("exit code %ld\n", code);
  Check(code == 0, "the program ends with exit code 0");
  Check(topLevel == 0, "no top-level window of the screensaver appeared");
  return gFailures == 0 ? 0 : 1;
}

LRESULT CALLBACK HostProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  return DefWindowProcA(window, message, wParam, lParam);
}

int Preview(const char* program, const std::string& format) {
  WNDCLASSA wc = {};
  wc.lpfnWndProc = HostProc;
  wc.hInstance = GetModuleHandleA(nullptr);
  wc.hbrBackground = static_cast<HBRUSH>(GetStockObject(WHITE_BRUSH));
  wc.lpszClassName = "PreviewHost";
  RegisterClassA(&wc);
  // The size of the preview box of Screen Saver Settings, give or take.
  HWND host = CreateWindowExA(0, "PreviewHost", "Preview host", WS_OVERLAPPEDWINDOW | WS_VISIBLE, 40, 40,
                              300, 240, nullptr, nullptr, wc.hInstance, nullptr);
  if (host == nullptr) {
    std::printf("FAIL: no host window\n");
    return 1;
  }
  Pump();
  RECT hostClient;
  GetClientRect(host, &hostClient);
  std::printf("host window %p, client %ldx%ld\n", static_cast<void*>(host), hostClient.right, hostClient.bottom);

  std::string tail = format;
  char number[32];
  std::snprintf(number, sizeof number, "%u", static_cast<unsigned>(reinterpret_cast<UINT_PTR>(host)));
  tail.replace(tail.find("%u"), 2, number);
  PROCESS_INFORMATION process = {};
  if (!Start(program, tail, &process)) return 1;

  // The preview window appears as our child.
  HWND child = nullptr;
  int topLevel = 0;
  for (DWORD start = GetTickCount(); child == nullptr && GetTickCount() - start < 15000;) {
    MsgWaitForMultipleObjects(0, nullptr, FALSE, 50, QS_ALLINPUT);
    Pump();
    child = FindWindowExA(host, nullptr, "MainWndClass", nullptr);
    topLevel += ScreensaverTopLevelWindows(process.dwProcessId);
  }
  Check(child != nullptr, "a window of class \"MainWndClass\" is the host window's child");
  if (child != nullptr) {
    // Let it settle: shown, painted, the timer running.
    for (DWORD start = GetTickCount(); GetTickCount() - start < 1500;) {
      MsgWaitForMultipleObjects(0, nullptr, FALSE, 50, QS_ALLINPUT);
      Pump();
    }
    DWORD pid = 0;
    GetWindowThreadProcessId(child, &pid);
    Check(pid == process.dwProcessId, "the child belongs to the screensaver's process");
    Check(ClassOf(child) == "MainWndClass", "its class is \"MainWndClass\"");
    char title[256] = {};
    GetWindowTextA(child, title, sizeof title);
    std::printf("title \"%s\"\n", title);
    Check(std::string(title) == "myScreenSaver", "its title is \"myScreenSaver\"");
    const LONG_PTR style = GetWindowLongPtrA(child, GWL_STYLE);
    const LONG_PTR exStyle = GetWindowLongPtrA(child, GWL_EXSTYLE);
    std::printf("style 0x%08lx, extended style 0x%08lx\n", static_cast<unsigned long>(style),
                static_cast<unsigned long>(exStyle));
    Check((style & ~static_cast<LONG_PTR>(WS_VISIBLE)) == WS_CHILD, "its style is WS_CHILD alone, shown");
    Check(exStyle == 0, "it has no extended style");
    Check(IsWindowVisible(child) != FALSE, "it is visible");
    Check(GetParent(child) == host, "its parent is the host window");
    RECT client;
    GetClientRect(child, &client);
    POINT origin = {0, 0};
    MapWindowPoints(child, host, &origin, 1);
    std::printf("child client %ldx%ld at %ld,%ld of the host's client area\n", client.right, client.bottom,
                origin.x, origin.y);
    Check(client.right == hostClient.right && client.bottom == hostClient.bottom,
          "its client area has the host's client size");
    Check(origin.x == 0 && origin.y == 0, "it sits at the origin of the host's client area");
    Check(topLevel == 0, "no top-level window of the screensaver appeared");
    Check(WaitForSingleObject(process.hProcess, 0) == WAIT_TIMEOUT, "the preview keeps running");
  }

  // The Settings box closes: our window goes, and with it the preview.
  DestroyWindow(host);
  const long code = WaitForExit(process.hProcess, 20000, process.dwProcessId, nullptr);
  std::printf("exit code after DestroyWindow: %ld\n", code);
  Check(code == 0, "destroying the host window ends the preview with exit code 0");
  if (code == -1) TerminateProcess(process.hProcess, 1);
  CloseHandle(process.hThread);
  CloseHandle(process.hProcess);
  return gFailures == 0 ? 0 : 1;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 3) {
    std::printf("usage: previewhost PROGRAM LINE   (%%u in LINE becomes the host window's handle)\n");
    return 2;
  }
  const std::string line = argv[2];
  const int result = line.find("%u") == std::string::npos ? NoWindow(argv[1], argv[2]) : Preview(argv[1], line);
  std::printf("%s\n", result == 0 ? "PASS" : "FAIL");
  return result;
}
