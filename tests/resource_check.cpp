// The resource check: reads the resources compiled into the Windows program back and
// compares them with what the program promises, so that a typo in res/dialog.rc cannot
// pass unnoticed, and with the stand-in's dialog templates, which the build makes of
// the same script. Run as  resources_tests Dreieck.scr  or  resources_tests FILE.res.
#include <gtest/gtest.h>

#include <cstring>
#include <fstream>
#include <iterator>

#include "platform/cairo/canvas.h"
#include "platform/core/resources.h"
#include "tests/resfile.h"
#include "version.h"

namespace {

using resfile::Resource;

std::string gResFile;

// Resource types.
const uint16_t kIcon = 3, kDialog = 5, kGroupIcon = 14, kVersion = 16;
const uint16_t kGermanSwiss = 0x0807;

// For failure messages: UTF-16 as ASCII with \uXXXX beyond it.
std::string Show(const std::u16string& s) {
  std::string out;
  for (char16_t c : s) {
    if (c >= 0x20 && c < 0x7F) {
      out += static_cast<char>(c);
    } else {
      char buffer[8];
      std::snprintf(buffer, sizeof buffer, "\\u%04X", static_cast<unsigned>(c));
      out += buffer;
    }
  }
  return "\"" + out + "\"";
}

// A Windows-1252 text of a stand-in template as UTF-16, as windres compiles it.
std::u16string Utf16(const char* text) {
  const std::string utf8 = cairo_canvas::Utf8FromWindows1252(text, static_cast<int>(std::strlen(text)));
  std::u16string out;
  for (size_t i = 0; i < utf8.size();) {
    const unsigned char lead = static_cast<unsigned char>(utf8[i]);
    const size_t n = lead < 0x80 ? 1 : lead < 0xE0 ? 2 : 3;
    char32_t code = n == 1 ? lead : n == 2 ? lead & 0x1F : lead & 0x0F;
    for (size_t k = 1; k < n; ++k) code = code << 6 | (static_cast<unsigned char>(utf8[i + k]) & 0x3F);
    out += static_cast<char16_t>(code);
    i += n;
  }
  return out;
}

class Resources : public ::testing::Test {
 protected:
  void SetUp() override {
    std::ifstream in(gResFile, std::ios::binary);
    ASSERT_TRUE(in) << "cannot read " << gResFile;
    const std::vector<uint8_t> bytes{std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
    resources_ = resfile::ReadAnyResources(bytes);
  }
  // The one resource of this type and name; fails the test when there is not exactly one.
  template <typename Name>
  const Resource* Find(uint16_t type, const Name& name) {
    const Resource* found = nullptr;
    int count = 0;
    for (const Resource& r : resources_)
      if (r.type == type && r.name == name) found = &r, ++count;
    EXPECT_EQ(1, count) << "resources of type " << type << " with that name";
    return count == 1 ? found : nullptr;
  }
  std::vector<Resource> resources_;
};

TEST_F(Resources, SettingsDialogHeader) {
  const Resource* res = Find(kDialog, uint16_t{103});
  ASSERT_NE(nullptr, res);
  EXPECT_EQ(kGermanSwiss, res->language);
  const resfile::Dialog d = resfile::ReadDialog(res->data);
  ASSERT_FALSE(d.extended) << "a classic DIALOG, not DIALOGEX";
  EXPECT_EQ(WS_POPUP | WS_CAPTION | WS_SYSMENU | DS_MODALFRAME | DS_SETFONT | DS_CENTER, d.style)
      << std::hex << "style 0x" << d.style;
  EXPECT_EQ(0u, d.exStyle);
  EXPECT_EQ(0, d.x);
  EXPECT_EQ(0, d.y);
  EXPECT_EQ(317, d.cx);
  EXPECT_EQ(127, d.cy);
  EXPECT_TRUE(d.menu == uint16_t{0} || d.menu == std::u16string()) << "no menu";
  EXPECT_TRUE(d.windowClass == uint16_t{0} || d.windowClass == std::u16string()) << "the default dialog class";
  EXPECT_EQ(u"Settings", d.title) << Show(d.title);
  EXPECT_EQ(8, d.pointSize);
  EXPECT_EQ(u"MS Sans Serif", d.font) << Show(d.font);
  EXPECT_EQ(19u, d.items.size());
}

TEST_F(Resources, SettingsDialogControls) {
  struct Expected {
    uint16_t id;
    const char16_t* className;
    uint32_t style;  // besides WS_CHILD | WS_VISIBLE, which every control has
    const char16_t* text;
    int16_t x, y, cx, cy;
  };
  const uint16_t none = 0xFFFF;  // id -1
  // The line at the bottom right names the version the build made of the project's.
  const std::string shortVersion = DREIECK_VERSION_SHORT;
  const std::u16string about =
      u"Dreieck " + std::u16string(shortVersion.begin(), shortVersion.end()) + u" \u00A9 2026 Das Dreieck-Team";
  const Expected expected[19] = {
      {1, u"BUTTON", BS_DEFPUSHBUTTON | WS_TABSTOP, u"OK", 255, 7, 50, 14},
      {2, u"BUTTON", BS_PUSHBUTTON | WS_TABSTOP, u"Cancel", 255, 24, 50, 14},
      {1000, u"BUTTON", BS_AUTOCHECKBOX | WS_TABSTOP, u"Schwerlinien", 15, 21, 58, 10},
      {1001, u"BUTTON", BS_AUTOCHECKBOX | WS_TABSTOP, u"Inkreis", 15, 35, 55, 10},
      {1002, u"BUTTON", BS_AUTOCHECKBOX | WS_TABSTOP, u"Umkreis", 15, 50, 56, 10},
      {1003, u"BUTTON", BS_AUTOCHECKBOX | WS_TABSTOP, u"H\u00F6hen", 81, 21, 80, 10},
      {1004, u"BUTTON", BS_AUTOCHECKBOX | WS_TABSTOP, u"Feuerbachkreis", 81, 35, 80, 10},
      {1005, u"BUTTON", BS_AUTOCHECKBOX | WS_TABSTOP, u"Eulersche Gerade", 81, 50, 80, 10},
      {none, u"BUTTON", BS_GROUPBOX, u"Anzeigen", 7, 7, 157, 76},
      {none, u"BUTTON", BS_GROUPBOX, u"Hintergrundfarbe", 171, 7, 74, 91},
      {1006, u"BUTTON", BS_AUTORADIOBUTTON, u"schwarz", 181, 21, 57, 10},
      {1007, u"BUTTON", BS_AUTORADIOBUTTON, u"dunkelgrau", 181, 35, 56, 10},
      {1008, u"BUTTON", BS_AUTORADIOBUTTON, u"weiss", 181, 80, 55, 10},
      {1009, u"BUTTON", BS_AUTORADIOBUTTON, u"grau", 181, 50, 57, 10},
      {1010, u"BUTTON", BS_AUTORADIOBUTTON, u"hellgrau", 181, 65, 55, 10},
      {none, u"STATIC", SS_LEFT | WS_GROUP, u"Geschwindigkeit", 7, 93, 59, 10},
      {1014, u"SCROLLBAR", SBS_HORZ, u"", 7, 105, 154, 8},
      {1011, u"BUTTON", BS_AUTOCHECKBOX | WS_TABSTOP, u"Ankreise", 15, 65, 56, 10},
      {none, u"STATIC", SS_RIGHT | WS_GROUP, about.c_str(), 171, 104, 131, 10},
  };
  const Resource* res = Find(kDialog, uint16_t{103});
  ASSERT_NE(nullptr, res);
  const resfile::Dialog d = resfile::ReadDialog(res->data);
  ASSERT_FALSE(d.extended);
  ASSERT_EQ(19u, d.items.size());
  for (size_t i = 0; i < 19; ++i) {
    const Expected& e = expected[i];
    const resfile::DialogItem& item = d.items[i];
    const std::string where = "control " + std::to_string(i + 1) + " " + Show(e.text);
    EXPECT_EQ(e.id, item.id) << where;
    EXPECT_EQ(std::u16string(e.className), item.className) << where << ": class " << Show(item.className);
    EXPECT_EQ(WS_CHILD | WS_VISIBLE | e.style, item.style) << where << std::hex << ": style 0x" << item.style;
    EXPECT_EQ(0u, item.exStyle) << where;
    EXPECT_TRUE(item.text == std::u16string(e.text)) << where << ": text "
                                                     << (item.text.isId ? "an ordinal" : Show(item.text.name));
    EXPECT_EQ(e.x, item.x) << where;
    EXPECT_EQ(e.y, item.y) << where;
    EXPECT_EQ(e.cx, item.cx) << where;
    EXPECT_EQ(e.cy, item.cy) << where;
    EXPECT_EQ(0, item.extraBytes) << where;
  }
}

// The stand-in's dialogs are made of what the build wrote of res/dialog.rc: it must
// hold what windres compiled of the same script, header and controls field by field.
TEST_F(Resources, StandInSettingsTemplateIsTheCompiledOne) {
  const Resource* res = Find(kDialog, uint16_t{103});
  ASSERT_NE(nullptr, res);
  const resfile::Dialog d = resfile::ReadDialog(res->data);
  const core::DialogTemplate* t = core::FindDialogTemplate(103);
  ASSERT_NE(nullptr, t) << "the stand-in has no template 103";
  EXPECT_EQ(d.style, t->style) << std::hex << "style 0x" << t->style;
  EXPECT_EQ(d.title, Utf16(t->caption)) << Show(Utf16(t->caption));
  EXPECT_EQ((std::vector<int>{d.x, d.y, d.cx, d.cy}), (std::vector<int>{t->x, t->y, t->cx, t->cy}));
  EXPECT_EQ(d.pointSize, t->pointSize);
  EXPECT_EQ(d.font, Utf16(t->font)) << Show(Utf16(t->font));
  ASSERT_EQ(d.items.size(), t->controlCount);
  for (size_t i = 0; i < d.items.size(); ++i) {
    const resfile::DialogItem& compiled = d.items[i];
    const core::ControlTemplate& c = t->controls[i];
    const std::string where = "control " + std::to_string(i + 1) + " " + Show(Utf16(c.text));
    EXPECT_EQ(compiled.id, static_cast<uint16_t>(c.id)) << where;
    EXPECT_EQ(compiled.className, Utf16(c.className)) << where << ": class " << c.className;
    EXPECT_EQ(compiled.style, c.style) << where << std::hex << ": style 0x" << c.style;
    EXPECT_TRUE(compiled.text == Utf16(c.text)) << where;
    EXPECT_EQ((std::vector<int>{compiled.x, compiled.y, compiled.cx, compiled.cy}),
              (std::vector<int>{c.x, c.y, c.cx, c.cy}))
        << where;
  }
}

TEST_F(Resources, IconGroupHoldsOneSixteenColourIcon) {
  const Resource* group = Find(kGroupIcon, std::u16string(u"IDI_ICON1"));
  ASSERT_NE(nullptr, group);
  EXPECT_EQ(kGermanSwiss, group->language);
  const std::vector<resfile::IconEntry> entries = resfile::ReadIconGroup(group->data);
  ASSERT_EQ(1u, entries.size());
  const resfile::IconEntry& e = entries[0];
  EXPECT_EQ(16, e.width);
  EXPECT_EQ(16, e.height);
  EXPECT_EQ(16, e.colourCount);
  EXPECT_EQ(1, e.planes);
  EXPECT_EQ(4, e.bitCount);
  const Resource* icon = Find(kIcon, e.iconId);
  ASSERT_NE(nullptr, icon);
  EXPECT_EQ(kGermanSwiss, icon->language);
  EXPECT_EQ(e.bytes, icon->data.size());
  // The image itself: a BITMAPINFOHEADER of 16 x 32 (colour and mask) at 4 bits per
  // pixel, 16 palette entries, then 16 rows of 8 colour bytes and 16 of 4 mask bytes.
  resfile::Reader r(icon->data);
  EXPECT_EQ(40u, r.U32());
  EXPECT_EQ(16u, r.U32());
  EXPECT_EQ(32u, r.U32());
  EXPECT_EQ(1u, r.U16());
  EXPECT_EQ(4u, r.U16());
  EXPECT_EQ(0u, r.U32()) << "uncompressed";
  EXPECT_EQ(40u + 16 * 4 + 16 * 8 + 16 * 4, icon->data.size());
}

TEST_F(Resources, VersionResource) {
  const Resource* res = Find(kVersion, uint16_t{1});
  ASSERT_NE(nullptr, res);
  EXPECT_EQ(kGermanSwiss, res->language);
  const resfile::VersionNode root = resfile::ReadVersion(res->data);
  EXPECT_EQ(u"VS_VERSION_INFO", root.key);
  ASSERT_EQ(52u, root.value.size()) << "VS_FIXEDFILEINFO";
  resfile::Reader fixed(root.value);
  EXPECT_EQ(0xFEEF04BDu, fixed.U32()) << "signature";
  fixed.U32();
  // The build's version, four 16-bit numbers in two 32-bit words, for file and product.
  const uint32_t numbers[] = {DREIECK_VERSION_NUMBERS};
  for (const char* which : {"file", "product"}) {
    EXPECT_EQ(numbers[0] << 16 | numbers[1], fixed.U32()) << which << " version, high word";
    EXPECT_EQ(numbers[2] << 16 | numbers[3], fixed.U32()) << which << " version, low word";
  }

  const resfile::VersionNode* strings = root.Child(u"StringFileInfo");
  ASSERT_NE(nullptr, strings);
  ASSERT_EQ(1u, strings->children.size());
  const resfile::VersionNode& table = strings->children[0];
  EXPECT_EQ(u"080704b0", table.key) << Show(table.key);
  for (const char16_t* name : {u"CompanyName", u"FileDescription", u"ProductName", u"LegalCopyright"}) {
    const resfile::VersionNode* value = table.Child(name);
    ASSERT_NE(nullptr, value) << Show(name);
    EXPECT_TRUE(value->text) << Show(name);
    EXPECT_FALSE(value->Text().empty()) << Show(name);
  }
  for (const char16_t* name : {u"FileVersion", u"ProductVersion"}) {
    const resfile::VersionNode* value = table.Child(name);
    ASSERT_NE(nullptr, value) << Show(name);
    const std::string version = DREIECK_VERSION;
    EXPECT_EQ(std::u16string(version.begin(), version.end()), value->Text())
        << Show(name) << " is " << Show(value->Text());
  }

  const resfile::VersionNode* vars = root.Child(u"VarFileInfo");
  ASSERT_NE(nullptr, vars);
  const resfile::VersionNode* translation = vars->Child(u"Translation");
  ASSERT_NE(nullptr, translation);
  EXPECT_EQ((std::vector<uint8_t>{0x07, 0x08, 0xB0, 0x04}), translation->value) << "0x0807, 0x04B0";
}

}  // namespace

int main(int argc, char** argv) {
  ::testing::InitGoogleTest(&argc, argv);
  if (argc != 2) {
    std::fprintf(stderr, "usage: %s [gtest options] Dreieck.scr|FILE.res\n", argv[0]);
    return 2;
  }
  gResFile = argv[1];
  return RUN_ALL_TESTS();
}
