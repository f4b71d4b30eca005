#include "explorer/explorer.h"

#include <algorithm>
#include <cstring>
#include <string>
#include <utility>

#include "render/draw.h"
#include "settings/settings.h"
#include "shell/host.h"

namespace explorer {

const std::string& Hint() {
  static const std::string hint = "Ecke ziehen \xB7 Pfeiltasten: Schritt \xB7 Leertaste: neues Dreieck \xB7 1\x96" +
                                  std::to_string(kConstructionCount) +
                                  ": Konstruktion an/aus \xB7 S: speichern \xB7 Esc: Ende";
  return hint;
}

namespace {

const char kClass[] = "DreieckExplorer";
const UINT_PTR kHintTimer = 1;
const UINT_PTR kStatusTimer = 3;
const UINT_PTR kRefreshTimer = 2;

// The one explorer there is at a time.
struct State {
  HWND window = nullptr;
  Save save;
  Point corners[3] = {};
  int32_t step = kStepLastConstruction;  // the cycle's step the picture shows
  int dragged = -1;      // the corner being dragged, or -1
  Point grab = {0, 0};   // the corner less the pointer when it was taken
  bool hint = true;      // the line of keys is shown
  std::string status;    // or what became of the last picture saved, for a while
  bool refreshTimer = false;  // a picture was drawn less than a refresh ago
  bool refreshPending = false;  // and a movement since waits for the next
  time_t lastSecond = 0;  // of the last triangle placed at random
  // The program's state as it was before the explorer took it.
  ProgramState before;
};
State& Explorer() {
  static State state;
  return state;
}

bool Shown(int32_t step) { return NextShownStep(step) == step; }

// The last construction's step up to k whose construction is on; the triangle's when
// there is none.
int32_t LastShownUpTo(int32_t k) {
  for (int32_t step = k; step >= kStepFirstConstruction; --step)
    if (Shown(step)) return step;
  return kStepTriangle;
}

void Repaint() { InvalidateRect(Explorer().window, nullptr, FALSE); }

// While a corner is dragged, a picture drawn less than a refresh ago makes the next one
// wait for the refresh's end.
void RepaintWithinRefresh() {
  if (Explorer().refreshTimer) {
    Explorer().refreshPending = true;
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
    const int64_t dx = int64_t{Explorer().corners[i].x} - p.x, dy = int64_t{Explorer().corners[i].y} - p.y;
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
  if (!Explorer().hint) return;
  Explorer().hint = false;
  KillTimer(Explorer().window, kHintTimer);
  Repaint();
}

// A new random triangle: the one the cycle places at the current second, or at the
// second after the last one placed when that is later, so that each press gives a
// new one.
void PlaceAtRandom(time_t second) {
  Explorer().lastSecond = second;
  srand(static_cast<unsigned>(second));
  if (!PlaceTriangle()) return;  // no room: the corners stay
  Explorer().corners[0] = gTriangle.a;
  Explorer().corners[1] = gTriangle.b;
  Explorer().corners[2] = gTriangle.c;
}

View CurrentView() {
  View view{};
  std::copy(Explorer().corners, Explorer().corners + 3, view.corners);
  view.step = LastShownUpTo(Explorer().step);
  for (int i = 0; i < kConstructionCount; ++i) view.shown[i] = gSettings.*kConstructions[i].flag != 0;
  view.background = gSettings.background;
  return view;
}

// A line at the top left: the keys, or what became of a picture saved.
void DrawTopLine(HDC dc, const std::string& text) {
  const FontInUse font = BeginFont(dc, 15, 0, FW_NORMAL);
  SetBkMode(dc, TRANSPARENT);
  // Black on white and the lighter greys, white on the darker shades.
  SetTextColor(dc, gSettings.background <= 2 ? 0x00000000 : 0x00FFFFFF);
  TextOutA(dc, 8, 6, text.data(), static_cast<int>(text.size()));
  EndFont(dc, font);
}

void OnPaint(HWND window) {
  PAINTSTRUCT paint;
  HDC dc = BeginPaint(window, &paint);
  // The class brush over everything, as the cycle's own erase paints it; once, here,
  // for every picture.
  DefWindowProcA(window, WM_ERASEBKGND, reinterpret_cast<WPARAM>(dc), 0);
  DrawCycleUpTo(Explorer().corners, Explorer().step);
  if (Explorer().hint) DrawTopLine(dc, Hint());
  else if (!Explorer().status.empty()) DrawTopLine(dc, Explorer().status);
  EndPaint(window, &paint);
  if (Explorer().dragged >= 0) {
    SetTimer(window, kRefreshTimer, kRefreshMs, nullptr);
    Explorer().refreshTimer = true;
  }
}

void OnButtonDown(LPARAM lParam) {
  HideHint();
  const Point p = PointerOf(lParam);
  const int corner = CornerAt(p);
  if (corner < 0) return;
  Explorer().dragged = corner;
  Explorer().grab = {Explorer().corners[corner].x - p.x, Explorer().corners[corner].y - p.y};
  SetCapture(Explorer().window);
  ShowPointer(IDC_SIZEALL);
}

void OnMouseMove(LPARAM lParam) {
  const Point p = PointerOf(lParam);
  if (Explorer().dragged < 0) {
    ShowPointer(CornerAt(p) >= 0 ? IDC_HAND : IDC_ARROW);
    return;
  }
  Point& corner = Explorer().corners[Explorer().dragged];
  const Point moved = {p.x + Explorer().grab.x, p.y + Explorer().grab.y};
  if (moved == corner) return;
  corner = moved;
  RepaintWithinRefresh();
}

void OnButtonUp(LPARAM lParam) {
  if (Explorer().dragged < 0) return;
  OnMouseMove(lParam);
  Explorer().dragged = -1;
  ReleaseCapture();
  ShowPointer(IDC_HAND);
}

void OnRefreshEnd(HWND window) {
  KillTimer(window, kRefreshTimer);
  Explorer().refreshTimer = false;
  if (Explorer().refreshPending) {
    Explorer().refreshPending = false;
    Repaint();
  }
}

void OnStatusEnd(HWND window) {
  KillTimer(window, kStatusTimer);
  Explorer().status.clear();
  Repaint();
}

void OnKey(HWND window, WPARAM key, LPARAM keyData) {
  // A key held down repeats only its step through the cycle; the rest act once.
  if (IsRepeat(keyData) && key != VK_LEFT && key != VK_RIGHT) return;
  HideHint();
  int32_t& step = Explorer().step;
  if (key == VK_RIGHT) {
    // Round from the last construction that is on to the triangle alone.
    const int32_t next = step < kStepLastConstruction ? NextShownStep(step + 1) : kStepFirstQuiet;
    step = next <= kStepLastConstruction ? next : kStepTriangle;
  } else if (key == VK_LEFT) {
    step = step == kStepTriangle ? LastShownUpTo(kStepLastConstruction) : LastShownUpTo(step - 1);
  } else if (key == VK_SPACE) {
    PlaceAtRandom(std::max(time(nullptr), Explorer().lastSecond + 1));
  } else if (key >= '1' && key < '1' + kConstructionCount) {
    uint8_t& flag = gSettings.*kConstructions[key - '1'].flag;
    flag = flag != 0 ? 0 : 1;
  } else if (key == 'S') {
    // What is saved is what the window shows: the picture of the corners as they are,
    // without the line of keys or of the last picture saved.
    if (Explorer().refreshPending || !Explorer().status.empty()) Repaint();
    Explorer().status.clear();
    UpdateWindow(window);
    if (!Explorer().save) return;
    Explorer().status = Explorer().save(window, CurrentView());
    if (Explorer().status.empty()) return;
    SetTimer(window, kStatusTimer, kStatusMs, nullptr);
  } else if (IsEndKey(key)) {
    DestroyWindow(window);
    return;
  } else {
    return;
  }
  Repaint();
}

void OnDestroy(HWND window) {
  KillTimer(window, kHintTimer);
  KillTimer(window, kRefreshTimer);
  KillTimer(window, kStatusTimer);
  ShowPointer(IDC_ARROW);
  RestoreProgram(Explorer().before);
  Explorer() = State();
  PostQuitMessage(0);
}

LRESULT CALLBACK WindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  switch (message) {
    case WM_PAINT: OnPaint(window); return 0;
    case WM_ERASEBKGND: return 1;  // each picture erases what it covers itself
    case WM_LBUTTONDOWN: OnButtonDown(lParam); return 0;
    case WM_MOUSEMOVE: OnMouseMove(lParam); return 0;
    case WM_LBUTTONUP: OnButtonUp(lParam); return 0;
    case WM_KEYDOWN: OnKey(window, wParam, lParam); return 0;
    case WM_TIMER:
      if (wParam == kHintTimer) HideHint();
      else if (wParam == kStatusTimer) OnStatusEnd(window);
      else if (wParam == kRefreshTimer) OnRefreshEnd(window);
      return 0;
    case WM_DESTROY: OnDestroy(window); return 0;
    default: return DefWindowProcA(window, message, wParam, lParam);
  }
}

}  // namespace

void DrawView(HWND window, const View& view) {
  HDC dc = GetDC(window);
  DefWindowProcA(window, WM_ERASEBKGND, reinterpret_cast<WPARAM>(dc), 0);
  ReleaseDC(window, dc);
  DrawCycleUpTo(view.corners, view.step);
}

HWND Open(HWND outer, const Start& start, Save save) {
  if (Explorer().window != nullptr) return nullptr;  // one at a time
  State& s = Explorer();
  s.before = SaveProgram();
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
  GetClientRect(outer, &client);
  const HWND window = CreateWindowExA(0, kClass, "Dreieck", WS_CHILD, 0, 0, client.right, client.bottom, outer,
                                      nullptr, gInstance, nullptr);
  if (window == nullptr) {
    RestoreProgram(s.before);
    return nullptr;
  }
  s.window = window;
  s.save = std::move(save);
  gMainWindow = window;
  if (start.cornersGiven) std::copy(start.corners, start.corners + 3, s.corners);
  else PlaceAtRandom(start.secondGiven ? start.second : time(nullptr));
  // The step the cycle's picture of that step ends at: its construction, or the next
  // one that is on.
  const int32_t step = std::clamp<int32_t>(start.step, kStepTriangle, kStepLastConstruction);
  s.step = step == kStepTriangle ? kStepTriangle : std::min<int32_t>(NextShownStep(step), kStepLastConstruction);
  ShowWindow(window, SW_SHOWDEFAULT);
  SetTimer(window, kHintTimer, kHintMs, nullptr);
  UpdateWindow(window);
  return window;
}

int Run(HWND outer, const Start& start, Save save) {
  if (Open(outer, start, std::move(save)) == nullptr) return -1;
  return RunMessageLoop();
}

}  // namespace explorer
