// The settings dialog: what it shows when it opens, what OK saves, what the scroll bar
// accepts, and what its procedure answers.
#include "support.h"

#include <algorithm>
#include <optional>

#include "platform/core/resources.h"
#include "res/resource.h"

namespace {

const int kBoxes[7] = {IDC_MEDIANS,   IDC_INCIRCLE,  IDC_CIRCUMCIRCLE, IDC_ALTITUDES,
                       IDC_NINEPOINT, IDC_EULERLINE, IDC_EXCIRCLES};
const int kRadios[5] = {IDC_BLACK, IDC_DARKGREY, IDC_GREY, IDC_LIGHTGREY, IDC_WHITE};
const char* const kRadioNames[5] = {"schwarz", "dunkelgrau", "grau", "hellgrau", "weiss"};

typedef std::vector<std::pair<const char*, uint32_t>> Stored;

// What the controls show, e.g. "boxes 1111111 radio schwarz thumb 2000"; the boxes in
// the order of kBoxes, the checked radio buttons by name ("none" when none is).
std::string Shown(HWND dialog) {
  std::string out = "boxes ";
  for (int id : kBoxes) out += core::IsChecked(dialog, id) ? "1" : "0";
  std::string radios;
  for (int i = 0; i < 5; ++i)
    if (core::IsChecked(dialog, kRadios[i])) radios += (radios.empty() ? "" : "+") + std::string(kRadioNames[i]);
  return out + " radio " + (radios.empty() ? "none" : radios) + " thumb " +
         std::to_string(core::ScrollPosition(dialog, IDC_INTERVAL));
}

std::optional<uint32_t> StoredDword(const char* name) {
  std::optional<core::RegistryEntry> e = core::RegistryValue(kKey, name);
  if (!e || e->type != REG_DWORD || e->data.size() != 4) return std::nullopt;
  return e->data[0] | e->data[1] << 8 | e->data[2] << 16 | static_cast<uint32_t>(e->data[3]) << 24;
}

// The nine stored values in table order, signed, "-" for one that is missing.
std::string StoredValues() {
  std::string out;
  for (const char* name : kNames) {
    std::optional<uint32_t> v = StoredDword(name);
    out += (out.empty() ? "" : " ") + (v ? std::to_string(static_cast<int32_t>(*v)) : "-");
  }
  return out;
}

WPARAM Scroll(int code, int position) { return MAKEWPARAM(code, static_cast<WORD>(position)); }

class Dialog : public CoreTest {
 protected:
  void Store(const Stored& values) {
    for (const auto& [name, value] : values) core::SetRegistryDword(kKey, name, value);
  }
  // Runs the dialog modally with `user` in front of it; returns the dialog's result.
  INT_PTR Run(std::function<void(HWND)> user) {
    core::SetUser(std::move(user));
    return DialogBoxParamA(nullptr, MAKEINTRESOURCEA(IDD_SETTINGS), nullptr, SettingsDlgProc, 0);
  }
  // Drops the thumb at `position`, as the platform reports it.
  static void DropThumb(HWND dialog, int position) {
    core::SendToDialog(dialog, WM_HSCROLL, Scroll(SB_THUMBPOSITION, position),
                       reinterpret_cast<LPARAM>(core::Control(dialog, IDC_INTERVAL)));
  }
};

TEST_F(Dialog, OpensWithWhatTheRegistryHolds) {
  struct Case {
    const char* what;
    Stored stored;
    const char* shown;
  };
  const Case cases[] = {
      {"no key", {}, "boxes 1111111 radio schwarz thumb 2000"},
      {"white", {{"Hintergrundfarbe", 0}}, "boxes 1111111 radio weiss thumb 2000"},
      {"light grey", {{"Hintergrundfarbe", 1}}, "boxes 1111111 radio hellgrau thumb 2000"},
      {"grey", {{"Hintergrundfarbe", 2}}, "boxes 1111111 radio grau thumb 2000"},
      {"dark grey", {{"Hintergrundfarbe", 3}}, "boxes 1111111 radio dunkelgrau thumb 2000"},
      {"background 7", {{"Hintergrundfarbe", 7}}, "boxes 1111111 radio none thumb 2000"},
      {"background -1 compares unsigned", {{"Hintergrundfarbe", 0xFFFFFFFFu}},
       "boxes 1111111 radio none thumb 2000"},
      {"interval 100 at the low end", {{"Geschwindigkeit", 100}}, "boxes 1111111 radio schwarz thumb 500"},
      {"interval 9000 at the high end", {{"Geschwindigkeit", 9000}}, "boxes 1111111 radio schwarz thumb 5000"},
      {"interval -1 at the low end", {{"Geschwindigkeit", 0xFFFFFFFFu}}, "boxes 1111111 radio schwarz thumb 500"},
      {"interval at both ends", {{"Geschwindigkeit", 500}}, "boxes 1111111 radio schwarz thumb 500"},
      {"interval 5000", {{"Geschwindigkeit", 5000}}, "boxes 1111111 radio schwarz thumb 5000"},
      {"each flag to its box",
       {{"Schwerlinien", 0}, {"Umkreis", 0}, {"Hoehenlinien", 0}, {"Ankreise", 0}},
       "boxes 0100110 radio schwarz thumb 2000"},
      {"other flags to their boxes", {{"Inkreis", 0}, {"Feuerbachkreis", 0}, {"Eulersche Gerade", 0}},
       "boxes 1011001 radio schwarz thumb 2000"},
  };
  for (const Case& c : cases) {
    ResetPlatform();
    Store(c.stored);
    gSettings = Settings{};  // the dialog loads for itself
    std::string shown;
    EXPECT_EQ(IDCANCEL, Run([&](HWND dialog) {
                shown = Shown(dialog);
                core::Click(dialog, IDCANCEL);
              }))
        << c.what;
    EXPECT_EQ(c.shown, shown) << c.what;
    EXPECT_TRUE(core::CallsNamed({"RegCreateKeyA", "RegSetValueExA"}).empty()) << c.what;
    EXPECT_EQ(!c.stored.empty(), core::KeyExists(kKey)) << c.what << ": opening creates no key";
  }
}

TEST_F(Dialog, OpeningSetsTheControlsInOrder) {
  core::ClearCalls();
  Run([](HWND dialog) { core::Click(dialog, IDCANCEL); });
  EXPECT_TRUE(SameCalls({"DialogBoxParamA(null,#103,null,proc,0)",
                         "RegOpenKeyA(HKEY_CURRENT_USER,\"Software\\x5CMorvaselkin\")",
                         "CheckDlgButton(dlg1,1000,1)", "CheckDlgButton(dlg1,1001,1)",
                         "CheckDlgButton(dlg1,1002,1)", "CheckDlgButton(dlg1,1003,1)",
                         "CheckDlgButton(dlg1,1004,1)", "CheckDlgButton(dlg1,1005,1)",
                         "CheckDlgButton(dlg1,1011,1)", "CheckDlgButton(dlg1,1006,1)",
                         "GetDlgItem(dlg1,1014)",
                         // cbSize 28, SIF_ALL, 500..5000, page 1, position, redraw
                         "SetScrollInfo(dlg1.1014,2,28,0x00000017,500,5000,1,2000,1)",
                         "EndDialog(dlg1,2)"},
                        core::Calls()));
}

TEST_F(Dialog, UncheckedFlagsUncheckTheirBoxes) {
  Store({{"Schwerlinien", 0}, {"Ankreise", 0}});
  core::ClearCalls();
  const HWND dialog = core::CreateTestDialog(IDD_SETTINGS, SettingsDlgProc);
  core::SendToDialog(dialog, WM_INITDIALOG, 0, 0);
  const Lines boxes = core::CallsNamed({"CheckDlgButton"});
  ASSERT_EQ(8u, boxes.size());
  EXPECT_EQ("CheckDlgButton(dlg1,1000,0)", boxes[0]);
  EXPECT_EQ("CheckDlgButton(dlg1,1011,0)", boxes[6]);
}

// The script's check boxes are the constructions', one each: the order the table
// names them in is the order of kBoxes, whatever their place in the template.
TEST_F(Dialog, TheCheckBoxesAreTheConstructions) {
  const HWND dialog = core::CreateTestDialog(IDD_SETTINGS, nullptr);
  std::vector<int> boxes;
  for (const core::DialogControl& control : core::DescribeDialog(dialog).controls)
    if (control.type == core::DialogControl::Type::CheckBox) boxes.push_back(control.id);
  std::sort(boxes.begin(), boxes.end());
  std::vector<int> table;
  for (const Construction& c : kConstructions) table.push_back(c.checkBox);
  EXPECT_EQ(std::vector<int>(std::begin(kBoxes), std::end(kBoxes)), table) << "the table's check boxes, in its order";
  std::sort(table.begin(), table.end());
  EXPECT_EQ(table, boxes) << "the template's check boxes";
}

TEST_F(Dialog, OkSavesWhatTheControlsShow) {
  struct Case {
    const char* what;
    Stored stored;
    std::function<void(HWND)> act;
    const char* saved;  // the nine values in table order
  };
  const auto nothing = [](HWND) {};
  const Case cases[] = {
      {"no key, nothing changed", {}, nothing, "1 1 1 1 1 1 1 4 2000"},
      {"background 7 untouched", {{"Hintergrundfarbe", 7}}, nothing, "1 1 1 1 1 1 1 7 2000"},
      {"background 7, grau clicked", {{"Hintergrundfarbe", 7}},
       [](HWND d) { core::Click(d, IDC_GREY); }, "1 1 1 1 1 1 1 2 2000"},
      {"interval 100 saved as 500", {{"Geschwindigkeit", 100}}, nothing, "1 1 1 1 1 1 1 4 500"},
      {"interval 9000 saved as 5000", {{"Geschwindigkeit", 9000}}, nothing, "1 1 1 1 1 1 1 4 5000"},
      {"flag 5 saved as 1", {{"Inkreis", 5}}, nothing, "1 1 1 1 1 1 1 4 2000"},
      {"boxes clicked off",
       {},
       [](HWND d) {
         core::Click(d, IDC_MEDIANS);
         core::Click(d, IDC_ALTITUDES);
         core::Click(d, IDC_EXCIRCLES);
       },
       "0 1 1 0 1 1 0 4 2000"},
      {"boxes clicked on",
       {{"Inkreis", 0}, {"Feuerbachkreis", 0}, {"Eulersche Gerade", 0}},
       [](HWND d) {
         core::Click(d, IDC_NINEPOINT);
         core::Click(d, IDC_EULERLINE);
       },
       "1 0 1 1 1 1 1 4 2000"},
      {"each radio to its shade: weiss", {}, [](HWND d) { core::Click(d, IDC_WHITE); }, "1 1 1 1 1 1 1 0 2000"},
      {"hellgrau", {}, [](HWND d) { core::Click(d, IDC_LIGHTGREY); }, "1 1 1 1 1 1 1 1 2000"},
      {"grau", {}, [](HWND d) { core::Click(d, IDC_GREY); }, "1 1 1 1 1 1 1 2 2000"},
      {"dunkelgrau", {}, [](HWND d) { core::Click(d, IDC_DARKGREY); }, "1 1 1 1 1 1 1 3 2000"},
      {"schwarz", {{"Hintergrundfarbe", 0}}, [](HWND d) { core::Click(d, IDC_BLACK); },
       "1 1 1 1 1 1 1 4 2000"},
      {"thumb dropped at 3210", {}, [](HWND d) { DropThumb(d, 3210); }, "1 1 1 1 1 1 1 4 3210"},
      {"thumb dropped beyond the end", {}, [](HWND d) { DropThumb(d, 6000); }, "1 1 1 1 1 1 1 4 5000"},
      // The high word is a signed 16-bit number: 40000 arrives as -25536.
      {"thumb position is signed", {}, [](HWND d) { DropThumb(d, 40000); }, "1 1 1 1 1 1 1 4 500"},
      {"thumb dropped twice", {}, [](HWND d) { DropThumb(d, 4000); DropThumb(d, 700); },
       "1 1 1 1 1 1 1 4 700"},
  };
  for (const Case& c : cases) {
    ResetPlatform();
    Store(c.stored);
    EXPECT_EQ(IDOK, Run([&](HWND dialog) {
                c.act(dialog);
                core::Click(dialog, IDOK);
              }))
        << c.what;
    EXPECT_EQ(c.saved, StoredValues()) << c.what;
    EXPECT_EQ(9u, core::CallsNamed({"RegSetValueExA"}).size()) << c.what << ": all nine, once";
    EXPECT_EQ(c.saved, [] {
      std::string out;
      for (const Construction& c : kConstructions) out += std::to_string(gSettings.*c.flag) + " ";
      return out + std::to_string(gSettings.background) + " " + std::to_string(gSettings.intervalMs);
    }()) << c.what << ": the record after OK";
  }
}

TEST_F(Dialog, OkTakesTheFirstCheckedRadioInPriorityOrder) {
  struct Case {
    std::vector<int> checked;
    uint32_t background;
  };
  const Case cases[] = {
      {{IDC_WHITE}, 0},
      {{IDC_WHITE, IDC_LIGHTGREY}, 1},
      {{IDC_WHITE, IDC_LIGHTGREY, IDC_GREY}, 2},
      {{IDC_LIGHTGREY, IDC_GREY, IDC_DARKGREY}, 3},
      {{IDC_WHITE, IDC_DARKGREY, IDC_BLACK}, 4},
      {{}, 6},  // none checked: what was loaded
  };
  for (const Case& c : cases) {
    ResetPlatform();
    Store({{"Hintergrundfarbe", 6}});
    Run([&](HWND dialog) {
      for (int id : kRadios) CheckDlgButton(dialog, id, BST_UNCHECKED);
      for (int id : c.checked) CheckDlgButton(dialog, id, BST_CHECKED);
      core::Click(dialog, IDOK);
    });
    std::string what = "checked:";
    for (int id : c.checked) what += " " + std::to_string(id);
    EXPECT_EQ(c.background, gSettings.background) << what;
    EXPECT_EQ(std::optional<uint32_t>(c.background), StoredDword("Hintergrundfarbe")) << what;
  }
}

TEST_F(Dialog, OkReadsTheControlsInOrder) {
  Store({{"Hintergrundfarbe", 9}});
  const HWND dialog = core::CreateTestDialog(IDD_SETTINGS, SettingsDlgProc);
  core::SendToDialog(dialog, WM_INITDIALOG, 0, 0);
  core::ClearCalls();
  core::SendToDialog(dialog, WM_COMMAND, IDOK, 0);
  Lines expected;
  for (int id : kBoxes) expected.push_back("IsDlgButtonChecked(dlg1," + std::to_string(id) + ")");
  for (int id : kRadios) expected.push_back("IsDlgButtonChecked(dlg1," + std::to_string(id) + ")");
  expected.push_back("GetDlgItem(dlg1,1014)");
  expected.push_back("GetScrollInfo(dlg1.1014,2,28,0x00000017)");
  EXPECT_TRUE(SameCalls(expected, core::CallsNamed({"IsDlgButtonChecked", "GetDlgItem", "GetScrollInfo"})));
  EXPECT_EQ("EndDialog(dlg1,1)", core::Calls().back());
}

TEST_F(Dialog, OnlyADroppedThumbMovesIt) {
  struct Case {
    const char* what;
    int code;
    int expected;
  };
  const Case cases[] = {
      {"SB_LINELEFT", SB_LINELEFT, 2000},   {"SB_LINERIGHT", SB_LINERIGHT, 2000},
      {"SB_PAGELEFT", SB_PAGELEFT, 2000},   {"SB_PAGERIGHT", SB_PAGERIGHT, 2000},
      {"SB_THUMBTRACK", SB_THUMBTRACK, 2000}, {"SB_LEFT", SB_LEFT, 2000},
      {"SB_RIGHT", SB_RIGHT, 2000},         {"SB_ENDSCROLL", SB_ENDSCROLL, 2000},
      {"SB_THUMBPOSITION", SB_THUMBPOSITION, 3000},
  };
  for (const Case& c : cases) {
    ResetPlatform();
    std::string saved;
    Run([&](HWND dialog) {
      const LPARAM bar = reinterpret_cast<LPARAM>(core::Control(dialog, IDC_INTERVAL));
      EXPECT_EQ(TRUE, core::SendToDialog(dialog, WM_HSCROLL, Scroll(c.code, 3000), bar)) << c.what;
      EXPECT_EQ(c.expected, core::ScrollPosition(dialog, IDC_INTERVAL)) << c.what;
      core::Click(dialog, IDOK);
    });
    EXPECT_EQ(c.expected, gSettings.intervalMs) << c.what << ": saved";
    EXPECT_EQ(c.code == SB_THUMBPOSITION ? 1u : 0u,
              core::CallsNamed({"SetScrollInfo"}).size() - 1) << c.what << ": scroll calls after opening";
  }
}

TEST_F(Dialog, ADroppedThumbSetsOnlyThePosition) {
  const HWND dialog = core::CreateTestDialog(IDD_SETTINGS, SettingsDlgProc);
  core::SendToDialog(dialog, WM_INITDIALOG, 0, 0);
  core::ClearCalls();
  DropThumb(dialog, 1234);
  EXPECT_TRUE(SameCalls({"SetScrollInfo(dlg1.1014,2,28,0x00000004,0,0,0,1234,1)"}, core::Calls()));
  const SCROLLINFO bar = core::ScrollBar(dialog, IDC_INTERVAL);
  EXPECT_EQ(500, bar.nMin);
  EXPECT_EQ(5000, bar.nMax);
  EXPECT_EQ(1u, bar.nPage);
  EXPECT_EQ(1234, bar.nPos);
}

TEST_F(Dialog, CancelSavesNothing) {
  struct Case {
    const char* what;
    Stored stored;
  };
  const Case cases[] = {
      {"no key", {}},
      {"stored values", {{"Inkreis", 0}, {"Hintergrundfarbe", 2}, {"Geschwindigkeit", 900}}},
  };
  for (const Case& c : cases) {
    ResetPlatform();
    Store(c.stored);
    const std::string before = StoredValues();
    EXPECT_EQ(IDCANCEL, Run([](HWND dialog) {
                core::Click(dialog, IDC_MEDIANS);
                core::Click(dialog, IDC_WHITE);
                DropThumb(dialog, 4500);
                core::Click(dialog, IDCANCEL);
              }))
        << c.what;
    EXPECT_EQ(before, StoredValues()) << c.what;
    EXPECT_EQ(!c.stored.empty(), core::KeyExists(kKey)) << c.what;
    EXPECT_TRUE(core::CallsNamed({"RegCreateKeyA", "RegSetValueExA", "IsDlgButtonChecked", "GetScrollInfo"}).empty())
        << c.what;
  }
  // gSettings keeps what opening loaded.
  EXPECT_EQ(0, gSettings.showIncircle);
  EXPECT_EQ(900, gSettings.intervalMs);
}

TEST_F(Dialog, ProcedureAnswers) {
  struct Case {
    const char* what;
    UINT message;
    WPARAM wParam;
    INT_PTR result;
    INT_PTR ended;  // the EndDialog result, -1 when still open
  };
  const Case cases[] = {
      {"WM_INITDIALOG", WM_INITDIALOG, 0, TRUE, -1},
      {"OK", WM_COMMAND, IDOK, TRUE, IDOK},
      {"OK with a notification code", WM_COMMAND, MAKEWPARAM(IDOK, 0x1234), TRUE, IDOK},
      {"Cancel", WM_COMMAND, IDCANCEL, TRUE, IDCANCEL},
      {"Cancel with a notification code", WM_COMMAND, MAKEWPARAM(IDCANCEL, 1), TRUE, IDCANCEL},
      {"a checkbox", WM_COMMAND, IDC_MEDIANS, FALSE, -1},
      {"a radio button", WM_COMMAND, IDC_GREY, FALSE, -1},
      {"id 3", WM_COMMAND, 3, FALSE, -1},
      {"id 0", WM_COMMAND, 0, FALSE, -1},
      {"WM_HSCROLL", WM_HSCROLL, SB_LINELEFT, TRUE, -1},
      {"WM_TIMER", WM_TIMER, 1, FALSE, -1},
      {"WM_CLOSE", WM_CLOSE, 0, FALSE, -1},
      {"WM_PAINT", WM_PAINT, 0, FALSE, -1},
  };
  for (const Case& c : cases) {
    ResetPlatform();
    const HWND dialog = core::CreateTestDialog(IDD_SETTINGS, SettingsDlgProc);
    core::SendToDialog(dialog, WM_INITDIALOG, 0, 0);
    core::ClearCalls();
    EXPECT_EQ(c.result, core::SendToDialog(dialog, c.message, c.wParam, 0)) << c.what;
    EXPECT_EQ(c.ended, core::DialogResult(dialog)) << c.what;
    EXPECT_EQ(c.ended == IDOK ? 9u : 0u, core::CallsNamed({"RegSetValueExA"}).size()) << c.what;
  }
}

// The core's scroll bar places the position as the platform does.
TEST_F(Dialog, CoreScrollBarKeepsThePositionInItsRange) {
  struct Case {
    int min, max;
    UINT page;
    int pos;
    int expected;
  };
  const Case cases[] = {
      {500, 5000, 1, 2000, 2000}, {500, 5000, 1, 499, 500},   {500, 5000, 1, 5001, 5000},
      {500, 5000, 0, 5000, 5000}, {500, 5000, 10, 5000, 4991}, {0, 9, 50, 3, 0},
      {-5, 5, 1, -2147483647 - 1, -5}, {-5, 5, 1, 2147483647, 5},
  };
  const HWND dialog = core::CreateTestDialog(IDD_SETTINGS, nullptr);
  const HWND bar = core::Control(dialog, IDC_INTERVAL);
  for (const Case& c : cases) {
    SCROLLINFO info = {sizeof info, SIF_ALL, c.min, c.max, c.page, c.pos, 0};
    EXPECT_EQ(c.expected, SetScrollInfo(bar, SB_CTL, &info, TRUE))
        << c.min << ".." << c.max << " page " << c.page << " pos " << c.pos;
    EXPECT_EQ(c.expected, core::ScrollPosition(dialog, IDC_INTERVAL));
  }
}

TEST_F(Dialog, CoreRadioClickUnchecksTheOthersOfItsGroup) {
  const HWND dialog = core::CreateTestDialog(IDD_SETTINGS, nullptr);
  core::Click(dialog, IDC_BLACK);
  core::Click(dialog, IDC_LIGHTGREY);
  core::Click(dialog, IDC_MEDIANS);
  EXPECT_EQ("boxes 1000000 radio hellgrau thumb 0", Shown(dialog));
}

// The core has no dialog of its own: it makes one of any template the program's
// resources hold. Here the test's own: the focus goes to the first control with
// WS_TABSTOP, radio buttons group up to the next WS_GROUP, class names compare
// without regard to case.
HWND gTestDialog;
WPARAM gFocus;
INT_PTR CALLBACK NoteFocus(HWND dialog, UINT message, WPARAM wParam, LPARAM) {
  if (message == WM_INITDIALOG) gTestDialog = dialog, gFocus = wParam;
  return FALSE;
}

TEST_F(Dialog, CoreMakesDialogsOfTheTemplatesItIsGiven) {
  static const core::ControlTemplate kControls[] = {
      {"Gruppe", -1, "button", WS_CHILD | BS_GROUPBOX, 0, 0, 90, 40},
      {"Weiter", 7, "BUTTON", WS_CHILD | BS_DEFPUSHBUTTON | WS_TABSTOP, 60, 30, 30, 10},
      {"a", 10, "Button", WS_CHILD | BS_AUTORADIOBUTTON | WS_GROUP | WS_TABSTOP, 5, 5, 20, 10},
      {"b", 11, "BUTTON", WS_CHILD | BS_AUTORADIOBUTTON, 5, 20, 20, 10},
      {"c", 12, "BUTTON", WS_CHILD | BS_AUTORADIOBUTTON | WS_GROUP | WS_TABSTOP, 50, 5, 20, 10},
      {"d", 13, "BUTTON", WS_CHILD | BS_AUTORADIOBUTTON, 50, 20, 20, 10},
  };
  static const core::DialogTemplate kTemplate = {4242, "Test", WS_POPUP, 0, 0, 100, 50, 8, "MS Sans Serif",
                                                 kControls, 6};
  static const bool added = (core::AddDialogTemplates(&kTemplate, 1), true);
  ASSERT_TRUE(added);
  core::SetUser([](HWND dialog) {
    for (int id : {11, 10, 13}) core::Click(dialog, id);
    EndDialog(dialog, 7);
  });
  EXPECT_EQ(7, DialogBoxParamA(nullptr, MAKEINTRESOURCEA(4242), nullptr, NoteFocus, 0));
  EXPECT_EQ(reinterpret_cast<WPARAM>(core::Control(gTestDialog, 7)), gFocus) << "the first tab stop";
  std::string checked;
  for (int id : {10, 11, 12, 13}) checked += core::IsChecked(gTestDialog, id) ? "1" : "0";
  EXPECT_EQ("1001", checked) << "a checked in the first group, d in the second";
}

// A backend that shows dialogs, with a person in front of it: each wait delivers the
// next of their actions as the messages the dialog manager takes (a click on a control,
// the thumb dropped, a key), and the backend hears of the dialog as it changes.
class Screen final : public core::Backend {
 public:
  struct Action {
    UINT message;  // BM_CLICK on control `id`, WM_HSCROLL with `value`, WM_KEYDOWN `value`
    int id;
    int value;
  };
  explicit Screen(std::vector<Action> actions) : actions_(std::move(actions)) {}
  SIZE ScreenSize(HWND) override { return {1024, 768}; }
  core::Canvas* CanvasOf(HWND) override { return nullptr; }
  uint64_t NowMs() override { return 0; }
  bool DialogOpened(HWND dialog) override {
    dialog_ = dialog;
    seen.push_back("opened " + Checked());
    return true;
  }
  void DialogChanged(HWND) override { seen.push_back(Checked()); }
  void DialogClosed(HWND) override { seen.push_back("closed"); }
  void Wait(int64_t) override {
    ++waits;
    if (next_ == actions_.size()) return core::PostQuit(3);  // the person left
    const Action a = actions_[next_++];
    if (a.message == BM_CLICK) core::PostMessageToQueue(core::Control(dialog_, a.id), BM_CLICK, 0, 0);
    if (a.message == WM_HSCROLL)
      core::PostMessageToQueue(dialog_, WM_HSCROLL, Scroll(SB_THUMBPOSITION, a.value),
                               reinterpret_cast<LPARAM>(core::Control(dialog_, IDC_INTERVAL)));
    if (a.message == WM_KEYDOWN) core::PostMessageToQueue(dialog_, WM_KEYDOWN, static_cast<WPARAM>(a.value), 0);
  }
  std::vector<std::string> seen;
  int waits = 0;

 private:
  // The controls' states as the backend would draw them: boxes, radio buttons, thumb.
  std::string Checked() const {
    const core::DialogView view = core::DescribeDialog(dialog_);
    std::string out;
    for (const core::DialogControl& c : view.controls) {
      if (c.type == core::DialogControl::Type::CheckBox || c.type == core::DialogControl::Type::Radio)
        out += c.checked ? "1" : "0";
      if (c.type == core::DialogControl::Type::ScrollBar) out += " " + std::to_string(c.pos) + " ";
    }
    return out;
  }
  std::vector<Action> actions_;
  size_t next_ = 0;
  HWND dialog_ = nullptr;
};

// The dialog run modally on a backend that shows it: the template's controls as the
// backend draws them, and the person's actions through the dialog manager's rules.
TEST_F(Dialog, ModalLoopOnABackendThatShowsIt) {
  struct Case {
    const char* what;
    std::vector<Screen::Action> actions;
    INT_PTR result;
    const char* stored;     // the nine values afterwards
    const char* lastShown;  // the controls before the dialog closed
  };
  const Case cases[] = {
      {"Enter is the default button, OK", {{WM_KEYDOWN, 0, VK_RETURN}}, IDOK, "1 1 1 1 1 1 1 4 2000",
       "11111110000 2000 1"},
      {"Escape is Cancel", {{BM_CLICK, IDC_MEDIANS, 0}, {WM_KEYDOWN, 0, VK_ESCAPE}}, IDCANCEL, "- - - - - - - - -",
       "01111110000 2000 1"},
      {"a radio button unchecks its group; the thumb dropped; OK clicked",
       {{BM_CLICK, IDC_GREY, 0}, {WM_HSCROLL, 0, 3210}, {BM_CLICK, IDC_EXCIRCLES, 0}, {BM_CLICK, IDOK, 0}}, IDOK,
       "1 1 1 1 1 1 0 2 3210", "11111100010 3210 0"},
      {"a click on a group box or a text does nothing", {{BM_CLICK, -1, 0}, {BM_CLICK, IDCANCEL, 0}}, IDCANCEL,
       "- - - - - - - - -", "11111110000 2000 1"},
      {"other keys do nothing", {{WM_KEYDOWN, 0, 'A'}, {WM_KEYDOWN, 0, VK_SPACE}, {BM_CLICK, IDCANCEL, 0}},
       IDCANCEL, "- - - - - - - - -", "11111110000 2000 1"},
      // The person leaves: the quit ends the dialog with 0 and goes on to the loop outside.
      {"a quit while it is open", {{BM_CLICK, IDC_MEDIANS, 0}}, 0, "- - - - - - - - -", "01111110000 2000 1"},
  };
  for (const Case& c : cases) {
    ResetPlatform();
    Screen screen(c.actions);
    core::InstallBackend(&screen);
    const INT_PTR result = DialogBoxParamA(nullptr, MAKEINTRESOURCEA(IDD_SETTINGS), nullptr, SettingsDlgProc, 0);
    EXPECT_EQ(c.result, result) << c.what;
    EXPECT_EQ(c.stored, StoredValues()) << c.what;
    ASSERT_GE(screen.seen.size(), 3u) << c.what;
    EXPECT_EQ("opened 11111110000 2000 1", screen.seen.front()) << c.what << ": as it opened";
    EXPECT_EQ(c.lastShown, screen.seen[screen.seen.size() - 2]) << c.what;
    EXPECT_EQ("closed", screen.seen.back()) << c.what;
    // A quit that ended the dialog waits for the loop outside; otherwise that loop
    // waits for the person, who leaves.
    MSG msg;
    const int waits = screen.waits;
    EXPECT_EQ(FALSE, GetMessageA(&msg, nullptr, 0, 0)) << c.what;
    EXPECT_EQ(3u, msg.wParam) << c.what;
    EXPECT_EQ(c.result == 0 ? waits : waits + 1, screen.waits) << c.what << ": the quit was not left for the loop outside";
    core::InstallBackend(nullptr);
  }
}

// A backend that shows no dialogs cannot run one: nobody could ever end it.
TEST_F(Dialog, NoDialogWithoutSomeoneToShowIt) {
  EXPECT_DEATH(DialogBoxParamA(nullptr, MAKEINTRESOURCEA(IDD_SETTINGS), nullptr, SettingsDlgProc, 0),
               "shows no dialogs");
}

// Enter is the default button, whichever it is: a template whose default button is not
// OK gets that button's command, and Escape Cancel's.
INT_PTR CALLBACK EndWithCommand(HWND dialog, UINT message, WPARAM wParam, LPARAM) {
  if (message != WM_COMMAND) return FALSE;
  EndDialog(dialog, LOWORD(wParam));
  return TRUE;
}

TEST_F(Dialog, EnterIsTheDefaultButtonEscapeIsCancel) {
  static const core::ControlTemplate kControls[] = {
      {"Zurueck", 5, "BUTTON", WS_CHILD | BS_PUSHBUTTON | WS_TABSTOP, 0, 0, 30, 10},
      {"Weiter", 6, "BUTTON", WS_CHILD | BS_DEFPUSHBUTTON | WS_TABSTOP, 40, 0, 30, 10},
  };
  static const core::DialogTemplate kTemplate = {4243, "Test", WS_POPUP, 0, 0, 80, 20, 8, "MS Sans Serif",
                                                 kControls, 2};
  static const bool added = (core::AddDialogTemplates(&kTemplate, 1), true);
  ASSERT_TRUE(added);
  struct Case {
    WPARAM key;
    INT_PTR result;
  };
  for (const Case& c : {Case{VK_RETURN, 6}, Case{VK_ESCAPE, IDCANCEL}}) {
    ResetPlatform();
    Screen screen({{WM_KEYDOWN, 0, static_cast<int>(c.key)}});
    core::InstallBackend(&screen);
    EXPECT_EQ(c.result, DialogBoxParamA(nullptr, MAKEINTRESOURCEA(4243), nullptr, EndWithCommand, 0)) << "key " << c.key;
    core::InstallBackend(nullptr);
  }
}

}  // namespace
