// The option table: every option of the Linux program and of the page, once, in the
// order --help and the man page list them; the constructions' rows come from the
// program's table of them.
#include "driver/options.h"

#include <cstring>
#include <memory>
#include <utility>

#include "settings/settings.h"

namespace driver {

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
     .more = "@TRIANGLE@ is the bare triangle, @FIRST_TO_LAST@ add the constructions in the order listed above, "
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
// @TRIANGLE@, @FIRST_TO_LAST@ ("1 to 7"), @LAST@, @QUIET@ ("8 and 9"), @ERASE@ and @KEYS@
// (the explorer's number keys).
const char* WithSteps(const char* text) {
  static std::vector<std::unique_ptr<std::string>> made;
  if (text == nullptr || std::strchr(text, '@') == nullptr) return text;
  const std::string first = std::to_string(kStepFirstConstruction), last = std::to_string(kStepLastConstruction);
  const std::pair<const char*, std::string> names[] = {
      {"@TRIANGLE@", std::to_string(kStepTriangle)},
      {"@FIRST_TO_LAST@", first + " to " + last},
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

}  // namespace

const OptionRow* FindRow(std::string_view name, bool* negated) {
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

bool Options::Given(std::string_view name) const {
  for (size_t i = 0; i < Table().size(); ++i)
    if (name == Table()[i].name) return (given >> i) & 1;
  return false;
}

std::span<const OptionRow> OptionTable() { return Table(); }

}  // namespace driver
