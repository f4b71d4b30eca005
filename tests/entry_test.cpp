// The entry: how the command line picks the mode, and what WinMain does in each mode
// against the platform core.
#include "support.h"

#include "commandline_cases.h"

#include "res/resource.h"

#include <deque>

namespace {

// Only the first two characters choose, case-sensitively; the preview's handle is
// read from the fourth character on as the Windows runtime's strtoul reads it. The
// same table runs against the real runtime under Wine.
TEST(CommandLineTable, ModeAndParentHandle) {
  for (const CommandLineCase& c : kCommandLineCases) {
    const CommandLine parsed = ParseCommandLine(c.line);
    EXPECT_EQ(static_cast<int>(c.mode), static_cast<int>(parsed.mode)) << '"' << c.line << '"';
    EXPECT_EQ(c.parent, parsed.parent) << '"' << c.line << '"';
  }
}

const HINSTANCE kInstance = reinterpret_cast<HINSTANCE>(uintptr_t{0x400000});

class Entry : public CoreTest {
 protected:
  void SetUp() override {
    CoreTest::SetUp();
    gInstance = nullptr;
    core::ClearCalls();
  }
  // Plays the user of a running screensaver: each time the queue runs dry the next
  // message goes to gMainWindow; after the last one nothing more comes.
  void Script(std::vector<UINT> messages) {
    auto pending = std::make_shared<std::deque<UINT>>(messages.begin(), messages.end());
    core::SetIdleHandler([pending] {
      if (pending->empty()) return;
      core::PostMessageToQueue(gMainWindow, pending->front(), 1, 0);
      pending->pop_front();
    });
  }
  int Run(const std::string& line, int show = SW_SHOWDEFAULT, HINSTANCE previous = nullptr) {
    std::string buffer = line;
    return WinMain(kInstance, previous, buffer.data(), show);
  }
  // The calls that make up the entry's own steps, without registry and drawing.
  static Lines EntryCalls() {
    return core::CallsNamed({"RegisterClassA", "GetDesktopWindow", "GetClientRect", "CreateWindowExA",
                             "SetTimer", "ShowWindow", "UpdateWindow", "KillTimer", "PostQuitMessage",
                             "DialogBoxParamA"});
  }
};

const std::string kRegistered =
    "RegisterClassA(0,proc,0,0,#4194304,null,arrow,stock:BLACK_BRUSH,null,\"MainWndClass\")";

TEST_F(Entry, FullScreenIsAPopUpOfTheDesktopsClientSize) {
  core::SetDisplaySize(1280, 1024);
  Script({WM_LBUTTONDOWN});
  EXPECT_EQ(0, Run("/s", 3));
  // The desktop is the core's first window; ours comes after it.
  EXPECT_TRUE(SameCalls({kRegistered, "GetDesktopWindow()", "GetClientRect(desktop)",
                         "CreateWindowExA(0x00000000,\"MainWndClass\",\"myScreenSaver\",0x80000000,0,0,"
                         "1280,1024,null,null,#4194304,null)",
                         "SetTimer(hwnd1,1,2000,null)", "ShowWindow(hwnd1,3)", "UpdateWindow(hwnd1)",
                         "KillTimer(hwnd1,1)", "PostQuitMessage(0)"},
                        EntryCalls()));
  EXPECT_EQ("hwnd1", core::Name(gMainWindow));
  EXPECT_EQ(kInstance, gInstance);
}

TEST_F(Entry, WindowClassHasTheFieldsOfTheTable) {
  Script({WM_RBUTTONDOWN});
  ASSERT_EQ(0, Run("/s"));
  const WNDCLASSA* wc = core::RegisteredClass("MainWndClass");
  ASSERT_NE(nullptr, wc);
  EXPECT_EQ(0u, wc->style) << "no class styles";
  EXPECT_EQ(&ScreenSaverWndProc, wc->lpfnWndProc);
  EXPECT_EQ(0, wc->cbClsExtra);
  EXPECT_EQ(0, wc->cbWndExtra);
  EXPECT_EQ(kInstance, wc->hInstance);
  EXPECT_EQ(nullptr, wc->hIcon) << "the icon resource is the file's, not the class's";
  EXPECT_EQ(LoadCursorA(nullptr, IDC_ARROW), wc->hCursor);
  EXPECT_EQ(GetStockObject(BLACK_BRUSH), wc->hbrBackground);
  EXPECT_EQ(nullptr, wc->lpszMenuName);
}

// The settings are read before the class exists: its brush and the timer come from
// the registry, and values outside the dialog's ranges are made safe at use only.
TEST_F(Entry, StoredBackgroundAndIntervalReachBrushAndTimer) {
  struct Case {
    uint32_t background;
    uint32_t interval;
    const char* brush;
    UINT period;
  };
  const Case cases[] = {
      {0, 500, "stock:WHITE_BRUSH", 500},   {1, 5000, "stock:LTGRAY_BRUSH", 5000},
      {2, 1234, "stock:GRAY_BRUSH", 1234},  {3, 100, "stock:DKGRAY_BRUSH", 500},
      {7, 9000, "stock:BLACK_BRUSH", 5000}, {0xFFFFFFFFu, 0, "stock:BLACK_BRUSH", 500},
      {5, 0xFFFFFFFFu, "stock:BLACK_BRUSH", 500},  // -1 as the signed interval
  };
  for (const Case& c : cases) {
    SetUp();
    core::SetRegistryDword(kKey, "Hintergrundfarbe", c.background);
    core::SetRegistryDword(kKey, "Geschwindigkeit", c.interval);
    Script({WM_MBUTTONDOWN});
    ASSERT_EQ(0, Run("/s")) << "background " << c.background;
    const WNDCLASSA* wc = core::RegisteredClass("MainWndClass");
    ASSERT_NE(nullptr, wc);
    EXPECT_EQ(c.brush, core::Name(wc->hbrBackground)) << "background " << c.background;
    EXPECT_EQ(c.background, gSettings.background) << "the stored background is kept";
    EXPECT_EQ(static_cast<int32_t>(c.interval), gSettings.intervalMs) << "the stored interval is kept";
    const Lines timers = core::CallsNamed({"SetTimer"});
    ASSERT_EQ(1u, timers.size());
    EXPECT_EQ("SetTimer(hwnd1,1," + std::to_string(c.period) + ",null)", timers[0])
        << "stored interval " << c.interval;
  }
}

TEST_F(Entry, PreviewIsAChildFillingTheHostsWindow) {
  for (const char* form : {"/p %u", "/p:%u", "/p  %u", "/p %uxyz"}) {
    SetUp();
    HWND parent = core::CreateTestWindow(152, 112);
    char line[64];
    std::snprintf(line, sizeof line, form, static_cast<unsigned>(reinterpret_cast<uintptr_t>(parent)));
    Script({WM_TIMER, WM_LBUTTONDOWN});
    EXPECT_EQ(0, Run(line, 5)) << line;
    const std::string p = core::Name(parent);
    EXPECT_TRUE(SameCalls({kRegistered, "GetClientRect(" + p + ")",
                           "CreateWindowExA(0x00000000,\"MainWndClass\",\"myScreenSaver\",0x40000000,0,0,"
                           "152,112," + p + ",null,#4194304,null)",
                           "SetTimer(hwnd2,1,2000,null)", "ShowWindow(hwnd2,5)", "UpdateWindow(hwnd2)",
                           "GetClientRect(hwnd2)", "KillTimer(hwnd2,1)", "PostQuitMessage(0)"},
                          EntryCalls()))
        << line;
    EXPECT_EQ(1, gCycleStep) << line << ": the timer message drew the first triangle";
  }
}

// No window of that handle (or none at all): creation fails, nothing is shown, no
// timer runs, and the program ends with 0.
TEST_F(Entry, PreviewWithoutAWindowEndsWithZero) {
  for (const char* line : {"/p 0", "/p", "/p 12ab", "/p 4096", "/p abc", "/p -16"}) {
    SetUp();
    gMainWindow = nullptr;
    EXPECT_EQ(0, Run(line)) << line;
    EXPECT_EQ(nullptr, gMainWindow) << line;
    EXPECT_EQ(0, core::TimerCount()) << line;
    EXPECT_TRUE(core::CallsNamed({"ShowWindow", "UpdateWindow", "SetTimer", "DialogBoxParamA"}).empty())
        << line << ":\n" << Join(core::Calls());
    // Asking a handle that is no window for its client rectangle is what Windows
    // answers with a failure; the core notes it, and nothing else may be noted.
    const Lines errors = core::TakeErrors();
    ASSERT_EQ(1u, errors.size()) << line << ":\n" << Join(errors);
    EXPECT_NE(std::string::npos, errors[0].find("GetClientRect")) << line << ": " << errors[0];
  }
}

TEST_F(Entry, FailedRegistrationEndsWithZeroBeforeTheCommandLineCounts) {
  for (const char* line : {"/s", "/p 16", "/c", ""}) {
    SetUp();
    core::FailClassRegistration(true);
    EXPECT_EQ(0, Run(line)) << line;
    EXPECT_TRUE(SameCalls({kRegistered}, EntryCalls())) << line;
  }
}

TEST_F(Entry, FailedCreationEndsWithZero) {
  // With a previous instance the class is not registered here, so creation fails.
  EXPECT_EQ(0, Run("/s", SW_SHOWDEFAULT, kInstance));
  EXPECT_TRUE(SameCalls({"GetDesktopWindow()", "GetClientRect(desktop)",
                         "CreateWindowExA(0x00000000,\"MainWndClass\",\"myScreenSaver\",0x80000000,0,0,"
                         "1024,768,null,null,#4194304,null)"},
                        EntryCalls()));
  EXPECT_TRUE(core::CallsNamed({"RegOpenKeyA"}).empty()) << "no settings loaded with a previous instance";
  EXPECT_EQ(nullptr, gMainWindow);
  EXPECT_EQ(kInstance, gInstance);
}

TEST_F(Entry, AnyOtherLineRunsTheSettingsDialogAndEndsWithOne) {
  for (const char* line : {"/c", "/c:1234", "/S", "/P 123", ""}) {
    SetUp();
    HWND shown = nullptr;
    core::SetUser([&shown](HWND dialog) {
      shown = dialog;
      core::Click(dialog, IDCANCEL);
    });
    EXPECT_EQ(1, Run(line)) << line;
    EXPECT_TRUE(SameCalls({kRegistered, "DialogBoxParamA(#4194304,#103,null,proc,0)"}, EntryCalls())) << line;
    ASSERT_NE(nullptr, shown) << line;
    EXPECT_EQ(IDCANCEL, core::DialogResult(shown)) << line;
    EXPECT_EQ(nullptr, gMainWindow) << line << ": no window in the settings mode";
    EXPECT_FALSE(core::KeyExists(kKey)) << line << ": Cancel writes nothing";
  }
}

// The loop hands every message to the window until the quit message, whose code is
// WinMain's result; keys and movement end nothing.
TEST_F(Entry, MessageLoopRunsUntilTheQuitMessage) {
  Script({WM_TIMER, WM_KEYDOWN, WM_MOUSEMOVE, WM_TIMER, WM_TIMER, WM_MBUTTONDOWN, WM_TIMER});
  EXPECT_EQ(0, Run("/s"));
  EXPECT_EQ(3, gCycleStep) << "three ticks before the button";
  // The key and the movement go to the default processing, as does the erase of the
  // first paint.
  Lines defaults = core::CallsNamed({"DefWindowProcA"});
  ASSERT_EQ(3u, defaults.size()) << Join(defaults);
  EXPECT_EQ(0u, defaults[0].find("DefWindowProcA(hwnd1,0x00000014,")) << defaults[0] << ": the erase, with its dc";
  EXPECT_TRUE(SameCalls({"DefWindowProcA(hwnd1,0x00000100,1,0)", "DefWindowProcA(hwnd1,0x00000200,1,0)"},
                        Lines(defaults.begin() + 1, defaults.end())));
  EXPECT_EQ(0, core::TimerCount());
}

TEST_F(Entry, MessageLoopReturnsTheQuitCode) {
  core::SetIdleHandler([] { PostQuitMessage(7); });
  EXPECT_EQ(7, Run("/s"));
}

// GetMessageA's -1 is a failure, not a message: the loop ends at once with -1, and
// the garbage left in the message reaches neither the window nor the result, whether
// the failure comes first or after the saver has been running.
TEST_F(Entry, MessageLoopEndsOnAFailedGetMessage) {
  for (int ticksBefore : {0, 3}) {
    SetUp();
    int idleCalls = 0;
    core::SetIdleHandler([&idleCalls, ticksBefore] {
      if (idleCalls < ticksBefore) {
        core::PostMessageToQueue(gMainWindow, WM_TIMER, 1, 0);
      } else if (idleCalls == ticksBefore) {
        core::FailNextMessage();
      } else {
        PostQuitMessage(7);  // only a loop that went on asks again
      }
      ++idleCalls;
    });
    EXPECT_EQ(-1, Run("/s")) << ticksBefore << " ticks before the failure";
    EXPECT_EQ(ticksBefore + 1, idleCalls) << ticksBefore << " ticks before the failure";
    EXPECT_EQ(ticksBefore, gCycleStep);
    EXPECT_TRUE(core::Errors().empty()) << Join(core::Errors());
  }
}

}  // namespace
