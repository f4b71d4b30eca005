#include "platform/linux/options.h"

#include <cstring>
#include <initializer_list>

#include "settings/settings.h"

namespace dreieck {

namespace {

// The constructions' option names, in the order of the settings' kShowFlags.
const char* const kFlagNames[7] = {"medians",           "incircle",   "circumcircle", "altitudes",
                                   "nine-point-circle", "euler-line", "excircles"};

const char* const kShades[5] = {"white", "light-grey", "grey", "dark-grey", "black"};

const char kUsage[] =
    "usage: dreieck [OPTION]...\n"
    "Shows the constructions of plane triangle geometry, one per tick: medians,\n"
    "incircle, circumcircle, altitudes, nine-point circle, Euler line, excircles.\n"
    "\n"
    "Where it draws (a window of its own when none is given):\n"
    "  --fullscreen            cover the whole screen\n"
    "  --root                  draw on the root window (or on $XSCREENSAVER_WINDOW)\n"
    "  --window-id ID          draw into the window ID (decimal or 0x-hex)\n"
    "  --picture FILE          write one picture: FILE.png, FILE.svg or FILE.pdf\n"
    "  --frames DIR            write DIR/tick-00.png ... one PNG per tick of a cycle\n"
    "\n"
    "What it shows (each construction is on unless switched off):\n"
    "  --medians, --incircle, --circumcircle, --altitudes, --nine-point-circle,\n"
    "  --euler-line, --excircles            and their --no-... forms\n"
    "  --background SHADE      white, light-grey, grey, dark-grey or black (black)\n"
    "  --interval MS           milliseconds between ticks, 500 to 5000 (2000)\n"
    "\n"
    "Pictures:\n"
    "  --size WxH              size in pixels, 1 to 16384 each (1920x1080)\n"
    "  --time 'YYYY-MM-DD HH:MM:SS'   the second (UTC) the triangle comes from (now)\n"
    "  --triangle AX,AY,BX,BY,CX,CY   the corners instead of a random triangle\n"
    "  --step N                after the tick of step N, 0 to 10 (7: all constructions)\n"
    "  --scale K               K times the pixels, 1 to 4 (1)\n"
    "\n"
    "  --help                  show this and end\n"
    "  --version               show the version and end\n"
    "\n"
    "A mouse button, q, Escape or closing the window ends it. Exit status: 0 done,\n"
    "1 it could not draw (no display, no such window, a file not written), 2 a bad\n"
    "command line.\n";

// Decimal digits only, within [low, high].
bool ParseInt(const std::string& text, int64_t low, int64_t high, int64_t* out) {
  size_t i = 0;
  bool negative = false;
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

// A window id: decimal, or hexadecimal after 0x; not 0, at most 32 bits.
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

bool ParseSize(const std::string& text, int* width, int* height) {
  const size_t x = text.find('x');
  if (x == std::string::npos) return false;
  int64_t w, h;
  const std::string ws = text.substr(0, x), hs = text.substr(x + 1);
  // Digits only: no signs.
  for (const std::string& part : {ws, hs})
    if (part.empty() || part[0] == '-' || part[0] == '+') return false;
  if (!ParseInt(ws, 1, 16384, &w) || !ParseInt(hs, 1, 16384, &h)) return false;
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

// An argument as the error line shows it: in quotes, control characters escaped so
// that the line stays one line and the terminal stays as it was.
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

}  // namespace

const char* Usage() { return kUsage; }

bool ParseUtcSecond(const std::string& text, int64_t* seconds) {
  // Exactly "YYYY-MM-DD HH:MM:SS".
  static const char kShape[] = "dddd-dd-dd dd:dd:dd";
  if (text.size() != sizeof kShape - 1) return false;
  for (size_t i = 0; i < text.size(); ++i) {
    if (kShape[i] == 'd' ? (text[i] < '0' || text[i] > '9') : text[i] != kShape[i]) return false;
  }
  auto number = [&](size_t at, size_t n) {
    int64_t v = 0;
    for (size_t i = at; i < at + n; ++i) v = v * 10 + (text[i] - '0');
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

Parsed ParseOptions(int argc, const char* const* argv) {
  Parsed result;
  Options& o = result.options;
  const char* modeOption = nullptr;
  bool stepGiven = false, sizeGiven = false, scaleGiven = false;
  auto fail = [&](const std::string& error) {
    result.ok = false;
    result.error = error;
    return result;
  };
  auto setMode = [&](Mode mode, const char* option) {
    // XScreenSaver's settings preview passes --root and --window-id together: the
    // window it names is the one to draw in.
    const bool rootAndWindow = modeOption != nullptr && ((mode == Mode::Root && o.mode == Mode::WindowId) ||
                                                         (mode == Mode::WindowId && o.mode == Mode::Root));
    if (rootAndWindow) {
      o.mode = Mode::WindowId;
      modeOption = "--window-id";
      return true;
    }
    if (modeOption != nullptr && std::strcmp(modeOption, option) != 0) return false;
    modeOption = option;
    o.mode = mode;
    return true;
  };
  for (int i = 1; i < argc; ++i) {
    const std::string arg = argv[i];
    if (arg.size() < 2 || arg[0] != '-') return fail("unexpected argument " + Quoted(arg));
    std::string name = arg.substr(arg[1] == '-' ? 2 : 1);
    std::string value;
    bool hasValue = false;
    const size_t equals = name.find('=');
    if (equals != std::string::npos) {
      value = name.substr(equals + 1);
      name = name.substr(0, equals);
      hasValue = true;
    }
    const std::string option = "--" + name;
    // The value of an option that takes one: after '=' or the next argument.
    auto takeValue = [&]() {
      if (hasValue) return true;
      if (i + 1 >= argc) return false;
      value = argv[++i];
      return true;
    };
    auto noValue = [&]() { return !hasValue; };

    bool known = false;
    for (int f = 0; f < 7; ++f) {
      if (name == kFlagNames[f] || name == std::string("no-") + kFlagNames[f]) {
        if (!noValue()) return fail(option + " takes no value");
        o.flags[f] = name.rfind("no-", 0) == 0 ? 0 : 1;
        known = true;
      }
    }
    if (known) continue;
    if (name == "help" || name == "version") {
      if (!noValue()) return fail(option + " takes no value");
      o.mode = name == "help" ? Mode::Help : Mode::Version;
      result.ok = true;
      return result;  // nothing else matters
    }
    if (name == "fullscreen" || name == "root") {
      if (!noValue()) return fail(option + " takes no value");
      if (!setMode(name == "root" ? Mode::Root : Mode::FullScreen, name == "root" ? "--root" : "--fullscreen"))
        return fail(option + " cannot be combined with " + modeOption);
      continue;
    }
    const char* const kValued[] = {"background", "interval", "window-id", "picture", "frames",
                                   "size",       "time",     "triangle",  "step",    "scale"};
    bool valued = false;
    for (const char* v : kValued) valued = valued || name == v;
    if (!valued) return fail("unknown option " + Quoted(arg));
    if (!takeValue()) return fail(option + " needs a value");
    const std::string bad = "bad value for " + option + ": " + Quoted(value);
    int64_t n;
    if (name == "background") {
      o.background = -1;
      for (int s = 0; s < 5; ++s)
        if (value == kShades[s]) o.background = s;
      if (o.background < 0) return fail(bad + " (white, light-grey, grey, dark-grey or black)");
    } else if (name == "interval") {
      if (!ParseInt(value, kIntervalMinMs, kIntervalMaxMs, &n)) return fail(bad + " (500 to 5000 milliseconds)");
      o.intervalMs = static_cast<int>(n);
    } else if (name == "window-id") {
      if (!ParseWindowId(value, &o.windowId)) return fail(bad + " (a window id, decimal or 0x-hex)");
      if (!setMode(Mode::WindowId, "--window-id")) return fail(option + " cannot be combined with " + modeOption);
    } else if (name == "picture" || name == "frames") {
      if (value.empty()) return fail(bad);
      if (!setMode(name == "picture" ? Mode::Picture : Mode::Frames, name == "picture" ? "--picture" : "--frames"))
        return fail(option + " cannot be combined with " + modeOption);
      o.path = value;
      if (name == "picture") {
        const size_t dot = value.rfind('.');
        std::string extension = dot == std::string::npos ? "" : value.substr(dot + 1);
        for (char& c : extension) c = static_cast<char>(c >= 'A' && c <= 'Z' ? c - 'A' + 'a' : c);
        if (value.back() == '/' || (extension != "png" && extension != "svg" && extension != "pdf"))
          return fail("cannot tell the format of " + Quoted(value) + ": name it .png, .svg or .pdf");
        o.format = extension == "svg" ? Format::Svg : extension == "pdf" ? Format::Pdf : Format::Png;
      }
    } else if (name == "size") {
      if (!ParseSize(value, &o.width, &o.height)) return fail(bad + " (WxH, 1 to 16384 pixels each)");
      sizeGiven = true;
    } else if (name == "time") {
      if (!ParseUtcSecond(value, &o.second)) return fail(bad + " (YYYY-MM-DD HH:MM:SS, UTC, from 1970 on)");
      o.timeGiven = true;
    } else if (name == "triangle") {
      if (!ParseTriangle(value, o.triangle)) return fail(bad + " (six integers AX,AY,BX,BY,CX,CY)");
      o.triangleGiven = true;
    } else if (name == "step") {
      if (!ParseInt(value, 0, 10, &n)) return fail(bad + " (0 to 10)");
      o.step = static_cast<int>(n);
      stepGiven = true;
    } else {  // scale
      if (!ParseInt(value, 1, 4, &n)) return fail(bad + " (1 to 4)");
      o.scale = static_cast<int>(n);
      scaleGiven = true;
    }
  }
  const bool picture = o.mode == Mode::Picture || o.mode == Mode::Frames;
  if (!picture && (sizeGiven || stepGiven || scaleGiven || o.timeGiven || o.triangleGiven))
    return fail("--size, --time, --triangle, --step and --scale need --picture or --frames");
  if (o.mode == Mode::Frames && stepGiven) return fail("--step needs --picture: --frames writes every step");
  if (o.timeGiven && o.triangleGiven) return fail("--time and --triangle cannot be combined");
  result.ok = true;
  return result;
}

}  // namespace dreieck
