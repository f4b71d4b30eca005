#include "driver/options.h"

#include <cstring>
#include <memory>
#include <utility>

#include "settings/settings.h"

namespace dreieck {

const char* const kShadeNames[kShadeCount] = {"white", "light-grey", "grey", "dark-grey", "black"};

namespace {

constexpr int kSideMax = 16384;  // of the screen the figures reckon with

// Every option, in the order --help and the man page list them: where it draws, the
// constructions (made of kConstructions), then the rest.
const OptionRow kWhereRows[] = {
    {.name = "fullscreen", .kind = Kind::Mode, .group = Group::Where, .value = nullptr,
     .help = "cover the whole screen (the explorer's too, with --explore)",
     .more = "A mouse button, \\fBq\\fP or \\fBEscape\\fP ends it.",
     .mode = Mode::FullScreen},
    {.name = "saver", .kind = Kind::Mode, .group = Group::Where, .value = nullptr,
     .help = "the screensaver: cover every screen until a key, a button or the pointer moves",
     .more = "On Wayland every output gets a surface of its own on the overlay layer (where the compositor "
             "has no layer shell, a full-screen window on it), each drawing its own cycle at its own size; "
             "outputs that come or go while it runs are covered or left. On X11 it covers the screen. A key, "
             "a mouse button, the pointer moved by more than 8 pixels, \\fBSIGTERM\\fP and \\fBSIGHUP\\fP "
             "end it with 0. It is no screen locker: it locks nothing, and a locker started after it shows "
             "above it.",
     .mode = Mode::Saver},
    {.name = "root", .kind = Kind::Mode, .group = Group::Where, .value = nullptr,
     .help = "draw on the root window (or on $XSCREENSAVER_WINDOW)",
     .more = "This is how \\fBxscreensaver\\fP(1) runs it.", .mode = Mode::Root},
    {.name = "window-id", .kind = Kind::WindowId, .group = Group::Where, .value = "ID",
     .help = "draw into the window ID (decimal or 0x-hex)", .more = nullptr, .mode = Mode::WindowId,
     .valueHelp = "a window id, decimal or 0x-hex"},
    {.name = "explore", .kind = Kind::Mode, .group = Group::Where, .value = nullptr,
     .help = "explore one triangle in a window of its own: drag its corners, step with the arrow keys",
     .more = "It opens on the triangle of \\fB\\-\\-triangle\\fP or \\fB\\-\\-time\\fP (else a random one) at "
             "\\fB\\-\\-step\\fP, with the line of keys at the top for a few seconds. A pointer pressed within 8 "
             "pixels of a corner takes it, and the picture follows it. \\fBLeft\\fP and \\fBRight\\fP step "
             "back and forth through the cycle, \\fBSpace\\fP places a new random triangle, @KEYS@ "
             "switch a construction on or off, \\fBs\\fP saves the picture as "
             "\\fIdreieck\\-YYYYMMDD\\-HHMMSS.png\\fP in the working directory and names it on standard error "
             "with the options that draw it again, \\fBEscape\\fP or \\fBq\\fP ends it. With "
             "\\fB\\-\\-fullscreen\\fP it covers the whole screen, and its pictures are those of a screen of "
             "that size.",
     .mode = Mode::Explore},
    {.name = "picture", .kind = Kind::File, .group = Group::Where, .value = "FILE",
     .help = "write one picture: FILE.png, FILE.svg or FILE.pdf",
     .more = "The extension, in any case, chooses the format. The file is written whole or not at all; "
             "one it replaces keeps its mode (and owner, where permitted), and a symbolic link of that "
             "name is replaced by the picture, not followed.",
     .mode = Mode::Picture},
    {.name = "frames", .kind = Kind::File, .group = Group::Where, .value = "DIR",
     .help = "write DIR/tick-00.png ... one PNG per tick of a cycle",
     .more = "It prints how many it wrote. Afterwards \\fIDIR\\fP holds the ticks of this cycle only: "
             "tick\\-NN.png files of a longer cycle are removed, nothing else there is touched. The ticks "
             "take their names together at the end, so that an interrupted run leaves the earlier cycle whole.",
     .mode = Mode::Frames},
};

const OptionRow kOtherRows[] = {
    {.name = "background", .kind = Kind::Shade, .group = Group::What, .value = "SHADE",
     .help = "the background", .more = nullptr},
    {.name = "interval", .kind = Kind::Integer, .group = Group::What, .value = "MS",
     .help = "milliseconds between ticks", .more = nullptr, .field = &Options::intervalMs,
     .low = kIntervalMinMs, .high = kIntervalMaxMs, .fallback = kDefaultIntervalMs, .unit = "milliseconds"},

    {.name = "size", .kind = Kind::Size, .group = Group::Picture, .value = "WxH",
     .help = "the size in pixels", .more = "It is the screen the figures are placed on as well.",
     .low = 1, .high = kSideMax},
    {.name = "time", .kind = Kind::Time, .group = Group::Picture, .value = "WHEN",
     .help = "the second (UTC) the triangle comes from: 'YYYY-MM-DD HH:MM:SS' or YYYY-MM-DDTHH:MM:SSZ",
     .more = "The same second on a screen of the same size always gives the same triangle, the one "
             "the savers draw then.",
     .valueHelp = "YYYY-MM-DD HH:MM:SS or YYYY-MM-DDTHH:MM:SSZ, UTC, from 1970 on", .explore = true},
    {.name = "triangle", .kind = Kind::Triangle, .group = Group::Picture, .value = "AX,AY,BX,BY,CX,CY",
     .help = "the corners instead of a random triangle", .more = "Not together with \\fB\\-\\-time\\fP.",
     .valueHelp = "six integers AX,AY,BX,BY,CX,CY", .explore = true},
    {.name = "step", .kind = Kind::Integer, .group = Group::Picture, .value = "N",
     .help = "the picture after the tick of step N",
     .more = "@TRIANGLE@ is the bare triangle, @CONSTRUCTIONS@ add the constructions in the order listed above, "
             "@QUIET@ add nothing, and @ERASE@ is the erased screen with the caption. The default shows every "
             "construction. With \\fB\\-\\-picture\\fP, or with \\fB\\-\\-explore\\fP from @TRIANGLE@ to "
             "@LAST@.",
     .field = &Options::step, .low = kStepTriangle, .high = kStepErase, .fallback = Options::kDefaultStep, .explore = true},
    {.name = "scale", .kind = Kind::Integer, .group = Group::Picture, .value = "K",
     .help = "K times the pixels in each direction", .more = nullptr, .field = &Options::scale, .low = 1,
     .high = 4, .fallback = Options::kDefaultScale},

    {.name = "help", .kind = Kind::Mode, .group = Group::Other, .value = nullptr, .help = "show the usage and end",
     .more = nullptr, .mode = Mode::Help},
    {.name = "version", .kind = Kind::Mode, .group = Group::Other, .value = nullptr,
     .help = "show the version and end", .more = nullptr, .mode = Mode::Version},
};
static_assert(std::size(kWhereRows) + kConstructionCount + std::size(kOtherRows) <= 32,
              "Options::given has a bit for each row");

// A text of the table with the cycle's steps and keys put in where it names them:
// @TRIANGLE@, @CONSTRUCTIONS@ ("1 to 7"), @LAST@, @QUIET@ ("8 and 9"), @ERASE@ and @KEYS@
// (the explorer's number keys).
const char* WithSteps(const char* text) {
  static std::vector<std::unique_ptr<std::string>> made;
  if (text == nullptr || std::strchr(text, '@') == nullptr) return text;
  const std::string first = std::to_string(kStepFirstConstruction), last = std::to_string(kStepLastConstruction);
  const std::pair<const char*, std::string> names[] = {
      {"@TRIANGLE@", std::to_string(kStepTriangle)},
      {"@CONSTRUCTIONS@", first + " to " + last},
      {"@LAST@", last},
      {"@QUIET@", std::to_string(kStepFirstQuiet) + " and " + std::to_string(kStepSecondQuiet)},
      {"@ERASE@", std::to_string(kStepErase)},
      {"@KEYS@", "\\fB1\\fP to \\fB" + std::to_string(kConstructionCount) + "\\fP"},
  };
  std::string out = text;
  for (const auto& [name, value] : names)
    for (size_t at = out.find(name); at != std::string::npos; at = out.find(name, at + value.size()))
      out.replace(at, std::strlen(name), value);
  made.push_back(std::make_unique<std::string>(out));
  return made.back()->c_str();
}

const std::vector<OptionRow>& Table() {
  static const std::vector<OptionRow> table = [] {
    std::vector<OptionRow> rows(std::begin(kWhereRows), std::end(kWhereRows));
    for (int i = 0; i < kConstructionCount; ++i)
      rows.push_back({.name = kConstructions[i].option, .kind = Kind::Show, .group = Group::What, .value = nullptr,
                      .help = kConstructions[i].help, .more = nullptr, .show = i});
    rows.insert(rows.end(), std::begin(kOtherRows), std::end(kOtherRows));
    for (OptionRow& row : rows) row.more = WithSteps(row.more);
    return rows;
  }();
  return table;
}

// The row of `name`; *negated when it is the no- form of a construction.
const OptionRow* Find(std::string_view name, bool* negated) {
  *negated = false;
  if (name.starts_with("no-")) {
    for (const OptionRow& row : Table())
      if (row.kind == Kind::Show && name.substr(3) == row.name) return *negated = true, &row;
    return nullptr;
  }
  for (const OptionRow& row : Table())
    if (name == row.name) return &row;
  return nullptr;
}

// Decimal digits, within [low, high]; a sign only where the range has negative numbers.
bool ParseInt(const std::string& text, int64_t low, int64_t high, int64_t* out) {
  size_t i = 0;
  bool negative = false;
  if (low >= 0 && !text.empty() && (text[0] == '-' || text[0] == '+')) return false;
  if (i < text.size() && (text[i] == '-' || text[i] == '+')) negative = text[i++] == '-';
  if (i == text.size()) return false;
  int64_t value = 0;
  for (; i < text.size(); ++i) {
    if (text[i] < '0' || text[i] > '9') return false;
    value = value * 10 + (text[i] - '0');
    if (value > 4000000000) return false;
  }
  if (negative) value = -value;
  if (value < low || value > high) return false;
  *out = value;
  return true;
}

bool ParseSize(const std::string& text, int low, int high, int* width, int* height) {
  const size_t x = text.find('x');
  if (x == std::string::npos) return false;
  int64_t w, h;
  const std::string ws = text.substr(0, x), hs = text.substr(x + 1);
  // Digits only: no signs.
  for (const std::string& part : {ws, hs})
    if (part.empty() || part[0] == '-' || part[0] == '+') return false;
  if (!ParseInt(ws, low, high, &w) || !ParseInt(hs, low, high, &h)) return false;
  *width = static_cast<int>(w);
  *height = static_cast<int>(h);
  return true;
}

bool ParseTriangle(const std::string& text, int32_t out[6]) {
  size_t start = 0;
  for (int i = 0; i < 6; ++i) {
    const size_t comma = text.find(',', start);
    if ((i < 5) != (comma != std::string::npos)) return false;
    int64_t v;
    if (!ParseInt(text.substr(start, comma == std::string::npos ? std::string::npos : comma - start), INT32_MIN,
                  INT32_MAX, &v))
      return false;
    out[i] = static_cast<int32_t>(v);
    start = comma + 1;
  }
  return true;
}

int64_t DaysFromCivil(int64_t y, int64_t m, int64_t d) {
  y -= m <= 2;
  const int64_t era = (y >= 0 ? y : y - 399) / 400;
  const int64_t yoe = y - era * 400;
  const int64_t doy = (153 * (m + (m > 2 ? -3 : 9)) + 2) / 5 + d - 1;
  const int64_t doe = yoe * 365 + yoe / 4 - yoe / 100 + doy;
  return era * 146097 + doe - 719468;
}

// "a, b, c, d or e"
std::string ShadeList() {
  std::string out;
  for (int s = 0; s < kShadeCount; ++s)
    out += std::string(s == 0 ? "" : s == kShadeCount - 1 ? " or " : ", ") + kShadeNames[s];
  return out;
}

}  // namespace

std::string RangeText(const OptionRow& row) {
  switch (row.kind) {
    case Kind::Shade:
      return ": " + ShadeList();
    case Kind::Integer:
      return ", " + std::to_string(row.low) + " to " + std::to_string(row.high);
    case Kind::Size:
      return ", " + std::to_string(row.low) + " to " + std::to_string(row.high) + " each";
    default:
      return "";
  }
}

std::string DefaultText(const OptionRow& row) {
  switch (row.kind) {
    case Kind::Show:
      return kDefaultShow ? "on" : "off";
    case Kind::Shade:
      return kShadeNames[kDefaultBackground];
    case Kind::Integer:
      return std::to_string(row.fallback);
    case Kind::Size:
      return std::to_string(Options::kDefaultWidth) + "x" + std::to_string(Options::kDefaultHeight);
    case Kind::Time:
      return "now";
    default:
      return "";
  }
}

namespace {

// What a bad value of the row should have been, as the message says it in brackets.
std::string ValueHelp(const OptionRow& row) {
  switch (row.kind) {
    case Kind::Integer:
      return std::to_string(row.low) + " to " + std::to_string(row.high) +
             (row.unit != nullptr ? std::string(" ") + row.unit : "");
    case Kind::Size:
      return "WxH, " + std::to_string(row.low) + " to " + std::to_string(row.high) + " pixels each";
    case Kind::Shade:
      return ShadeList();
    default:
      return row.valueHelp != nullptr ? row.valueHelp : "";
  }
}

// Reads one argument into the options; an error line, or "" when it was taken.
class Reader {
 public:
  Reader(Options* options, Syntax syntax) : o_(*options), dashes_(syntax.dashes), picturesOnly_(syntax.picturesOnly) {}

  std::string Take(const Argument& a) {
    if (a.name.empty()) return "unexpected argument " + Quoted(a.written);
    bool negated;
    const OptionRow* row = Find(a.name, &negated);
    if (row == nullptr) {
      const std::string written = a.written.empty() ? dashes_ + a.name + (a.value ? "=" + *a.value : "") : a.written;
      return "unknown option " + Quoted(written);
    }
    const std::string option = dashes_ + a.name;
    if (row->value == nullptr && a.value) return option + " takes no value";
    if (row->value != nullptr && !a.value) return option + " needs a value";
    o_.given |= 1u << (row - Table().data());
    const std::string value = a.value.value_or("");
    const std::string hint = ValueHelp(*row);
    const std::string bad = "bad value for " + option + ": " + Quoted(value) + (hint.empty() ? "" : " (" + hint + ")");
    int64_t n;
    switch (row->kind) {
      case Kind::Mode:
        if (row->mode == Mode::Help || row->mode == Mode::Version) {
          if (shows_ == Mode::Window) shows_ = row->mode;  // the first of them
          return "";
        }
        return Select(*row);
      case Kind::Show:
        o_.flags[row->show] = negated ? 0 : 1;
        return "";
      case Kind::Shade:
        for (int s = 0; s < kShadeCount; ++s)
          if (value == kShadeNames[s]) return o_.background = s, "";
        return bad;
      case Kind::Integer:
        if (!ParseInt(value, row->low, row->high, &n)) return bad;
        o_.*row->field = static_cast<int>(n);
        return "";
      case Kind::WindowId:
        if (!ParseWindowId(value, &o_.windowId)) return bad;
        return Select(*row);
      case Kind::File:
        if (value.empty()) return bad;
        if (std::string error = Select(*row); !error.empty()) return error;
        o_.path = value;
        if (row->mode == Mode::Picture) return PictureFormat(value);
        return "";
      case Kind::Size:
        return ParseSize(value, row->low, row->high, &o_.width, &o_.height) ? "" : bad;
      case Kind::Time:
        if (!ParseUtcSecond(value, &o_.second)) return bad;
        o_.timeGiven = true;
        return "";
      case Kind::Triangle:
        if (!ParseTriangle(value, o_.triangle)) return bad;
        o_.triangleGiven = true;
        return "";
    }
    return "";
  }

  // --help or --version, the first of them given; Mode::Window for neither.
  Mode Shows() const { return shows_; }

  // What holds for the options together; an error line or "".
  std::string Finish() const {
    const bool picture = o_.mode == Mode::Picture || o_.mode == Mode::Frames;
    const bool explore = o_.mode == Mode::Explore;
    // --size, --time, --triangle, --step and --scale; --explore takes some of them.
    std::vector<std::string> pictureOnly;
    bool pictureOnlyGiven = false;
    for (const OptionRow& row : Table()) {
      if (row.group != Group::Picture || (explore && row.explore)) continue;
      pictureOnly.push_back(dashes_ + row.name);
      pictureOnlyGiven = pictureOnlyGiven || o_.Given(row.name);
    }
    if (picturesOnly_ && !picture && pictureOnlyGiven) {
      std::string names;
      for (size_t i = 0; i < pictureOnly.size(); ++i)
        names += (i == 0 ? "" : i + 1 == pictureOnly.size() ? " and " : ", ") + pictureOnly[i];
      return names + " need " + dashes_ + "picture or " + dashes_ + "frames";
    }
    if (o_.mode == Mode::Frames && o_.Given("step"))
      return dashes_ + "step needs " + dashes_ + "picture: " + dashes_ + "frames writes every step";
    if (o_.timeGiven && o_.triangleGiven) return dashes_ + "time and " + dashes_ + "triangle cannot be combined";
    if (explore && o_.step > kStepLastConstruction)
      return dashes_ + "explore takes " + dashes_ + "step " + std::to_string(kStepTriangle) + " to " +
             std::to_string(kStepLastConstruction);
    // An option that would do nothing where it draws is refused, not passed over.
    if (picturesOnly_ && (picture || explore) && o_.Given("interval"))
      return dashes_ + "interval cannot be combined with " + dashes_ + selected_ + ": " +
             (explore ? "the explorer has no ticks" : "pictures have no time between ticks");
    if (picture) return Fits();
    return "";
  }

 private:
  // Where it draws: one place only, but XScreenSaver's settings preview passes --root
  // and --window-id together, and then the window it names is the one to draw in; and
  // the explorer may cover the whole screen.
  std::string Select(const OptionRow& row) {
    const Mode mode = row.mode;
    const auto pair = [&](Mode a, Mode b) {
      return (mode == a && o_.mode == b) || (mode == b && o_.mode == a);
    };
    if (selected_ != nullptr && pair(Mode::Root, Mode::WindowId)) {
      o_.mode = Mode::WindowId;
      selected_ = "window-id";
      return "";
    }
    if (selected_ != nullptr && pair(Mode::Explore, Mode::FullScreen)) {
      o_.mode = Mode::Explore;
      selected_ = "explore";
      return "";
    }
    if (selected_ != nullptr && std::strcmp(selected_, row.name) != 0)
      return dashes_ + row.name + " cannot be combined with " + dashes_ + selected_;
    selected_ = row.name;
    o_.mode = mode;
    return "";
  }

  std::string PictureFormat(const std::string& value) {
    const size_t dot = value.rfind('.');
    std::string extension = dot == std::string::npos ? "" : value.substr(dot + 1);
    for (char& c : extension) c = static_cast<char>(c >= 'A' && c <= 'Z' ? c - 'A' + 'a' : c);
    if (value.back() == '/' || (extension != "png" && extension != "svg" && extension != "pdf"))
      return "cannot tell the format of " + Quoted(value) + ": name it .png, .svg or .pdf";
    o_.format = extension == "svg" ? Format::Svg : extension == "pdf" ? Format::Pdf : Format::Png;
    return "";
  }

  // Whether the picture's format can hold it at its size and scale.
  std::string Fits() const {
    const int64_t w = int64_t{o_.width} * o_.scale, h = int64_t{o_.height} * o_.scale;
    std::string what = dashes_ + "size " + std::to_string(o_.width) + "x" + std::to_string(o_.height);
    if (o_.scale != 1) what += " " + dashes_ + "scale " + std::to_string(o_.scale);
    const std::string sides = std::to_string(w) + "x" + std::to_string(h);
    if (o_.mode == Mode::Picture && o_.format == Format::Pdf) {
      if (w > kPdfSideMax || h > kPdfSideMax || w < kPdfSideMin || h < kPdfSideMin)
        return what + " is a page of " + sides + " points: a PDF page is " + std::to_string(kPdfSideMin) +
               " to " + std::to_string(kPdfSideMax) + " points a side";
    } else if (o_.mode == Mode::Frames || o_.format == Format::Png) {
      if (w > kImageSideMax || h > kImageSideMax)
        return what + " is " + sides + " pixels: a PNG picture has at most " + std::to_string(kImageSideMax) +
               " pixels a side";
    }
    return "";
  }

  Options& o_;
  std::string dashes_;
  bool picturesOnly_;
  const char* selected_ = nullptr;  // the option that chose where it draws
  Mode shows_ = Mode::Window;       // see Shows
};

// --help's line of one row: "  --name VALUE" and, from column 26, what it does.
std::string UsageLine(const OptionRow& row) {
  std::string left = std::string("  --") + (row.kind == Kind::Show ? "[no-]" : "") + row.name;
  if (row.value != nullptr) left += std::string(" ") + row.value;
  const std::string fallback = DefaultText(row);
  const std::string right = row.help + RangeText(row) + (fallback.empty() ? "" : " (" + fallback + ")");
  constexpr size_t kColumn = 26;
  left += left.size() + 2 <= kColumn ? std::string(kColumn - left.size(), ' ') : "\n" + std::string(kColumn, ' ');
  // Wrapped at 80 columns, continued under the column.
  std::string out = left;
  size_t at = kColumn;
  size_t start = 0;
  while (start < right.size()) {
    // A word, or a 'quoted text' as one.
    size_t end = right.find(' ', right[start] == '\'' ? right.find('\'', start + 1) : start);
    if (end == std::string::npos) end = right.size();
    const std::string word = right.substr(start, end - start);
    if (at > kColumn && at + 1 + word.size() > 80) {
      out += "\n" + std::string(kColumn, ' ');
      at = kColumn;
    }
    if (at > kColumn) out += ' ', ++at;
    out += word;
    at += word.size();
    start = end + 1;
  }
  return out + "\n";
}

std::string MakeUsage() {
  struct Heading {
    Group group;
    const char* text;
  };
  const Heading headings[] = {
      {Group::Where, "Where it draws (a window of its own when none is given):\n"},
      {Group::What, "What it shows (each construction is on unless switched off):\n"},
      {Group::Picture, "Pictures (--explore takes --time, --triangle and --step too):\n"},
      {Group::Other, ""},
  };
  std::string out =
      "usage: dreieck [OPTION]...\n"
      "Shows the constructions of plane triangle geometry, one per tick: medians,\n"
      "incircle, circumcircle, altitudes, nine-point circle, Euler line, excircles.\n";
  for (const Heading& heading : headings) {
    out += std::string("\n") + heading.text;
    for (const OptionRow& row : Table())
      if (row.group == heading.group) out += UsageLine(row);
    if (heading.group == Group::Picture)
      out += "  Size times scale: a PNG has at most " + std::to_string(kImageSideMax) + " pixels a side, a PDF page " +
             std::to_string(kPdfSideMin) + " to\n  " + std::to_string(kPdfSideMax) +
             " points a side, an SVG no limit. A file is written whole or not at all.\n";
  }
  out +=
      "\n"
      "Every word is checked, whatever comes before it (--help and --version too).\n"
      "One place to draw: --root with --window-id ID draws in ID (xscreensaver-settings\n"
      "passes both), and --explore with --fullscreen explores on the whole screen. An\n"
      "option that would do nothing there is refused: --interval with --picture,\n"
      "--frames or --explore.\n"
      "\n"
      "A mouse button (but in --explore), q, Escape or closing the window ends it;\n"
      "--saver ends at any key and button and at the pointer moved by more than 8\n"
      "pixels. It locks nothing: a screen locker belongs above it.\n"
      "\n"
      "With WAYLAND_DISPLAY set its windows are Wayland surfaces, else X11 windows on\n"
      "DISPLAY; DREIECK_DISPLAY=wayland or DREIECK_DISPLAY=x11 chooses. --root,\n"
      "--window-id and XSCREENSAVER_WINDOW are X11 windows always.\n"
      "Exit status: 0 done, 1 it could not draw or write (no display, no such window,\n"
      "the display lost, a picture or this output not written), 2 a bad command line.\n";
  return out;
}

}  // namespace

bool Options::Given(std::string_view name) const {
  for (size_t i = 0; i < Table().size(); ++i)
    if (name == Table()[i].name) return (given >> i) & 1;
  return false;
}

std::span<const OptionRow> OptionTable() { return Table(); }

const std::string& Usage() {
  static const std::string usage = MakeUsage();
  return usage;
}

std::string Quoted(const std::string& text) {
  std::string out = "'";
  for (char c : text) {
    const unsigned char byte = static_cast<unsigned char>(c);
    if (byte < 0x20 || byte == 0x7F) {
      static const char kHex[] = "0123456789abcdef";
      out += "\\x";
      out += kHex[byte >> 4];
      out += kHex[byte & 15];
    } else {
      out += c;
    }
  }
  return out + "'";
}

bool ParseWindowId(const std::string& text, uint32_t* out) {
  uint64_t value = 0;
  size_t i = 0;
  int base = 10;
  if (text.size() > 2 && text[0] == '0' && (text[1] == 'x' || text[1] == 'X')) {
    base = 16;
    i = 2;
  }
  if (i == text.size()) return false;
  for (; i < text.size(); ++i) {
    const char c = text[i];
    int digit;
    if (c >= '0' && c <= '9') digit = c - '0';
    else if (base == 16 && c >= 'a' && c <= 'f') digit = c - 'a' + 10;
    else if (base == 16 && c >= 'A' && c <= 'F') digit = c - 'A' + 10;
    else return false;
    value = value * static_cast<uint64_t>(base) + static_cast<uint64_t>(digit);
    if (value > 0xFFFFFFFFu) return false;
  }
  if (value == 0) return false;
  *out = static_cast<uint32_t>(value);
  return true;
}

bool ParseUtcSecond(const std::string& text, int64_t* seconds) {
  // Exactly "YYYY-MM-DD HH:MM:SS", or ISO 8601's "YYYY-MM-DDTHH:MM:SSZ".
  static const char kShape[] = "dddd-dd-dd dd:dd:dd";
  const size_t n = sizeof kShape - 1;
  const bool iso = text.size() == n + 1 && text[10] == 'T' && text[n] == 'Z';
  if (text.size() != n && !iso) return false;
  for (size_t i = 0; i < n; ++i) {
    const char expected = iso && i == 10 ? 'T' : kShape[i];
    if (expected == 'd' ? (text[i] < '0' || text[i] > '9') : text[i] != expected) return false;
  }
  auto number = [&](size_t at, size_t count) {
    int64_t v = 0;
    for (size_t i = at; i < at + count; ++i) v = v * 10 + (text[i] - '0');
    return v;
  };
  const int64_t year = number(0, 4), month = number(5, 2), day = number(8, 2);
  const int64_t hour = number(11, 2), minute = number(14, 2), second = number(17, 2);
  static const int kDays[12] = {31, 29, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
  if (year < 1970 || month < 1 || month > 12 || day < 1 || day > kDays[month - 1]) return false;
  const bool leap = (year % 4 == 0 && year % 100 != 0) || year % 400 == 0;
  if (month == 2 && day == 29 && !leap) return false;
  if (hour > 23 || minute > 59 || second > 59) return false;
  *seconds = DaysFromCivil(year, month, day) * 86400 + hour * 3600 + minute * 60 + second;
  return true;
}

std::vector<Argument> SplitCommandLine(int argc, const char* const* argv) {
  std::vector<Argument> out;
  for (int i = 1; i < argc; ++i) {
    Argument a;
    a.written = argv[i];
    if (a.written.size() >= 2 && a.written[0] == '-') {
      a.name = a.written.substr(a.written[1] == '-' ? 2 : 1);
      const size_t equals = a.name.find('=');
      if (equals != std::string::npos) {
        a.value = a.name.substr(equals + 1);
        a.name.resize(equals);
      }
      bool negated;
      const OptionRow* row = Find(a.name, &negated);
      if (!a.value && row != nullptr && row->value != nullptr && i + 1 < argc) a.value = argv[++i];
    }
    out.push_back(std::move(a));
  }
  return out;
}

Parsed ParseArguments(const std::vector<Argument>& arguments, Syntax syntax) {
  Parsed result;
  Reader reader(&result.options, syntax);
  for (const Argument& a : arguments) {
    result.error = reader.Take(a);
    if (!result.error.empty()) return result;
  }
  // With --help or --version nothing runs that options could contradict.
  if (reader.Shows() != Mode::Window) result.options.mode = reader.Shows();
  else result.error = reader.Finish();
  result.ok = result.error.empty();
  return result;
}

Parsed ParseOptions(int argc, const char* const* argv) {
  return ParseArguments(SplitCommandLine(argc, argv), kCommandLine);
}

}  // namespace dreieck
