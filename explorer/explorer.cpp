#include "explorer/explorer.h"

#include <algorithm>
#include <cstring>
#include <utility>

#include "settings/settings.h"
#include "shell/shell.h"

namespace explorer {

const char kHint[] = "Ecke ziehen \xB7 Pfeiltasten: Schritt \xB7 Leertaste: neues Dreieck \xB7 "
                     "1\x96" "7: Konstruktion an/aus \xB7 S: speichern \xB7 Esc: Ende";

namespace {

const char kClass[] = "DreieckExplorer";
const UINT_PTR kHintTimer = 1;
const UINT_PTR kFrameTimer = 2;

// The one explorer there is at a time.
struct State {
  HWND window = nullptr;
  Save save;
  Point corners[3] = {};
  int32_t step = 7;
  int dragged = -1;      // the corner being dragged, or -1
  Point grab = {0, 0};   // the corner less the pointer when it was taken
  bool hint = true;      // the line of keys is shown
  bool frameTimer = false;  // a picture was drawn less than a frame ago
  bool framePending = false;  // and a movement since waits for the next
  time_t lastSecond = 0;  // of the last triangle placed at random
  // The program's globals as they were before the explorer took them.
  HWND mainWindow = nullptr;
  Triangle triangle;
  int32_t cycleStep = 0;
  Settings settings = {};
};
State& S() {
  static State state;
  return state;
}

bool Shown(int32_t step) { return NextShownStep(step) == step; }

// The last step up to k (0 to 7) whose construction is on; 0 when there is none.
int32_t LastShownUpTo(int32_t k) {
  for (int32_t step = k; step >= 1; --step)
    if (Shown(step)) return step;
  return 0;
}

void Repaint() { InvalidateRect(S().window, nullptr, FALSE); }

// While a corner is dragged, a picture drawn less than a frame ago makes the next one
// wait for the frame's end.
void RepaintWithinFrame() {
  if (S().frameTimer) {
    S().framePending = true;
    return;
  }
  Repaint();
}

void ShowPointer(LPCSTR shape) { SetCursor(LoadCursorA(nullptr, shape)); }

Point PointerOf(LPARAM lParam) {
  // Signed: a pointer held down and dragged off the window has negative coordinates.
  return {static_cast<int16_t>(LOWORD(lParam)), static_cast<int16_t>(HIWORD(lParam))};
}

// The corner within the grab radius nearest to p, or -1.
int CornerAt(const Point& p) {
  int nearest = -1;
  int64_t best = kGrabRadius * kGrabRadius;
  for (int i = 0; i < 3; ++i) {
    const int64_t dx = int64_t{S().corners[i].x} - p.x, dy = int64_t{S().corners[i].y} - p.y;
    // A corner further off in either direction is out of reach (and its square might
    // not fit).
    if (dx < -kGrabRadius || dx > kGrabRadius || dy < -kGrabRadius || dy > kGrabRadius) continue;
    const int64_t d = dx * dx + dy * dy;
    if (d < best || (nearest < 0 && d == best)) {
      nearest = i;
      best = d;
    }
  }
  return nearest;
}

void HideHint() {
  if (!S().hint) return;
  S().hint = false;
  KillTimer(S().window, kHintTimer);
  Repaint();
}

// A new random triangle: the one the cycle places at the current second, or at the
// second after the last one placed when that is later, so that each press gives a
// new one.
void PlaceAtRandom(time_t second) {
  S().lastSecond = second;
  srand(static_cast<unsigned>(second));
  if (!PlaceTriangle()) return;  // no room: the corners stay
  S().corners[0] = gTriangle.a;
  S().corners[1] = gTriangle.b;
  S().corners[2] = gTriangle.c;
}

View CurrentView() {
  View view{};
  std::copy(S().corners, S().corners + 3, view.corners);
  view.step = LastShownUpTo(S().step);
  for (int i = 0; i < 7; ++i) view.shown[i] = gSettings.*kShowFlags[i].field != 0;
  view.background = gSettings.background;
  return view;
}

void DrawHint(HDC dc) {
  HFONT font = CreateFontA(15, 0, 0, 0, FW_NORMAL, 0, 0, 0, DEFAULT_CHARSET, OUT_DEFAULT_PRECIS, CLIP_DEFAULT_PRECIS,
                           DEFAULT_QUALITY, DEFAULT_PITCH | FF_DONTCARE, "Arial");
  HGDIOBJ kept = SelectObject(dc, font);
  SetBkMode(dc, TRANSPARENT);
  // Black on white and the lighter greys, white on the darker shades.
  SetTextColor(dc, gSettings.background <= 2 ? 0x00000000 : 0x00FFFFFF);
  TextOutA(dc, 8, 6, kHint, static_cast<int>(std::strlen(kHint)));
  SelectObject(dc, kept);
  DeleteObject(font);
}

void OnPaint(HWND window) {
  PAINTSTRUCT paint;
  HDC dc = BeginPaint(window, &paint);
  // The class brush over everything, as the cycle's own erase paints it; once, here,
  // for every picture.
  DefWindowProcA(window, WM_ERASEBKGND, reinterpret_cast<WPARAM>(dc), 0);
  DrawCycleAt(S().corners, S().step);
  if (S().hint) DrawHint(dc);
  EndPaint(window, &paint);
  if (S().dragged >= 0) {
    SetTimer(window, kFrameTimer, kFrameMs, nullptr);
    S().frameTimer = true;
  }
}

void OnButtonDown(LPARAM lParam) {
  HideHint();
  const Point p = PointerOf(lParam);
  const int corner = CornerAt(p);
  if (corner < 0) return;
  S().dragged = corner;
  S().grab = {S().corners[corner].x - p.x, S().corners[corner].y - p.y};
  SetCapture(S().window);
  ShowPointer(IDC_SIZEALL);
}

void OnMouseMove(LPARAM lParam) {
  const Point p = PointerOf(lParam);
  if (S().dragged < 0) {
    ShowPointer(CornerAt(p) >= 0 ? IDC_HAND : IDC_ARROW);
    return;
  }
  Point& corner = S().corners[S().dragged];
  const Point moved = {p.x + S().grab.x, p.y + S().grab.y};
  if (moved == corner) return;
  corner = moved;
  RepaintWithinFrame();
}

void OnButtonUp(LPARAM lParam) {
  if (S().dragged < 0) return;
  OnMouseMove(lParam);
  S().dragged = -1;
  ReleaseCapture();
  ShowPointer(IDC_HAND);
}

void OnFrameEnd(HWND window) {
  KillTimer(window, kFrameTimer);
  S().frameTimer = false;
  if (S().framePending) {
    S().framePending = false;
    Repaint();
  }
}

void OnKey(HWND window, WPARAM key) {
  HideHint();
  int32_t& step = S().step;
  if (key == VK_RIGHT) {
    const int32_t next = step < 7 ? NextShownStep(step + 1) : 8;
    step = next <= 7 ? next : 0;
  } else if (key == VK_LEFT) {
    step = step == 0 ? LastShownUpTo(7) : LastShownUpTo(step - 1);
  } else if (key == VK_SPACE) {
    PlaceAtRandom(std::max(time(nullptr), S().lastSecond + 1));
  } else if (key >= '1' && key <= '7') {
    uint8_t& flag = gSettings.*kShowFlags[key - '1'].field;
    flag = flag != 0 ? 0 : 1;
  } else if (key == 'S') {
    // What is saved is what the window shows: the picture of the corners as they are,
    // without the line of keys.
    if (S().framePending) Repaint();
    UpdateWindow(window);
    if (S().save) S().save(window, CurrentView());
    return;
  } else if (key == VK_ESCAPE) {
    DestroyWindow(window);
    return;
  } else {
    return;
  }
  Repaint();
}

void OnDestroy(HWND window) {
  KillTimer(window, kHintTimer);
  KillTimer(window, kFrameTimer);
  ShowPointer(IDC_ARROW);
  gMainWindow = S().mainWindow;
  gTriangle = S().triangle;
  gCycleStep = S().cycleStep;
  gSettings = S().settings;
  S() = State();
  PostQuitMessage(0);
}

LRESULT CALLBACK WindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  switch (message) {
    case WM_PAINT: OnPaint(window); return 0;
    case WM_ERASEBKGND: return 1;  // each picture erases what it covers itself
    case WM_LBUTTONDOWN: OnButtonDown(lParam); return 0;
    case WM_MOUSEMOVE: OnMouseMove(lParam); return 0;
    case WM_LBUTTONUP: OnButtonUp(lParam); return 0;
    case WM_KEYDOWN: OnKey(window, wParam); return 0;
    case WM_TIMER:
      if (wParam == kHintTimer) HideHint();
      else if (wParam == kFrameTimer) OnFrameEnd(window);
      return 0;
    case WM_DESTROY: OnDestroy(window); return 0;
    default: return DefWindowProcA(window, message, wParam, lParam);
  }
}

}  // namespace

void FirstTick(const Point corners[3]) {
  HDC dc = GetDC(gMainWindow);
  gTriangle.a = corners[0];
  gTriangle.b = corners[1];
  gTriangle.c = corners[2];
  gTriangle.SetBackground(static_cast<BackgroundShade>(gSettings.background));
  gTriangle.DrawFigure(dc, FigureTriangle);
  gCycleStep = 1;
  ReleaseDC(gMainWindow, dc);
}

void DrawCycleAt(const Point corners[3], int32_t step) {
  FirstTick(corners);
  while (gCycleStep >= 1 && gCycleStep <= 7 && NextShownStep(gCycleStep) <= step) OnTimerTick();
}

void DrawView(HWND window, const View& view) {
  HDC dc = GetDC(window);
  DefWindowProcA(window, WM_ERASEBKGND, reinterpret_cast<WPARAM>(dc), 0);
  ReleaseDC(window, dc);
  DrawCycleAt(view.corners, view.step);
}

HWND Open(HWND frame, const Start& start, Save save) {
  if (S().window != nullptr) return nullptr;  // one at a time
  LoadSettings();
  WNDCLASSA wc = {};
  // Painted again as a whole when resized; no class cursor: the explorer sets its own.
  wc.style = CS_HREDRAW | CS_VREDRAW;
  wc.lpfnWndProc = WindowProc;
  wc.hInstance = gInstance;
  wc.hbrBackground = BackgroundBrush(gSettings.background);
  wc.lpszClassName = kClass;
  RegisterClassA(&wc);  // fails harmlessly once it is registered
  RECT client = {};
  GetClientRect(frame, &client);
  State& s = S();
  s.mainWindow = gMainWindow;
  s.triangle = gTriangle;
  s.cycleStep = gCycleStep;
  s.settings = gSettings;
  const HWND window = CreateWindowExA(0, kClass, "Dreieck", WS_CHILD, 0, 0, client.right, client.bottom, frame,
                                      nullptr, gInstance, nullptr);
  if (window == nullptr) return nullptr;
  s.window = window;
  s.save = std::move(save);
  gMainWindow = window;
  if (start.cornersGiven) std::copy(start.corners, start.corners + 3, s.corners);
  else PlaceAtRandom(start.secondGiven ? start.second : time(nullptr));
  // The step the cycle's picture of that step ends at: its construction, or the next
  // one that is on.
  const int32_t step = std::clamp<int32_t>(start.step, 0, 7);
  s.step = step == 0 ? 0 : std::min<int32_t>(NextShownStep(step), 7);
  ShowWindow(window, SW_SHOWDEFAULT);
  SetTimer(window, kHintTimer, kHintMs, nullptr);
  UpdateWindow(window);
  return window;
}

int Run(HWND frame, const Start& start, Save save) {
  if (Open(frame, start, std::move(save)) == nullptr) return 1;
  MSG msg = {};
  BOOL got;
  while ((got = GetMessageA(&msg, nullptr, 0, 0)) > 0) {
    TranslateMessage(&msg);
    DispatchMessageA(&msg);
  }
  return got == 0 ? static_cast<int>(msg.wParam) : 1;
}

}  // namespace explorer
