// What the page's names become in the program and back: the keys and pointer the page
// posts as the browser names them, the shapes it shows, the dialog it draws, and the
// kept values it hands back.
#include "support.h"

#include <string>
#include <utility>
#include <vector>

#include "driver/kept.h"
#include "platform/web/names.h"
#include "res/resource.h"

namespace {

// The virtual key of each key the browser names: the names the explorer and the dialog
// take, letters in either case as their capital, digits as themselves, and nothing
// (0) for the rest, among them the characters beside the ranges.
TEST(PageNames, KeysAsWindowsNumbersThem) {
  const std::pair<const char*, WPARAM> cases[] = {
      {"ArrowLeft", VK_LEFT}, {"ArrowUp", VK_UP},   {"ArrowRight", VK_RIGHT}, {"ArrowDown", VK_DOWN},
      {" ", VK_SPACE},        {"Escape", VK_ESCAPE}, {"Enter", VK_RETURN},    {"Backspace", VK_BACK},
      {"a", 'A'},             {"s", 'S'},            {"z", 'Z'},              {"A", 'A'},
      {"Q", 'Q'},             {"Z", 'Z'},            {"0", '0'},              {"1", '1'},
      {"7", '7'},             {"9", '9'},            {"Tab", 0},              {"`", 0},
      {"{", 0},               {"@", 0},              {"[", 0},                {"/", 0},
      {":", 0},               {"\xc3\xa4", 0},       {"Shift", 0},            {"", 0},
      {"arrowleft", 0},       {"ESCAPE", 0},         {"ss", 0},
  };
  for (const auto& [name, key] : cases) EXPECT_EQ(key, web::VirtualKey(name)) << "the key \"" << name << "\"";
}

TEST(PageNames, PointerAsMessagesAndShapes) {
  const std::pair<const char*, UINT> messages[] = {
      {"pressed", WM_LBUTTONDOWN}, {"released", WM_LBUTTONUP}, {"moved", WM_MOUSEMOVE}, {"", WM_MOUSEMOVE}};
  for (const auto& [what, message] : messages)
    EXPECT_EQ(message, web::MouseMessage(what)) << "the pointer " << what;
  const std::pair<core::Pointer, std::string> shapes[] = {{core::Pointer::Hidden, "none"},
                                                          {core::Pointer::Arrow, "default"},
                                                          {core::Pointer::Hand, "pointer"},
                                                          {core::Pointer::Move, "move"}};
  for (const auto& [pointer, css] : shapes)
    EXPECT_EQ(css, web::PointerCss(pointer)) << "the shape " << static_cast<int>(pointer);
}

// The settings dialog as the page draws it: dialog units as CSS pixels (1.5 across,
// 1.625 down, to the fraction), each kind of control by its name, texts in UTF-8 and
// the controls' state.
TEST_F(CoreTest, PageDrawsTheSettingsDialogInCssPixels) {
  std::string json;
  core::SetUser([&json](HWND dialog) {
    json = web::DialogJson(dialog);
    EndDialog(dialog, IDCANCEL);
  });
  ASSERT_EQ(IDCANCEL, DialogBoxParamA(nullptr, MAKEINTRESOURCEA(IDD_SETTINGS), nullptr, SettingsDlgProc, 0));
  const char* parts[] = {
      R"({"caption":"Settings","cx":475.5,"cy":206.375,"controls":[)",
      R"({"type":"default","id":1,"text":"OK","x":382.5,"y":11.375,"cx":75,"cy":22.75,"checked":false,)",
      R"({"type":"button","id":2,"text":"Cancel","x":382.5,"y":39,"cx":75,"cy":22.75,)",
      (R"({"type":"check","id":1003,"text":"H)" "\xc3\xb6" R"(hen","x":121.5,"y":34.125,"cx":120,"cy":16.25,"checked":true,)"),
      R"({"type":"group","id":-1,"text":"Anzeigen","x":10.5,"y":11.375,"cx":235.5,"cy":123.5,)",
      R"({"type":"radio","id":1006,"text":"schwarz","x":271.5,"y":34.125,"cx":85.5,"cy":16.25,"checked":true,)",
      R"({"type":"radio","id":1008,"text":"weiss","x":271.5,"y":130,"cx":82.5,"cy":16.25,"checked":false,)",
      R"({"type":"text","id":-1,"text":"Geschwindigkeit","x":10.5,"y":151.125,)",
      (R"({"type":"scrollbar","id":1014,"text":"","x":10.5,"y":170.625,"cx":231,"cy":13,"checked":false,"min":500,)"
       R"("max":5000,"pos":2000})"),
      R"({"type":"text-right","id":-1,"text":"Dreieck )",
      "\xc2\xa9 2026 Das Dreieck-Team\"",
  };
  for (const char* part : parts) EXPECT_NE(std::string::npos, json.find(part)) << "no " << part << " in\n" << json;
  EXPECT_EQ("]}", json.substr(json.size() - 2)) << json;
}

// A kept value the page hands back is taken only as the registry could hold it from
// the program: decimal digits up to 31 bits. Anything may have written the browser's
// storage.
TEST(PageNames, KeptValuesAsTheProgramStoresThem) {
  struct Case {
    const char* text;
    long long value;  // -1: passed over
  };
  const Case cases[] = {
      {"0", 0},           {"1", 1},         {"2000", 2000},         {"2147483647", 2147483647},
      {"02000", 2000},    {"2147483648", -1}, {"4294967295", -1},   {"99999999999999999999999", -1},
      {"", -1},           {"-1", -1},       {"+1", -1},             {"1.5", -1},
      {"1e3", -1},        {" 1", -1},       {"1 ", -1},             {"0x10", -1},
      {"true", -1},       {"undefined", -1},
  };
  for (const Case& c : cases) {
    const driver::KeptValues kept = driver::KeptFromText({{"Intervall", c.text}});
    if (c.value < 0) {
      EXPECT_TRUE(kept.empty()) << "\"" << c.text << "\" was taken as " << kept.front().second;
    } else {
      ASSERT_EQ(1u, kept.size()) << "\"" << c.text << "\" was passed over";
      EXPECT_EQ("Intervall", kept.front().first);
      EXPECT_EQ(static_cast<uint32_t>(c.value), kept.front().second) << "\"" << c.text << "\"";
    }
  }
  // The good ones among others, by their names and in their order.
  const driver::KeptValues kept = driver::KeptFromText({{"a", "1"}, {"b", "x"}, {"c", "3"}});
  EXPECT_EQ((driver::KeptValues{{"a", 1}, {"c", 3}}), kept);
}

}  // namespace
