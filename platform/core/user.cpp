// user32: window classes, windows, device contexts, the message queue, painting and
// timers. Messages reach window procedures synchronously, as SendMessageA does; when
// the queue is empty GetMessageA paints what was shown, fires the timers that are due,
// and otherwise lets the backend wait for the outside world.
#include "platform/core/state.h"
#include "platform/core/testing.h"

#include <cstring>

using namespace core;

namespace core {
HDC NewDc(HWND window);
void CloseDc(HDC dc);
}  // namespace core

namespace {

struct WindowClass {
  WNDCLASSA wc;
  std::string name;
};

std::vector<WindowClass>& Classes() {
  static std::vector<WindowClass> classes;
  return classes;
}

bool& ClassRegistrationFails() {
  static bool fails;
  return fails;
}

std::string Text(LPCSTR text) {
  if (text == nullptr) return "null";
  if (reinterpret_cast<uintptr_t>(text) < 0x10000) return "#" + std::to_string(reinterpret_cast<uintptr_t>(text));
  return Quote(text, static_cast<int>(std::strlen(text)));
}

Object* Window(HWND window, const char* call) { return LiveWindow(window, call); }

HWND HandleOf(size_t index) { return static_cast<HWND>(HandleAt(index)); }

// A shown window that waits for its first paint, or null.
HWND WindowToPaint() {
  State& s = S();
  for (size_t i = 0; i < s.objects.size(); ++i)
    if (s.objects[i].kind == ObjectKind::Window && s.objects[i].alive && s.objects[i].needsPaint) return HandleOf(i);
  return nullptr;
}

// The windows whose parent is `window`.
std::vector<HWND> ChildrenOf(HWND window) {
  std::vector<HWND> children;
  State& s = S();
  for (size_t i = 0; i < s.objects.size(); ++i)
    if (s.objects[i].kind == ObjectKind::Window && s.objects[i].alive && s.objects[i].parent == window)
      children.push_back(HandleOf(i));
  return children;
}

// The system cursors LoadCursorA hands out: one handle each, and the shape a backend
// shows.
struct SystemCursor {
  LPCSTR id;
  const char* name;
  Pointer shape;
};
const SystemCursor kCursors[] = {
    {IDC_ARROW, "arrow", Pointer::Arrow}, {IDC_HAND, "hand", Pointer::Hand}, {IDC_SIZEALL, "sizeall", Pointer::Move}};

const SystemCursor* CursorOf(HCURSOR cursor) {
  for (const SystemCursor& c : kCursors)
    if (cursor == reinterpret_cast<HCURSOR>(const_cast<SystemCursor*>(&c))) return &c;
  return nullptr;
}

HWND Desktop() {
  State& s = S();
  for (size_t i = 0; i < s.objects.size(); ++i)
    if (s.objects[i].kind == ObjectKind::Window && s.objects[i].name == "desktop")
      return HandleOf(i);
  Object desktop(ObjectKind::Window);
  desktop.name = "desktop";
  return static_cast<HWND>(NewObject(desktop, nullptr));
}

}  // namespace

namespace core {

LRESULT Deliver(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  Object* o = FindAlive(window, ObjectKind::Window);
  if (o == nullptr || o->proc == nullptr) return 0;
  return o->proc(window, message, wParam, lParam);
}

HWND NewOuterWindow(const char* name, int width, int height) {
  Object window(ObjectKind::Window);
  window.proc = DefWindowProcA;
  window.width = width;
  window.height = height;
  window.brush = static_cast<HBRUSH>(GetStockObject(BLACK_BRUSH));
  window.title = name;
  return static_cast<HWND>(NewObject(window, name));
}

void DestroyWindowTree(HWND window) {
  Object* o = FindAlive(window, ObjectKind::Window);
  if (o == nullptr) return;
  const std::vector<HWND> children = ChildrenOf(window);
  Deliver(window, WM_DESTROY, 0, 0);
  for (HWND child : children) DestroyWindowTree(child);
  Retire(Find(window));
  for (auto it = S().timers.begin(); it != S().timers.end();)
    it = it->first.first == window ? S().timers.erase(it) : std::next(it);
  CurrentBackend().WindowDestroyed(window);
}

void ResizeWindow(HWND window, int width, int height) {
  Object* o = FindAlive(window, ObjectKind::Window);
  if (o == nullptr || (o->width == width && o->height == height)) return;
  // A class that asks for it is painted again as a whole, as Windows does.
  if (((o->classStyle & CS_HREDRAW) != 0 && o->width != width) ||
      ((o->classStyle & CS_VREDRAW) != 0 && o->height != height))
    o->needsPaint = o->needsErase = true;
  o->width = width;
  o->height = height;
  CurrentBackend().WindowResized(window);
  for (HWND child : ChildrenOf(window)) ResizeWindow(child, width, height);
}

std::vector<HWND> Children(HWND window) { return ChildrenOf(window); }

HWND Parent(HWND window) {
  const Object* o = FindAlive(window, ObjectKind::Window);
  return o != nullptr ? o->parent : nullptr;
}

SIZE ClientSize(HWND window) {
  const Object* o = FindAlive(window, ObjectKind::Window);
  return o != nullptr ? SIZE{o->width, o->height} : SIZE{0, 0};
}

HBRUSH ClassBrush(HWND window) {
  const Object* o = FindAlive(window, ObjectKind::Window);
  return o != nullptr ? o->brush : nullptr;
}

void PostQuit(int code) {
  S().quitPosted = true;
  S().quitCode = code;
}

void TakeBackQuit() {
  S().quitPosted = false;
  S().quitCode = 0;
}

void ResetWindowClasses() {
  Classes().clear();
  ClassRegistrationFails() = false;
}

const WNDCLASSA* RegisteredClass(const std::string& name) {
  for (const WindowClass& c : Classes())
    if (c.name == name) return &c.wc;
  return nullptr;
}

void FailClassRegistration(bool fail) { ClassRegistrationFails() = fail; }

std::vector<std::string> TakeErrors() {
  std::vector<std::string> errors;
  errors.swap(S().errors);
  return errors;
}

HWND CreateTestWindow(int width, int height) {
  Object window(ObjectKind::Window);
  window.proc = DefWindowProcA;
  window.width = width;
  window.height = height;
  window.brush = static_cast<HBRUSH>(GetStockObject(BLACK_BRUSH));
  return static_cast<HWND>(NewObject(window, "hwnd"));
}

void SetClientSize(HWND window, int width, int height) {
  Object* o = FindAlive(window, ObjectKind::Window);
  if (o == nullptr) Unsupported("SetClientSize on " + Name(window));
  o->width = width;
  o->height = height;
}

bool IsWindowAlive(HWND window) { return FindAlive(window, ObjectKind::Window) != nullptr; }

void PostMessageToQueue(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  MSG msg{};
  msg.hwnd = window;
  msg.message = message;
  msg.wParam = wParam;
  msg.lParam = lParam;
  // Movements of the mouse waiting behind one another are one movement to where it
  // went last, as Windows hands them out.
  std::deque<MSG>& queue = S().queue;
  if (message == WM_MOUSEMOVE && !queue.empty() && queue.back().message == WM_MOUSEMOVE &&
      queue.back().hwnd == window) {
    queue.back() = msg;
    return;
  }
  queue.push_back(msg);
}

void SetIdleHandler(std::function<void()> handler) { S().knobs.idle = std::move(handler); }
void FailNextMessage() { S().knobs.failNextMessage = true; }
void FailDeviceContexts(bool fail) { S().knobs.failDeviceContexts = fail; }

UINT TimerPeriod(HWND window, UINT_PTR id) {
  auto it = S().timers.find({window, id});
  return it == S().timers.end() ? 0 : it->second.period;
}

int TimerCount() { return static_cast<int>(S().timers.size()); }

}  // namespace core

HDC WINAPI GetDC(HWND window) {
  HDC dc = nullptr;
  const bool available = !S().knobs.failDeviceContexts;
  if (available && (window == nullptr || Window(window, "GetDC") != nullptr)) dc = NewDc(window);
  Call("GetDC", window);
  return dc;
}

int WINAPI ReleaseDC(HWND window, HDC dc) {
  Call("ReleaseDC", window, dc);
  if (dc == nullptr) return 0;
  CloseDc(dc);
  return 1;
}

BOOL WINAPI GetClientRect(HWND window, LPRECT rect) {
  Call("GetClientRect", window);
  Object* o = Window(window, "GetClientRect");
  if (o == nullptr) return FALSE;
  rect->left = 0;
  rect->top = 0;
  if (o->name == "desktop") {
    const SIZE screen = CurrentBackend().ScreenSize(nullptr);
    rect->right = screen.cx;
    rect->bottom = screen.cy;
  } else {
    rect->right = o->width;
    rect->bottom = o->height;
  }
  return TRUE;
}

LRESULT WINAPI SendMessageA(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  Call("SendMessageA", window, Hex(message), Name(reinterpret_cast<void*>(wParam)), lParam);
  Object* o = Window(window, "SendMessageA");
  if (o == nullptr || o->proc == nullptr) return 0;
  return o->proc(window, message, wParam, lParam);
}

LRESULT WINAPI DefWindowProcA(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  Call("DefWindowProcA", window, Hex(message), wParam, lParam);
  Object* o = Window(window, "DefWindowProcA");
  if (o == nullptr) return 0;
  if (message == WM_ERASEBKGND) {
    // The class brush fills the whole client area.
    HDC dc = reinterpret_cast<HDC>(wParam);
    if (FindAlive(dc, ObjectKind::Dc) == nullptr) Error("WM_ERASEBKGND without a live device context");
    Call("FillRect", dc, 0, 0, o->width, o->height, Name(o->brush));
    Object* d = FindAlive(dc, ObjectKind::Dc);
    if (d != nullptr && o->brush != nullptr) {
      if (Canvas* canvas = CurrentBackend().CanvasOf(d->dcWindow)) canvas->Fill({0, 0, o->width, o->height}, BrushColour(o->brush));
    }
    return 1;
  }
  if (message == WM_PAINT) {
    // Painting nothing still makes the window valid.
    PAINTSTRUCT paint;
    BeginPaint(window, &paint);
    EndPaint(window, &paint);
  }
  if (message == WM_CLOSE) DestroyWindowTree(window);  // default closing destroys the window
  return 0;
}

HCURSOR WINAPI LoadCursorA(HINSTANCE instance, LPCSTR name) {
  Call("LoadCursorA", instance, Text(name));
  for (const SystemCursor& c : kCursors)
    if (instance == nullptr && name == c.id) return reinterpret_cast<HCURSOR>(const_cast<SystemCursor*>(&c));
  Unsupported("LoadCursorA other than the arrow, the hand and the four arrows");
}

HCURSOR WINAPI SetCursor(HCURSOR cursor) {
  const SystemCursor* shape = CursorOf(cursor);
  Call("SetCursor", shape != nullptr ? shape->name : cursor == nullptr ? "null" : "#bad");
  if (cursor != nullptr && shape == nullptr) Unsupported("SetCursor with a cursor LoadCursorA did not make");
  const HCURSOR previous = S().cursor;
  if (cursor != previous) {
    S().cursor = cursor;
    CurrentBackend().PointerShape(shape != nullptr ? shape->shape : Pointer::Hidden);
  }
  return previous;
}

// The X server and the browser keep sending a pressed pointer's movements to the window
// it was pressed in; the capture is noted for the record.
HWND WINAPI SetCapture(HWND window) {
  Call("SetCapture", window);
  const HWND previous = S().capture;
  if (Window(window, "SetCapture") != nullptr) S().capture = window;
  return previous;
}

BOOL WINAPI ReleaseCapture(void) {
  Call("ReleaseCapture");
  S().capture = nullptr;
  return TRUE;
}

// The whole window is painted again, whatever part is named: its WM_PAINT comes when
// no other message waits.
BOOL WINAPI InvalidateRect(HWND window, const RECT*, BOOL erase) {
  Call("InvalidateRect", window, erase);
  Object* o = Window(window, "InvalidateRect");
  if (o == nullptr) return FALSE;
  o->needsPaint = true;
  if (erase) o->needsErase = true;
  return TRUE;
}

ATOM WINAPI RegisterClassA(const WNDCLASSA* wc) {
  Call("RegisterClassA", wc->style, wc->lpfnWndProc ? "proc" : "null", wc->cbClsExtra,
       wc->cbWndExtra, wc->hInstance, wc->hIcon, wc->hCursor ? "arrow" : "null",
       Name(wc->hbrBackground), Text(wc->lpszMenuName), Text(wc->lpszClassName));
  if (wc->lpszClassName == nullptr || wc->lpfnWndProc == nullptr || ClassRegistrationFails()) return 0;
  for (const WindowClass& c : Classes())
    if (c.name == wc->lpszClassName) return 0;  // already registered
  Classes().push_back({*wc, wc->lpszClassName});
  return static_cast<ATOM>(0xC000 + Classes().size());
}

HWND WINAPI GetDesktopWindow(void) {
  HWND desktop = Desktop();
  Call("GetDesktopWindow");
  return desktop;
}

HWND WINAPI CreateWindowExA(DWORD exStyle, LPCSTR className, LPCSTR windowName, DWORD style, int x,
                            int y, int width, int height, HWND parent, HMENU menu,
                            HINSTANCE instance, LPVOID param) {
  Call("CreateWindowExA", Hex(exStyle), Text(className), Text(windowName), Hex(style), x, y, width,
       height, parent, menu, instance, param);
  const WindowClass* wc = nullptr;
  for (const WindowClass& c : Classes())
    if (className != nullptr && c.name == className) wc = &c;
  if (wc == nullptr) return nullptr;
  if (parent != nullptr && FindAlive(parent, ObjectKind::Window) == nullptr) return nullptr;
  if ((style & WS_CHILD) != 0 && parent == nullptr) return nullptr;
  Object window(ObjectKind::Window);
  window.proc = wc->wc.lpfnWndProc;
  window.parent = parent;
  window.style = style;
  window.classStyle = wc->wc.style;
  window.width = width;
  window.height = height;
  window.brush = wc->wc.hbrBackground;
  window.className = wc->name;
  window.title = windowName ? windowName : "";
  HWND handle = static_cast<HWND>(NewObject(window, "hwnd"));
  CurrentBackend().WindowCreated(handle);
  CREATESTRUCTA cs{};
  cs.lpCreateParams = param;
  cs.hInstance = instance;
  cs.hMenu = menu;
  cs.hwndParent = parent;
  cs.cx = width;
  cs.cy = height;
  cs.x = x;
  cs.y = y;
  cs.style = static_cast<LONG>(style);
  cs.lpszName = windowName;
  cs.lpszClass = className;
  cs.dwExStyle = exStyle;
  if (Find(handle)->proc(handle, WM_CREATE, 0, reinterpret_cast<LPARAM>(&cs)) == -1) {
    Retire(Find(handle));
    CurrentBackend().WindowDestroyed(handle);
    return nullptr;
  }
  return handle;
}

// A shown window is invalid as a whole until its first paint, which erases it.
BOOL WINAPI ShowWindow(HWND window, int showCommand) {
  Call("ShowWindow", window, showCommand);
  Object* o = Window(window, "ShowWindow");
  if (o == nullptr) return FALSE;
  o->needsPaint = true;
  o->needsErase = true;
  CurrentBackend().WindowShown(window);
  return FALSE;
}

// The window and its children get WM_DESTROY and are gone, with their timers.
BOOL WINAPI DestroyWindow(HWND window) {
  Call("DestroyWindow", window);
  if (Window(window, "DestroyWindow") == nullptr) return FALSE;
  DestroyWindowTree(window);
  return TRUE;
}

BOOL WINAPI UpdateWindow(HWND window) {
  Call("UpdateWindow", window);
  Object* o = Window(window, "UpdateWindow");
  if (o == nullptr) return FALSE;
  if (o->needsPaint) Deliver(window, WM_PAINT, 0, 0);
  return TRUE;
}

namespace {

// The next message for GetMessageA as Windows orders them: posted messages first, then
// the quit, then paints, then timers; the backend waits until one is there. False for
// the quit message; -1 when the next call is to fail.
int NextMessage(MSG* msg) {
  State& s = S();
  for (;;) {
    if (s.knobs.failNextMessage) {
      s.knobs.failNextMessage = false;
      std::memset(msg, 0xA5, sizeof *msg);
      return -1;
    }
    if (!s.queue.empty()) {
      *msg = s.queue.front();
      s.queue.pop_front();
      return TRUE;
    }
    *msg = MSG{};
    if (s.quitPosted) {
      s.quitPosted = false;
      msg->message = WM_QUIT;
      msg->wParam = static_cast<WPARAM>(s.quitCode);
      return FALSE;
    }
    if (HWND paint = WindowToPaint()) {
      msg->hwnd = paint;
      msg->message = WM_PAINT;
      return TRUE;
    }
    const uint64_t now = CurrentBackend().NowMs();
    int64_t wait = -1;
    for (auto& [key, timer] : s.timers) {
      if (timer.due <= now) {
        // The next one is a whole period after this one is handed out: a late
        // timer does not come twice.
        timer.due = now + timer.period;
        msg->hwnd = key.first;
        msg->message = WM_TIMER;
        msg->wParam = key.second;
        return TRUE;
      }
      const int64_t left = static_cast<int64_t>(timer.due - now);
      if (wait < 0 || left < wait) wait = left;
    }
    CurrentBackend().Wait(wait);
  }
}

}  // namespace

namespace core {

void SetMessageFilter(std::function<bool(const MSG&)> filter) { S().filter = std::move(filter); }

}  // namespace core

BOOL WINAPI GetMessageA(LPMSG msg, HWND window, UINT filterMin, UINT filterMax) {
  if (window != nullptr || filterMin != 0 || filterMax != 0) Unsupported("GetMessageA with a filter");
  for (;;) {
    const int got = NextMessage(msg);
    // The filter sees what the program would; a copy, since it may run the program.
    const std::function<bool(const MSG&)> filter = S().filter;
    if (got <= 0 || !filter || !filter(*msg)) return got;
  }
}

BOOL WINAPI TranslateMessage(const MSG*) { return FALSE; }

LRESULT WINAPI DispatchMessageA(const MSG* msg) {
  Object* o = Window(msg->hwnd, "DispatchMessageA");
  if (o == nullptr || o->proc == nullptr) return 0;
  return o->proc(msg->hwnd, msg->message, msg->wParam, msg->lParam);
}

UINT_PTR WINAPI SetTimer(HWND window, UINT_PTR id, UINT elapse, TIMERPROC timerProc) {
  Call("SetTimer", window, id, elapse, timerProc ? "proc" : "null");
  if (timerProc != nullptr) Unsupported("SetTimer with a timer procedure");
  if (Window(window, "SetTimer") == nullptr) return 0;
  // Windows raises a period below 10 ms to 10 ms.
  const UINT period = elapse < 10 ? 10 : elapse;
  S().timers[{window, id}] = {period, CurrentBackend().NowMs() + period};
  return id;
}

BOOL WINAPI KillTimer(HWND window, UINT_PTR id) {
  Call("KillTimer", window, id);
  return S().timers.erase({window, id}) > 0;
}

void WINAPI PostQuitMessage(int exitCode) {
  Call("PostQuitMessage", exitCode);
  S().quitPosted = true;
  S().quitCode = exitCode;
}

HDC WINAPI BeginPaint(HWND window, LPPAINTSTRUCT paint) {
  Call("BeginPaint", window);
  *paint = PAINTSTRUCT{};
  Object* o = Window(window, "BeginPaint");
  if (o == nullptr) return nullptr;
  paint->hdc = NewDc(window);
  paint->rcPaint = {0, 0, o->width, o->height};
  o->needsPaint = false;
  if (o->needsErase) {
    o->needsErase = false;
    paint->fErase = Deliver(window, WM_ERASEBKGND, reinterpret_cast<WPARAM>(paint->hdc), 0) == 0;
  }
  return paint->hdc;
}

BOOL WINAPI EndPaint(HWND window, const PAINTSTRUCT* paint) {
  Call("EndPaint", window);
  if (paint->hdc != nullptr) CloseDc(paint->hdc);
  return TRUE;
}
