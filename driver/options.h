// The options of the Linux program and of the page: where it draws (a window of its
// own, the whole screen, a window it is given, or a picture), the settings the Windows
// dialog offers, and the picture's size, moment and scale. One table describes every
// option; the command line, --help, the man page (frontends/linux/manual.cpp) and the
// checks of XScreenSaver's option description all follow it, and the page reads its
// URL query with the same table as name=value pairs (platform/web and frontends/page).
#pragma once

#include <array>
#include <cstdint>
#include <ctime>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "driver/words.h"
#include "platform/cairo/limits.h"
#include "shell/shell.h"

namespace driver {

enum class Mode { Window, FullScreen, Saver, Root, WindowId, Explore, Picture, Frames, Help, Version };
enum class Format { Png, Svg, Pdf };  // of a picture, by its file's extension

struct Options {
  static constexpr int kDefaultWidth = 1920, kDefaultHeight = 1080;
  static constexpr int kDefaultStep = kStepLastConstruction;
  static constexpr int kDefaultScale = 1;

  Mode mode = Mode::Window;
  // The settings, kNotGiven where not given: the constructions in the order of
  // kConstructions, the background shade (0 white .. 4 black) and the interval.
  static constexpr int kNotGiven = -1;
  std::array<int, kConstructionCount> flags = NoFlags();
  int background = kNotGiven;
  int intervalMs = kNotGiven;
  uint32_t windowId = 0;     // --window-id
  std::string path;          // --picture FILE or --frames DIR
  Format format = Format::Png;
  int width = kDefaultWidth;  // --size
  int height = kDefaultHeight;
  bool timeGiven = false;    // --time, seconds since 1970 (UTC)
  int64_t second = 0;
  bool triangleGiven = false;
  int32_t triangle[6] = {};  // ax, ay, bx, by, cx, cy
  int step = kDefaultStep;
  int scale = kDefaultScale;
  uint32_t given = 0;        // bit i: the option of row i of OptionTable() was given

  // Whether the option of that name (without dashes) was given.
  bool Given(std::string_view name) const;
  // --triangle's six numbers as the corners A, B and C.
  void Corners(Point corners[3]) const {
    for (int i = 0; i < 3; ++i) corners[i] = {triangle[2 * i], triangle[2 * i + 1]};
  }
  // Every construction's flag not given.
  static constexpr std::array<int, kConstructionCount> NoFlags() {
    std::array<int, kConstructionCount> flags{};
    flags.fill(kNotGiven);
    return flags;
  }
};

// What the pictures' formats can hold, in pixels (or PDF points) a side, the scale
// included: a PNG picture is drawn on a Cairo image surface (cairo_canvas::
// kImageSideMax); a PDF page is
// 3 to 14400 units of 1/72 inch a side (the PDF reference's implementation limits); an
// SVG has no limit of its own.
constexpr int kImageSideMax = cairo_canvas::kImageSideMax;
constexpr int kPdfSideMin = 3;
constexpr int kPdfSideMax = 14400;

// The table. Each row is one option: its name, the value it takes, where --help and
// the man page list it and what they say, and what it sets.
enum class Group { Where, What, Picture, Other };  // the headings of --help and the man page
enum class Kind {
  Mode,      // no value: where it draws, or --help / --version
  Show,      // no value, and a no- form: one construction on or off
  Shade,     // one of kShadeNames
  Integer,   // decimal, within [low, high]
  WindowId,  // decimal or 0x-hex, not 0, at most 32 bits
  File,      // a file (--picture, whose extension names the format) or folder (--frames)
  Size,      // WxH, each within [low, high]
  Time,      // a UTC second
  Triangle,  // six integers
};
struct OptionRow {
  const char* name;         // without dashes
  Kind kind;
  Group group;
  const char* value;        // the value's name in --help and the man page; nullptr: takes none
  const char* help;         // what it does, for --help and the man page
  const char* more;         // a further sentence or two for the man page (troff), or nullptr
  Mode mode = Mode::Window;  // Mode and File rows, and --window-id: what it selects
  int show = -1;            // Show rows: the construction, in the order of kConstructions
  int Options::*field = nullptr;  // Integer rows: what it sets
  int low = 0, high = 0;    // Integer and Size rows: the range
  int fallback = 0;         // Integer rows: the default --help and the man page name
  const char* unit = nullptr;  // Integer rows: the unit the messages name, or nullptr
  const char* valueHelp = nullptr;  // what a bad value should have been, when not a range
  bool explore = false;     // Picture rows: --explore takes it too
};

std::span<const OptionRow> OptionTable();
// The row of `name`, or null; *negated when `name` is the no- form of a construction.
const OptionRow* FindRow(std::string_view name, bool* negated);
constexpr int kShadeCount = 5;  // the background shades, 0 white .. 4 black
extern const char* const kShadeNames[kShadeCount];  // --background

// How --help and the man page describe a row's values: its range or choices
// (", 500 to 5000", ": white, light-grey, grey, dark-grey or black") and its default
// ("2000", "black", "on", "now"); "" where it has none. In `words`' language.
std::string RangeText(const OptionRow& row, const Words& words = kEnglish);
std::string DefaultText(const OptionRow& row, const Words& words = kEnglish);

// One option as a name and maybe a value: a word of a command line, or a name=value
// pair of a URL query.
struct Argument {
  std::string name;                  // without dashes; empty for a word that is no option
  std::optional<std::string> value;  // after '=', or the next word of a command line
  std::string written;               // as given, for the message about a word not known
};

// How arguments are read: messages name options with `dashes` in front ("--" on a
// command line, nothing in a URL query), in the language of `words`; with
// `picturesOnly`, --size, --time, --triangle, --step and --scale are refused without
// --picture or --frames (--time, --triangle and --step are taken with --explore too).
struct Syntax {
  const char* dashes;
  bool picturesOnly;
  const Words* words;
};
constexpr Syntax kCommandLine = {"--", true, &kEnglish};
constexpr Syntax kQuery = {"", false, &kGerman};  // the page's address

// The outcome of reading options: the options, or one line naming what is wrong.
struct Parsed {
  bool ok = false;
  std::string error;
  Options options;
};

// Reads the arguments in order, each by its row of the table; the first mistake is
// reported wherever it is. With --help or --version (the first of them given) that is
// the mode, and the rules for options together are not applied: nothing runs that
// they could contradict.
Parsed ParseArguments(const std::vector<Argument>& arguments, Syntax syntax);

// The words of argv[1..argc-1] as arguments: an option takes one or two dashes, and
// its value after '=' or, for one that takes a value, as the next word.
std::vector<Argument> SplitCommandLine(int argc, const char* const* argv);

// The command line: ParseArguments(SplitCommandLine(argc, argv), kCommandLine).
Parsed ParseOptions(int argc, const char* const* argv);

// The usage text, from the table, ending in a newline: the command line's, or that of
// another syntax (a query's lists name=VALUE).
const std::string& Usage();
std::string Usage(const Syntax& syntax);

// Reads "YYYY-MM-DD HH:MM:SS" or "YYYY-MM-DDTHH:MM:SSZ" as a UTC second from 1970 on;
// false when it is not one.
bool ParseUtcSecond(const std::string& text, int64_t* seconds);

// Reads a window id: decimal, or hexadecimal after 0x; not 0, at most 32 bits.
bool ParseWindowId(const std::string& text, uint32_t* out);

// Text from the user or the file system as a message shows it: in single quotes, with
// control characters (and DEL) as \xNN so that the message stays one line and the
// terminal stays as it was.
std::string Quoted(const std::string& text);

}  // namespace driver
