// The core of the Win32 stand-in under a backend with a clock: what GetMessageA hands
// out and when, the first paint, and outer windows that end or change size with their
// children; its table of handles and its registry.
#include <deque>
#include <optional>

#include "support.h"
#include "platform/core/backend.h"

namespace {

// A backend whose clock moves only when the core waits, straight to the time asked.
class ClockBackend final : public core::Backend {
 public:
  SIZE ScreenSize(HWND) override { return {800, 600}; }
  core::Canvas* CanvasOf(HWND) override { return nullptr; }
  uint64_t NowMs() override { return now; }
  void PointerShape(core::Pointer pointer) override { shapes.push_back(pointer); }
  void Wait(int64_t timeoutMs) override {
    waits.push_back(timeoutMs);
    if (timeoutMs < 0 || waits.size() > 50) {
      core::PostQuit(99);  // nothing would ever come
      return;
    }
    now += static_cast<uint64_t>(timeoutMs);
  }
  uint64_t now = 1000;
  std::deque<int64_t> waits;
  std::vector<core::Pointer> shapes;
};

const UINT WM_USER_NOTE = 0x0401;
std::vector<std::string>* notes;

// Notes the messages the tests look for, then does what a window does by default.
LRESULT CALLBACK Note(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  if (message == WM_PAINT || message == WM_TIMER || message == WM_DESTROY || message == WM_USER_NOTE)
    notes->push_back(core::Name(window) + ":" + std::to_string(message));
  return DefWindowProcA(window, message, wParam, lParam);
}

class Core : public CoreTest {
 protected:
  void SetUp() override {
    CoreTest::SetUp();
    core::InstallBackend(&backend_);
    notes = &notes_;
    WNDCLASSA wc = {};
    wc.lpfnWndProc = Note;
    wc.hbrBackground = static_cast<HBRUSH>(GetStockObject(GRAY_BRUSH));
    wc.lpszClassName = "note";
    RegisterClassA(&wc);
    wc.style = CS_HREDRAW;
    wc.lpszClassName = "redraw";
    RegisterClassA(&wc);
  }
  void TearDown() override {
    core::InstallBackend(nullptr);
    CoreTest::TearDown();
  }
  HWND Make(HWND parent, int width, int height) {
    return CreateWindowExA(0, "note", "", parent ? WS_CHILD : WS_POPUP, 0, 0, width, height, parent, nullptr,
                           nullptr, nullptr);
  }
  // Runs the loop for `count` messages, or until the quit; what GetMessageA handed
  // out as "window:message@time".
  Lines Run(int count) {
    Lines out;
    MSG msg;
    for (int i = 0; i < count && GetMessageA(&msg, nullptr, 0, 0); ++i) {
      out.push_back(core::Name(msg.hwnd) + ":" + std::to_string(msg.message) + "@" + std::to_string(backend_.now));
      DispatchMessageA(&msg);
    }
    return out;
  }
  ClockBackend backend_;
  std::vector<std::string> notes_;
};

// Timers come due on the backend's clock; the core waits exactly until the next one,
// and a timer handed out late comes a whole period after that, not twice.
TEST_F(Core, TimersComeOnTheBackendsClock) {
  HWND w = Make(nullptr, 10, 10);
  SetTimer(w, 1, 500, nullptr);
  SetTimer(w, 2, 1200, nullptr);
  SetTimer(w, 3, 0, nullptr);  // Windows makes it 10 ms
  const std::string n = core::Name(w);
  EXPECT_TRUE(SameCalls({n + ":275@1010", n + ":275@1020", n + ":275@1030"}, Run(3)));
  backend_.waits.clear();
  KillTimer(w, 3);
  EXPECT_TRUE(SameCalls({n + ":275@1500", n + ":275@2000", n + ":275@2200", n + ":275@2500"}, Run(4)));
  EXPECT_EQ((std::deque<int64_t>{470, 500, 200, 300}), backend_.waits);
  backend_.now += 5000;  // a long stall
  EXPECT_TRUE(SameCalls({n + ":275@7500", n + ":275@7500", n + ":275@8000"}, Run(3)))
      << "each timer once after the stall, then on the period from there";
}

// Posted messages first, then the quit, then the first paint of a shown window (which
// erases with the class brush), then timers; a window never shown is never painted.
TEST_F(Core, MessagesPaintsAndTimersInWindowsOrder) {
  HWND shown = Make(nullptr, 30, 20);
  HWND hidden = Make(nullptr, 30, 20);
  SetTimer(shown, 1, 100, nullptr);
  ShowWindow(shown, SW_SHOWNORMAL);
  core::PostMessageToQueue(hidden, WM_USER_NOTE, 0, 0);
  core::ClearCalls();
  const std::string s = core::Name(shown), h = core::Name(hidden);
  EXPECT_TRUE(SameCalls({h + ":1025@1000", s + ":15@1000", s + ":275@1100", s + ":275@1200"}, Run(4)));
  EXPECT_TRUE(SameCalls({"FillRect(dc1,0,0,30,20,stock:GRAY_BRUSH)"}, core::CallsNamed({"FillRect"})))
      << "the first paint erases once, with the class brush";
  core::PostMessageToQueue(hidden, WM_USER_NOTE, 0, 0);
  PostQuitMessage(3);
  MSG msg;
  EXPECT_TRUE(GetMessageA(&msg, nullptr, 0, 0)) << "a posted message comes before the quit";
  EXPECT_FALSE(GetMessageA(&msg, nullptr, 0, 0));
  EXPECT_EQ(3u, msg.wParam);
}

// An outer window that ends takes its children with it: each gets WM_DESTROY, the outer
// first, and their timers stop. One that changes size resizes its children.
TEST_F(Core, OuterWindowsEndAndResizeWithTheirChildren) {
  HWND outer = core::NewOuterWindow("outer", 640, 480);
  HWND child = Make(outer, 640, 480);
  SetTimer(child, 1, 500, nullptr);
  core::ResizeWindow(outer, 300, 200);
  RECT r{};
  GetClientRect(child, &r);
  EXPECT_EQ(300, r.right);
  EXPECT_EQ(200, r.bottom);
  core::DestroyWindowTree(outer);
  EXPECT_TRUE(SameCalls({core::Name(child) + ":2"}, notes_)) << "the outer window's own procedure is DefWindowProcA";
  EXPECT_FALSE(core::IsWindowAlive(outer));
  EXPECT_FALSE(core::IsWindowAlive(child));
  EXPECT_EQ(0, core::TimerCount());
  EXPECT_TRUE(Run(5).empty()) << "no timer is left to wait for: the backend ends the loop";
}

// What the explorer's window relies on: movements of the mouse waiting behind one
// another are one, to where it went last; an invalidated window is painted once, when
// no posted message waits; a class with CS_HREDRAW is painted again when its width
// changes, not its height, and another class never; the pointer's shape reaches the
// backend once for each change.
TEST_F(Core, PointerMovesRepaintsAndShapes) {
  HWND outer = core::NewOuterWindow("outer", 40, 30);
  HWND plain = Make(outer, 40, 30);
  HWND redraw = CreateWindowExA(0, "redraw", "", WS_CHILD, 0, 0, 40, 30, outer, nullptr, nullptr, nullptr);
  core::PostMessageToQueue(redraw, WM_MOUSEMOVE, 0, MAKELPARAM(1, 2));
  core::PostMessageToQueue(redraw, WM_MOUSEMOVE, MK_LBUTTON, MAKELPARAM(-3, 4));
  core::PostMessageToQueue(redraw, WM_LBUTTONUP, 0, MAKELPARAM(-3, 4));
  core::PostMessageToQueue(redraw, WM_MOUSEMOVE, 0, MAKELPARAM(5, 6));
  InvalidateRect(plain, nullptr, FALSE);
  InvalidateRect(plain, nullptr, FALSE);
  Lines got;
  MSG msg;
  while (GetMessageA(&msg, nullptr, 0, 0) > 0) {
    got.push_back(core::Name(msg.hwnd) + ":" + std::to_string(msg.message) + " " + std::to_string(msg.wParam) + " " +
                  std::to_string(static_cast<int16_t>(LOWORD(msg.lParam))) + "," + std::to_string(HIWORD(msg.lParam)));
    DispatchMessageA(&msg);
  }
  const std::string p = core::Name(plain), r = core::Name(redraw);
  EXPECT_TRUE(SameCalls({r + ":512 1 -3,4", r + ":514 0 -3,4", r + ":512 0 5,6", p + ":15 0 0,0"}, got));
  // (width, height) -> which of the two is painted again
  const std::pair<std::pair<int, int>, const char*> resizes[] = {
      {{40, 50}, ""}, {{60, 50}, "redraw"}, {{60, 50}, ""}, {{20, 10}, "redraw"}};
  for (const auto& [size, painted] : resizes) {
    core::ResizeWindow(outer, size.first, size.second);
    notes_.clear();
    Run(1);
    EXPECT_EQ(*painted != '\0' ? Lines{r + ":15"} : Lines{}, notes_) << size.first << "x" << size.second;
  }
  for (LPCSTR shape : {IDC_HAND, IDC_HAND, IDC_SIZEALL, IDC_ARROW, IDC_ARROW}) SetCursor(LoadCursorA(nullptr, shape));
  EXPECT_TRUE((std::vector<core::Pointer>{core::Pointer::Hand, core::Pointer::Move, core::Pointer::Arrow}) == backend_.shapes);
}

// A saver runs for hours: its table of handles must not grow with the ticks.
TEST_F(Core, TheTableOfHandlesStaysSmall) {
  core::InstallBackend(nullptr);
  core::SetRecording(false);
  gMainWindow = core::CreateTestWindow(1024, 768);
  core::SetClock(1600000000);
  for (int tick = 0; tick < 20000; ++tick) OnTimerTick();
  EXPECT_LT(core::TableSize(), 600u) << "20000 ticks made dozens of objects each";
  EXPECT_EQ(0, core::LiveObjectCount());
}

// The slots of dead objects wait until more than 64 are dead; then the longest dead is
// used again. Its stale handle names nothing: it neither selects nor deletes the live
// object now in its slot.
TEST_F(Core, AStaleHandleReachesNothingInItsReusedSlot) {
  auto slot = [](const void* handle) { return reinterpret_cast<uintptr_t>(handle) >> 16; };  // bits 16 and up
  HWND window = core::CreateTestWindow(10, 10);
  HDC dc = GetDC(window);
  HPEN stale = CreatePen(PS_SOLID, 1, 0);
  DeleteObject(stale);
  for (int i = 0; i < 63; ++i) DeleteObject(CreatePen(PS_DOT, 1, 0));
  const size_t table = core::TableSize();
  DeleteObject(CreatePen(PS_DOT, 1, 0));
  EXPECT_EQ(table + 1, core::TableSize()) << "with 64 dead, a new object takes a new slot";
  HPEN live = CreatePen(PS_DASH, 1, 0x00FF0000);
  ASSERT_EQ(slot(stale), slot(live)) << "with 65 dead, the longest dead slot is used again";
  ASSERT_NE(stale, live);

  EXPECT_EQ(nullptr, SelectObject(dc, stale));
  EXPECT_EQ("stock:BLACK_PEN", core::SelectedPen(dc)) << "the stale handle selected the pen in its slot";
  EXPECT_FALSE(DeleteObject(stale));
  EXPECT_EQ(1, core::LiveObjectCount()) << "the stale handle deleted the pen in its slot";
  const std::string name = core::Name(stale);
  EXPECT_TRUE(SameCalls({"SelectObject: " + name + " is no live object", "DeleteObject: " + name + " is no live object"},
                        core::TakeErrors()));
  EXPECT_TRUE(DeleteObject(live));
  ReleaseDC(window, dc);
}

// Key and value names compare without regard to case, as Windows compares them: the
// program finds settings stored in another spelling and writes over them, not beside.
TEST_F(Core, RegistryNamesCompareWithoutRegardToCase) {
  struct Case {
    const char* key;
    const char* value;
  };
  const Case cases[] = {
      {"Software\\Morvaselkin", "Inkreis"},
      {"SOFTWARE\\MORVASELKIN", "Inkreis"},
      {"Software\\Morvaselkin", "INKREIS"},
      {"software\\mORVASELKIN", "inKREIS"},
  };
  for (const Case& c : cases) {
    ResetPlatform();
    core::SetRegistryDword(c.key, c.value, 0);
    LoadSettings();
    EXPECT_EQ(0, int{gSettings.showIncircle}) << c.key << " " << c.value << ": not read";
    gSettings.showIncircle = 1;
    SaveSettings();
    const std::optional<core::RegistryEntry> stored = core::RegistryValue(c.key, c.value);
    ASSERT_TRUE(stored.has_value()) << c.key << " " << c.value;
    EXPECT_EQ(1, int{stored->data.at(0)}) << c.key << " " << c.value << ": written beside, not over";
  }
}

}  // namespace
