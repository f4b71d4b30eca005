// The Linux program's command line: every option, its spellings and its limits, and the
// one line that names what is wrong.
#include <gtest/gtest.h>

#include <optional>
#include <string>
#include <tuple>
#include <vector>

#include "driver/options.h"

namespace {

using driver::Mode;
using driver::Parsed;

Parsed Parse(std::vector<std::string> args) {
  std::vector<const char*> argv = {"dreieck"};
  for (const std::string& a : args) argv.push_back(a.c_str());
  return driver::ParseOptions(static_cast<int>(argv.size()), argv.data());
}

std::string Describe(const std::vector<std::string>& args) {
  std::string out;
  for (const std::string& a : args) out += " [" + a + "]";
  return out;
}

TEST(Options, SettingsInEverySpelling) {
  struct Case {
    std::vector<std::string> args;
    int flags[kConstructionCount];
    int background;
    int interval;
  };
  const Case cases[] = {
      {{}, {-1, -1, -1, -1, -1, -1, -1}, -1, -1},
      {{"--no-medians", "--incircle", "--no-circumcircle", "--altitudes", "--no-nine-point-circle",
        "--euler-line", "--no-excircles"},
       {0, 1, 0, 1, 0, 1, 0}, -1, -1},
      {{"-no-excircles", "-medians"}, {1, -1, -1, -1, -1, -1, 0}, -1, -1},
      {{"--medians", "--no-medians"}, {0, -1, -1, -1, -1, -1, -1}, -1, -1},  // the last one counts
      {{"--background", "white"}, {-1, -1, -1, -1, -1, -1, -1}, 0, -1},
      {{"--background=light-grey"}, {-1, -1, -1, -1, -1, -1, -1}, 1, -1},
      {{"-background", "grey"}, {-1, -1, -1, -1, -1, -1, -1}, 2, -1},
      {{"-background=dark-grey"}, {-1, -1, -1, -1, -1, -1, -1}, 3, -1},
      {{"--background", "black"}, {-1, -1, -1, -1, -1, -1, -1}, 4, -1},
      {{"--interval", "500"}, {-1, -1, -1, -1, -1, -1, -1}, -1, 500},
      {{"--interval=5000"}, {-1, -1, -1, -1, -1, -1, -1}, -1, 5000},
      {{"-interval", "0750"}, {-1, -1, -1, -1, -1, -1, -1}, -1, 750},
  };
  for (const Case& c : cases) {
    const Parsed p = Parse(c.args);
    ASSERT_TRUE(p.ok) << Describe(c.args) << ": " << p.error;
    for (int i = 0; i < kConstructionCount; ++i) EXPECT_EQ(c.flags[i], p.options.flags[i]) << Describe(c.args) << " flag " << i;
    EXPECT_EQ(c.background, p.options.background) << Describe(c.args);
    EXPECT_EQ(c.interval, p.options.intervalMs) << Describe(c.args);
    EXPECT_EQ(Mode::Window, p.options.mode) << Describe(c.args);
  }
}

TEST(Options, WhereItDraws) {
  struct Case {
    std::vector<std::string> args;
    Mode mode;
    uint32_t windowId;
  };
  const Case cases[] = {
      {{"--fullscreen"}, Mode::FullScreen, 0},
      {{"--root"}, Mode::Root, 0},
      {{"-root"}, Mode::Root, 0},  // as older XScreenSaver configurations write it
      {{"--window-id", "4194312"}, Mode::WindowId, 4194312},
      {{"--window-id=0x400008"}, Mode::WindowId, 0x400008},
      {{"-window-id", "0XFFFFFFFF"}, Mode::WindowId, 0xFFFFFFFF},
      // XScreenSaver's settings preview: the window named wins over the root.
      {{"--root", "--interval", "700", "--window-id", "0x400D60"}, Mode::WindowId, 0x400D60},
      {{"--window-id", "12", "-root"}, Mode::WindowId, 12},
      {{"--picture", "a.png"}, Mode::Picture, 0},
      {{"--frames", "out"}, Mode::Frames, 0},
      // The explorer begins where a picture is taken: --time, --triangle and --step.
      {{"--explore", "--triangle", "1,2,3,4,5,6", "--step", "0"}, Mode::Explore, 0},
      {{"--time", "2021-03-04T05:06:07Z", "--step", "7", "-explore"}, Mode::Explore, 0},
      {{"--explore", "--fullscreen"}, Mode::Explore, 0},  // the explorer on the whole screen
      {{"-fullscreen", "--explore", "--step", "2"}, Mode::Explore, 0},
      // --help and --version show their text whatever else is given, and only then.
      {{"--help", "--size", "10x10"}, Mode::Help, 0},
      {{"--interval", "500", "--version"}, Mode::Version, 0},
      {{"--picture", "a.png", "--interval", "500", "--help", "--version"}, Mode::Help, 0},
  };
  for (const Case& c : cases) {
    const Parsed p = Parse(c.args);
    ASSERT_TRUE(p.ok) << Describe(c.args) << ": " << p.error;
    EXPECT_EQ(c.mode, p.options.mode) << Describe(c.args);
    EXPECT_EQ(c.windowId, p.options.windowId) << Describe(c.args);
  }
}

TEST(Options, PictureOptions) {
  const Parsed p = Parse({"--picture", "x.SVG", "--size", "640x480", "--time", "2021-03-04 05:06:07", "--step", "0",
                          "--scale=4"});
  ASSERT_TRUE(p.ok) << p.error;
  EXPECT_EQ("x.SVG", p.options.path);
  EXPECT_EQ(driver::Format::Svg, p.options.format) << "the extension in any case";
  for (const auto& [name, format] : {std::pair{"a.Pdf", driver::Format::Pdf}, std::pair{"b.pNg", driver::Format::Png},
                                     std::pair{"dir.svg/c.svg", driver::Format::Svg}})
    EXPECT_EQ(format, Parse({"--picture", name}).options.format) << name;
  EXPECT_EQ(640, p.options.width);
  EXPECT_EQ(480, p.options.height);
  EXPECT_TRUE(p.options.timeGiven);
  EXPECT_EQ(1614834367, p.options.second) << "2021-03-04 05:06:07 UTC";
  EXPECT_EQ(0, p.options.step);
  EXPECT_EQ(4, p.options.scale);

  const Parsed t = Parse({"--frames", "d", "--triangle", "-5,2147483647,0,-2147483648,+7,0"});
  ASSERT_TRUE(t.ok) << t.error;
  const int32_t corners[6] = {-5, 2147483647, 0, INT32_MIN, 7, 0};
  for (int i = 0; i < 6; ++i) EXPECT_EQ(corners[i], t.options.triangle[i]) << i;
  EXPECT_EQ(1920, t.options.width) << "the default size";
  EXPECT_EQ(1080, t.options.height);
  EXPECT_EQ(7, t.options.step) << "the default step: after the last construction";
  EXPECT_EQ(1, t.options.scale);

  struct Second {
    const char* text;
    int64_t seconds;
  };
  const Second seconds[] = {{"1970-01-01 00:00:00", 0},          {"2000-02-29 23:59:59", 951868799},
                            {"2038-01-19 03:14:08", 2147483648}, {"2100-03-01 00:00:00", 4107542400},
                            {"2024-02-29 12:00:00", 1709208000}, {"2021-03-04T05:06:07Z", 1614834367},
                            // The last day of a month of 30 days and of the year.
                            {"2021-04-30 23:59:59", 1619827199}, {"2021-12-31 23:59:59", 1640995199}};
  for (const Second& s : seconds) {
    int64_t v = -1;
    EXPECT_TRUE(driver::ParseUtcSecond(s.text, &v)) << s.text;
    EXPECT_EQ(s.seconds, v) << s.text;
  }
}

// Each mistake gets one line that names it; nothing is drawn.
TEST(Options, MistakesAreNamed) {
  struct Case {
    std::vector<std::string> args;
    const char* error;
  };
  const Case cases[] = {
      {{"--bogus"}, "unknown option '--bogus'"},
      {{"-"}, "unexpected argument '-'"},
      {{"--a\nb\x1b[2J"}, "unknown option '--a\\x0ab\\x1b[2J'"},  // a line and a terminal left alone
      {{"--picture", "r\xC3\xA4tsel.gif"}, "cannot tell the format of 'r\xC3\xA4tsel.gif': name it .png, .svg or .pdf"},
      {{"extra"}, "unexpected argument 'extra'"},
      {{"--interval", "20"}, "bad value for --interval: '20' (500 to 5000 milliseconds)"},
      {{"--interval", "499"}, "bad value for --interval: '499' (500 to 5000 milliseconds)"},
      {{"--interval", "5001"}, "bad value for --interval: '5001' (500 to 5000 milliseconds)"},
      {{"--interval", "1e3"}, "bad value for --interval: '1e3' (500 to 5000 milliseconds)"},
      {{"--interval", ""}, "bad value for --interval: '' (500 to 5000 milliseconds)"},
      {{"--interval"}, "--interval needs a value"},
      {{"--background", "pink"}, "bad value for --background: 'pink' (white, light-grey, grey, dark-grey or black)"},
      {{"--background", "Black"}, "bad value for --background: 'Black' (white, light-grey, grey, dark-grey or black)"},
      {{"--medians=1"}, "--medians takes no value"},
      {{"--root=1"}, "--root takes no value"},
      {{"--window-id", "0"}, "bad value for --window-id: '0' (a window id, decimal or 0x-hex)"},
      {{"--window-id", "0x"}, "bad value for --window-id: '0x' (a window id, decimal or 0x-hex)"},
      {{"--window-id", "0x100000000"}, "bad value for --window-id: '0x100000000' (a window id, decimal or 0x-hex)"},
      {{"--window-id", "12ab"}, "bad value for --window-id: '12ab' (a window id, decimal or 0x-hex)"},
      {{"--root", "--fullscreen"}, "--fullscreen cannot be combined with --root"},
      {{"--window-id", "5", "--root", "--fullscreen"}, "--fullscreen cannot be combined with --window-id"},
      {{"--picture", "a.png", "--window-id", "5"}, "--window-id cannot be combined with --picture"},
      {{"--picture", "a.gif"}, "cannot tell the format of 'a.gif': name it .png, .svg or .pdf"},
      {{"--picture", "png"}, "cannot tell the format of 'png': name it .png, .svg or .pdf"},
      {{"--picture", "dir.png/"}, "cannot tell the format of 'dir.png/': name it .png, .svg or .pdf"},
      {{"--picture", "a.png", "--size", "0x100"}, "bad value for --size: '0x100' (WxH, 1 to 16384 pixels each)"},
      {{"--picture", "a.png", "--size", "-5x100"}, "bad value for --size: '-5x100' (WxH, 1 to 16384 pixels each)"},
      {{"--picture", "a.png", "--size", "16385x10"}, "bad value for --size: '16385x10' (WxH, 1 to 16384 pixels each)"},
      {{"--picture", "a.png", "--size", "100"}, "bad value for --size: '100' (WxH, 1 to 16384 pixels each)"},
      {{"--picture", "a.png", "--size", "10x10x10"}, "bad value for --size: '10x10x10' (WxH, 1 to 16384 pixels each)"},
      {{"--picture", "a.png", "--size", "100x0"}, "bad value for --size: '100x0' (WxH, 1 to 16384 pixels each)"},
      {{"--background", "\x7f"}, "bad value for --background: '\\x7f' (white, light-grey, grey, dark-grey or black)"},
      // What the formats hold: a Cairo image 32767 pixels a side, a PDF page 3 to 14400 points.
      {{"--picture", "a.png", "--size", "8192x8", "--scale", "4"},
       "--size 8192x8 --scale 4 is 32768x32 pixels: a PNG picture has at most 32767 pixels a side"},
      {{"--scale", "2", "--frames", "d", "--size", "100x16384"},
       "--size 100x16384 --scale 2 is 200x32768 pixels: a PNG picture has at most 32767 pixels a side"},
      {{"--picture", "a.pdf", "--size", "14401x10"},
       "--size 14401x10 is a page of 14401x10 points: a PDF page is 3 to 14400 points a side"},
      {{"--picture", "a.pdf", "--size", "3601x2", "--scale", "4"},
       "--size 3601x2 --scale 4 is a page of 14404x8 points: a PDF page is 3 to 14400 points a side"},
      {{"--picture", "a.pdf", "--size", "2x100"},
       "--size 2x100 is a page of 2x100 points: a PDF page is 3 to 14400 points a side"},
      {{"--picture", "a.png", "--triangle", "1,2,3,4,5"}, "bad value for --triangle: '1,2,3,4,5' (six integers AX,AY,BX,BY,CX,CY)"},
      {{"--picture", "a.png", "--triangle", "1,2,3,4,5,6,7"}, "bad value for --triangle: '1,2,3,4,5,6,7' (six integers AX,AY,BX,BY,CX,CY)"},
      {{"--picture", "a.png", "--triangle", "1,2,3,4,5,2147483648"}, "bad value for --triangle: '1,2,3,4,5,2147483648' (six integers AX,AY,BX,BY,CX,CY)"},
      {{"--picture", "a.png", "--triangle", "1,2,3,4,5,x"}, "bad value for --triangle: '1,2,3,4,5,x' (six integers AX,AY,BX,BY,CX,CY)"},
      {{"--picture", "a.png", "--step", "11"}, "bad value for --step: '11' (0 to 10)"},
      {{"--picture", "a.png", "--step", "-1"}, "bad value for --step: '-1' (0 to 10)"},
      {{"--picture", "a.png", "--step", "-0"}, "bad value for --step: '-0' (0 to 10)"},
      {{"--picture", "a.png", "--scale", "+1"}, "bad value for --scale: '+1' (1 to 4)"},
      {{"--interval", "+500"}, "bad value for --interval: '+500' (500 to 5000 milliseconds)"},
      {{"--picture", "a.png", "--scale", "5"}, "bad value for --scale: '5' (1 to 4)"},
      {{"--picture", "a.png", "--time", "2021-02-29 00:00:00"}, "bad value for --time: '2021-02-29 00:00:00' (YYYY-MM-DD HH:MM:SS or YYYY-MM-DDTHH:MM:SSZ, UTC, from 1970 on)"},
      {{"--picture", "a.png", "--time", "1969-12-31 23:59:59"}, "bad value for --time: '1969-12-31 23:59:59' (YYYY-MM-DD HH:MM:SS or YYYY-MM-DDTHH:MM:SSZ, UTC, from 1970 on)"},
      {{"--picture", "a.png", "--time", "2021-03-04T05:06:07"}, "bad value for --time: '2021-03-04T05:06:07' (YYYY-MM-DD HH:MM:SS or YYYY-MM-DDTHH:MM:SSZ, UTC, from 1970 on)"},
      {{"--picture", "a.png", "--time", "2100-02-29 00:00:00"}, "bad value for --time: '2100-02-29 00:00:00' (YYYY-MM-DD HH:MM:SS or YYYY-MM-DDTHH:MM:SSZ, UTC, from 1970 on)"},
      {{"--picture", "a.png", "--time", "2024-02-29 23:59:60"}, "bad value for --time: '2024-02-29 23:59:60' (YYYY-MM-DD HH:MM:SS or YYYY-MM-DDTHH:MM:SSZ, UTC, from 1970 on)"},
      {{"--picture", "a.png", "--time", "2021-03-04T05:06:07z"}, "bad value for --time: '2021-03-04T05:06:07z' (YYYY-MM-DD HH:MM:SS or YYYY-MM-DDTHH:MM:SSZ, UTC, from 1970 on)"},
      {{"--picture", "a.png", "--time", "2021-03-04 24:00:00"}, "bad value for --time: '2021-03-04 24:00:00' (YYYY-MM-DD HH:MM:SS or YYYY-MM-DDTHH:MM:SSZ, UTC, from 1970 on)"},
      {{"--picture", "a.png", "--time", "2021-03-04 05:06:07", "--triangle", "1,2,3,4,5,6"}, "--time and --triangle cannot be combined"},
      {{"--frames", "d", "--step", "3"}, "--step needs --picture: --frames writes every step"},
      {{"--size", "10x10"}, "--size, --time, --triangle, --step and --scale need --picture or --frames"},
      {{"--root", "--step", "3"}, "--size, --time, --triangle, --step and --scale need --picture or --frames"},
      {{"--explore", "--size", "10x10"}, "--size and --scale need --picture or --frames"},
      {{"--explore", "--step", "8"}, "--explore takes --step 0 to 7"},
      {{"--explore", "--fullscreen", "--root"}, "--root cannot be combined with --explore"},
      // A bad word is bad wherever it stands, before --help or after it.
      {{"--help", "--bogus"}, "unknown option '--bogus'"},
      {{"--bogus", "--help"}, "unknown option '--bogus'"},
      {{"--version", "--interval", "20"}, "bad value for --interval: '20' (500 to 5000 milliseconds)"},
      {{"--help", "extra"}, "unexpected argument 'extra'"},
      // An option that would do nothing where it draws is refused.
      {{"--picture", "a.png", "--interval", "500"}, "--interval cannot be combined with --picture: pictures have no time between ticks"},
      {{"--interval=700", "--frames", "d"}, "--interval cannot be combined with --frames: pictures have no time between ticks"},
      {{"--explore", "--interval", "500"}, "--interval cannot be combined with --explore: the explorer has no ticks"},
      // Days a month does not have, and a minute or second of 60.
      {{"--picture", "a.png", "--time", "2021-04-31 00:00:00"}, "bad value for --time: '2021-04-31 00:00:00' (YYYY-MM-DD HH:MM:SS or YYYY-MM-DDTHH:MM:SSZ, UTC, from 1970 on)"},
      {{"--picture", "a.png", "--time", "2021-02-30 00:00:00"}, "bad value for --time: '2021-02-30 00:00:00' (YYYY-MM-DD HH:MM:SS or YYYY-MM-DDTHH:MM:SSZ, UTC, from 1970 on)"},
      {{"--picture", "a.png", "--time", "2021-12-32T00:00:00Z"}, "bad value for --time: '2021-12-32T00:00:00Z' (YYYY-MM-DD HH:MM:SS or YYYY-MM-DDTHH:MM:SSZ, UTC, from 1970 on)"},
      {{"--picture", "a.png", "--time", "2021-06-31 12:00:00"}, "bad value for --time: '2021-06-31 12:00:00' (YYYY-MM-DD HH:MM:SS or YYYY-MM-DDTHH:MM:SSZ, UTC, from 1970 on)"},
      {{"--picture", "a.png", "--time", "2021-03-04 05:60:07"}, "bad value for --time: '2021-03-04 05:60:07' (YYYY-MM-DD HH:MM:SS or YYYY-MM-DDTHH:MM:SSZ, UTC, from 1970 on)"},
      {{"--explore", "--picture", "a.png"}, "--picture cannot be combined with --explore"},
  };
  for (const Case& c : cases) {
    const Parsed p = Parse(c.args);
    EXPECT_FALSE(p.ok) << Describe(c.args);
    EXPECT_EQ(c.error, p.error) << Describe(c.args);
    EXPECT_EQ(std::string::npos, p.error.find('\n')) << "one line";
  }
}

// The largest pictures each format holds are taken.
TEST(Options, FormatLimitsTaken) {
  const std::vector<std::string> cases[] = {
      {"--picture", "a.png", "--size", "8191x8191", "--scale", "4"},
      {"--frames", "d", "--size", "16383x1", "--scale", "2"},
      {"--picture", "a.pdf", "--size", "3600x3", "--scale", "4"},
      {"--picture", "a.svg", "--size", "16384x16384", "--scale", "4"},
  };
  for (const auto& args : cases) EXPECT_TRUE(Parse(args).ok) << Describe(args) << ": " << Parse(args).error;
}

// One table for the command line and a URL query: every name the command line takes
// is taken as a query's name=value pair too, to the same options.
TEST(Options, EveryOptionInBothSyntaxes) {
  for (const driver::OptionRow& row : driver::OptionTable()) {
    for (const bool negated : {false, true}) {
      if (negated && row.kind != driver::Kind::Show) continue;
      const std::string name = (negated ? "no-" : "") + std::string(row.name);
      // A good value of each kind, and what is needed beside it on a command line.
      std::optional<std::string> value;
      if (row.value != nullptr) value = row.kind == driver::Kind::Integer ? std::to_string(row.high) : "";
      const std::pair<driver::Kind, const char*> samples[] = {
          {driver::Kind::Shade, "grey"}, {driver::Kind::WindowId, "0x400008"}, {driver::Kind::File, "a.svg"},
          {driver::Kind::Size, "640x480"}, {driver::Kind::Time, "2021-03-04T05:06:07Z"},
          {driver::Kind::Triangle, "1,2,3,4,5,6"}};
      for (const auto& [kind, sample] : samples)
        if (row.kind == kind) value = sample;
      std::vector<std::string> args = {"--" + name};
      if (value) args.push_back(*value);
      if (row.group == driver::Group::Picture) args.insert(args.begin(), {"--picture", "b.png"});
      const Parsed line = Parse(args);
      const Parsed query = driver::ParseArguments({{name, value, ""}}, driver::kQuery);
      ASSERT_TRUE(line.ok) << Describe(args) << ": " << line.error;
      ASSERT_TRUE(query.ok) << name << ": " << query.error;
      const driver::Options &a = line.options, &b = query.options;
      EXPECT_TRUE(a.Given(row.name) && b.Given(row.name)) << name;
      EXPECT_EQ(a.flags, b.flags) << name;
      EXPECT_EQ(std::tuple(a.background, a.intervalMs, a.windowId, a.width, a.height, a.second, a.step, a.scale),
                std::tuple(b.background, b.intervalMs, b.windowId, b.width, b.height, b.second, b.step, b.scale))
          << name;
    }
  }
}

// A page's query: its parameters' values, and one line naming a bad one as it was
// written there.
TEST(Options, QueryPairs) {
  const Parsed p = driver::ParseArguments({{"background", "white", ""},
                                            {"interval", "500", ""},
                                            {"no-excircles", std::nullopt, ""},
                                            {"time", "2021-03-04T05:06:07Z", ""},
                                            {"step", "3", ""},
                                            {"scale", "2", ""}},
                                           driver::kQuery);
  ASSERT_TRUE(p.ok) << p.error;
  EXPECT_EQ(0, p.options.background);
  EXPECT_EQ(500, p.options.intervalMs);
  EXPECT_EQ(0, p.options.flags[6]);
  EXPECT_EQ(1614834367, p.options.second);
  EXPECT_EQ(3, p.options.step);
  EXPECT_EQ(2, p.options.scale);
  EXPECT_EQ(Mode::Window, p.options.mode);

  struct Case {
    std::vector<driver::Argument> query;
    const char* error;
  };
  const Case cases[] = {
      {{{"interval", "20", ""}}, "falscher Wert für interval: '20' (500 bis 5000 Millisekunden)"},
      {{{"interval", std::nullopt, ""}}, "interval braucht einen Wert"},
      {{{"no-excircles", "", ""}}, "no-excircles nimmt keinen Wert"},
      {{{"step", "3", ""}, {"bogus", "1", ""}}, "unbekannter Parameter 'bogus=1'"},
      {{{"bogus", "1", "bogus=%31"}}, "unbekannter Parameter 'bogus=%31'"},
      {{{"", "abc", "=abc"}}, "unerwarteter Parameter '=abc'"},
      {{{"time", "2021-03-04T05:06:07Z", ""}, {"triangle", "1,2,3,4,5,6", ""}}, "time und triangle gehen nicht zusammen"},
      {{{"picture", "a.png", ""}, {"size", "16384x10", ""}, {"scale", "2", ""}},
       "size 16384x10 scale 2 sind 32768x20 Pixel: ein PNG-Bild hat höchstens 32767 Pixel je Seite"},
      {{{"picture", "a.pdf", ""}, {"size", "2x100", ""}},
       "size 2x100 ist eine Seite von 2x100 Punkten: eine PDF-Seite hat 3 bis 14400 Punkte je Seite"},
      {{{"background", "pink", ""}}, "falscher Wert für background: 'pink' (white, light-grey, grey, dark-grey oder black)"},
      {{{"size", "0x10", ""}}, "falscher Wert für size: '0x10' (BxH, je 1 bis 16384 Pixel)"},
      {{{"step", "11", ""}}, "falscher Wert für step: '11' (0 bis 10)"},
      {{{"window-id", "0", ""}}, "falscher Wert für window-id: '0' (eine Fensternummer, dezimal oder 0x-hex)"},
      {{{"triangle", "1,2", ""}}, "falscher Wert für triangle: '1,2' (sechs ganze Zahlen AX,AY,BX,BY,CX,CY)"},
      {{{"time", "2021-02-29 12:00:00", ""}},
       "falscher Wert für time: '2021-02-29 12:00:00' (JJJJ-MM-TT HH:MM:SS oder JJJJ-MM-TTTHH:MM:SSZ, UTC, ab 1970)"},
      {{{"picture", "a.gif", ""}}, "'a.gif' nennt kein Format: der Name endet auf .png, .svg oder .pdf"},
      {{{"frames", "d", ""}, {"step", "3", ""}}, "step braucht picture: frames schreibt jeden Schritt"},
      {{{"explore", std::nullopt, ""}, {"step", "8", ""}}, "explore nimmt step 0 bis 7"},
      {{{"root", std::nullopt, ""}, {"fullscreen", std::nullopt, ""}}, "fullscreen geht nicht zusammen mit root"},
      // A zero byte in the address (%00) is part of what was written, not its end.
      {{{"interval", std::string("600\0abc", 7), ""}},
       "falscher Wert für interval: '600\\x00abc' (500 bis 5000 Millisekunden)"},
      {{{"background", std::string("white\0", 6), ""}},
       "falscher Wert für background: 'white\\x00' (white, light-grey, grey, dark-grey oder black)"},
      {{{std::string("no-excircles\0xyz", 16), std::nullopt, "no-excircles%00xyz"}},
       "unbekannter Parameter 'no-excircles%00xyz'"},
  };
  for (const Case& c : cases) {
    const Parsed q = driver::ParseArguments(c.query, driver::kQuery);
    EXPECT_FALSE(q.ok) << c.error;
    EXPECT_EQ(c.error, q.error);
  }
}

// The page's address refuses what the command line refuses, each in its own words; only
// what the page's screen gives a meaning without a picture (its size, time, triangle,
// step and scale) it takes alone.
TEST(Options, TheQueryRefusesWhatTheCommandLineRefuses) {
  struct Case {
    std::vector<driver::Argument> query;
    const char* line;   // the command line's refusal
    const char* query_;  // the address's
  };
  const Case cases[] = {
      {{{"explore", std::nullopt, ""}, {"interval", "600", ""}},
       "--interval cannot be combined with --explore: the explorer has no ticks",
       "interval geht nicht zusammen mit explore: das Erkunden hat keine Takte"},
      {{{"picture", "x.png", ""}, {"interval", "600", ""}},
       "--interval cannot be combined with --picture: pictures have no time between ticks",
       "interval geht nicht zusammen mit picture: ein Bild hat keine Zeit zwischen Takten"},
      {{{"interval", "600", ""}, {"frames", "x", ""}},
       "--interval cannot be combined with --frames: pictures have no time between ticks",
       "interval geht nicht zusammen mit frames: ein Bild hat keine Zeit zwischen Takten"},
      {{{"explore", std::nullopt, ""}, {"picture", "a.png", ""}}, "--picture cannot be combined with --explore",
       "picture geht nicht zusammen mit explore"},
      {{{"interval", "20", ""}}, "bad value for --interval: '20' (500 to 5000 milliseconds)",
       "falscher Wert für interval: '20' (500 bis 5000 Millisekunden)"},
      {{{"size", "640x480", ""}}, "--size, --time, --triangle, --step and --scale need --picture or --frames", nullptr},
      {{{"scale", "2", ""}, {"explore", std::nullopt, ""}}, "--size and --scale need --picture or --frames", nullptr},
  };
  for (const Case& c : cases) {
    std::vector<std::string> args;
    for (const driver::Argument& a : c.query) {
      args.push_back("--" + a.name);
      if (a.value) args.push_back(*a.value);
    }
    const Parsed line = Parse(args);
    const Parsed query = driver::ParseArguments(c.query, driver::kQuery);
    EXPECT_EQ(c.line, line.error) << Describe(args);
    EXPECT_EQ(c.query_ != nullptr ? c.query_ : "", query.error) << Describe(args) << " as a query";
  }
}

// The page's usage: its own German words for every row, each option as name=VALUE.
TEST(Options, QueryUsageInGerman) {
  const std::string usage = driver::Usage(driver::kQuery);
  const std::pair<const char*, const char*> lines[] = {
      {"interval", "\n  interval=MS             Millisekunden zwischen zwei Takten, 500 bis 5000\n"
                   "                          (2000)\n"},
      {"medians", "\n  [no-]medians            die Schwerlinien und der Schwerpunkt (an)\n"},
      {"background", "\n  background=FARBTON      der Hintergrund: white, light-grey, grey, dark-grey\n"
                     "                          oder black (black)\n"},
      {"size", "\n  size=BxH                der Bildschirm in Pixeln, wie groß das Fenster auch\n"
               "                          ist, je 1 bis 16384 (das Fenster)\n"},
      {"step, held only when given", "\n  step=N                  das Bild nach dem Takt des Schritts N halten, 0 bis 10\n"
                                     "  scale=K "},
      // Wrapped at 80 characters, not bytes: ä and ü are two bytes of UTF-8 each.
      {"triangle", "\n                          die Ecken jedes Zyklus statt eines zufälligen Dreiecks\n"},
      {"scale", "\n  scale=K                 K mal K Pixel des Bildschirms für jeden Pixel, 1 bis 4\n"
                "                          (1)\n"},
      {"head", "Die Adresse nimmt diese Optionen bei ihren Namen, ohne Striche, z. B.\n"
               "?background=white&interval=500&no-excircles\n"},
  };
  for (const auto& [what, line] : lines) EXPECT_NE(std::string::npos, usage.find(line)) << what << "\n" << usage;
  // Every row in the page's words: none of the command line's English help is left.
  for (const driver::OptionRow& row : driver::OptionTable())
    EXPECT_EQ(std::string::npos, usage.find(row.help)) << row.name << " is described in English: " << row.help;
  for (const driver::RowWords& said : driver::kGerman.rows) {
    bool found = false;
    for (const driver::OptionRow& row : driver::OptionTable()) found = found || said.name == std::string(row.name);
    EXPECT_TRUE(found) << said.name << " is no row of the table";
  }
  EXPECT_EQ(driver::Usage(), driver::Usage(driver::kCommandLine)) << "the command line's usage is the one --help shows";
}

// --help lists every row of the table with its value; ranges and defaults come from
// the settings.
TEST(Options, UsageFollowsTheTable) {
  const std::string usage = driver::Usage();
  for (const driver::OptionRow& row : driver::OptionTable()) {
    std::string head = std::string("\n  --") + (row.kind == driver::Kind::Show ? "[no-]" : "") + row.name;
    if (row.value != nullptr) head += std::string(" ") + row.value;
    EXPECT_TRUE(usage.find(head + " ") != std::string::npos || usage.find(head + "\n") != std::string::npos) << head;
  }
  EXPECT_NE(std::string::npos, usage.find("  --interval MS           milliseconds between ticks, 500 to 5000 (2000)\n"))
      << usage;
  EXPECT_EQ('\n', usage.back());
}

}  // namespace
