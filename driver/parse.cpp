// Reading options: the words of a command line or the pairs of a URL query, each by
// its row of the option table, with the rules for options together.
#include "driver/options.h"
#include "driver/words.h"

#include <cstring>

#include "settings/settings.h"

namespace driver {

namespace {

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

// Reads one argument into the options; an error line, or "" when it was taken.
class Reader {
 public:
  Reader(Options* options, Syntax syntax)
      : o_(*options), dashes_(syntax.dashes), picturesOnly_(syntax.picturesOnly), words_(*syntax.words) {}

  std::string Read(const Argument& a) {
    if (a.name.empty()) return Fill(words_.unexpected, {Quoted(a.written)});
    bool negated;
    const OptionRow* row = FindRow(a.name, &negated);
    if (row == nullptr) {
      const std::string written = a.written.empty() ? dashes_ + a.name + (a.value ? "=" + *a.value : "") : a.written;
      return Fill(words_.unknown, {Quoted(written)});
    }
    const std::string option = dashes_ + a.name;
    if (row->value == nullptr && a.value) return Fill(words_.takesNoValue, {option});
    if (row->value != nullptr && !a.value) return Fill(words_.needsValue, {option});
    o_.given |= 1u << (row - OptionTable().data());
    const std::string value = a.value.value_or("");
    const std::string hint = ValueHelp(*row, words_);
    const std::string bad = Fill(words_.badValue, {option, Quoted(value)}) + (hint.empty() ? "" : " (" + hint + ")");
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
    for (const OptionRow& row : OptionTable()) {
      if (row.group != Group::Picture || (explore && row.explore)) continue;
      pictureOnly.push_back(dashes_ + row.name);
      pictureOnlyGiven = pictureOnlyGiven || o_.Given(row.name);
    }
    if (picturesOnly_ && !picture && pictureOnlyGiven) {
      std::string names;
      for (size_t i = 0; i < pictureOnly.size(); ++i)
        names += (i == 0 ? "" : i + 1 == pictureOnly.size() ? words_.andWord : ", ") + pictureOnly[i];
      return Fill(words_.needPicture, {names, dashes_});
    }
    if (o_.mode == Mode::Frames && o_.Given("step")) return Fill(words_.framesStep, {dashes_});
    if (o_.timeGiven && o_.triangleGiven) return Fill(words_.timeTriangle, {dashes_});
    if (explore && o_.step > kStepLastConstruction)
      return Fill(words_.exploreStep,
                  {dashes_, std::to_string(kStepTriangle), std::to_string(kStepLastConstruction)});
    // An option that would do nothing where it draws is refused, not passed over (the
    // page's address too, whose screen has ticks without a picture).
    if ((picture || explore) && o_.Given("interval"))
      return Fill(words_.notWith, {dashes_ + "interval", dashes_ + selected_}) + ": " +
             (explore ? words_.noTicks : words_.noTime);
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
      return Fill(words_.notWith, {dashes_ + row.name, dashes_ + selected_});
    selected_ = row.name;
    o_.mode = mode;
    return "";
  }

  std::string PictureFormat(const std::string& value) {
    const size_t dot = value.rfind('.');
    std::string extension = dot == std::string::npos ? "" : value.substr(dot + 1);
    for (char& c : extension) c = static_cast<char>(c >= 'A' && c <= 'Z' ? c - 'A' + 'a' : c);
    if (value.back() == '/' || (extension != "png" && extension != "svg" && extension != "pdf"))
      return Fill(words_.noFormat, {Quoted(value)});
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
        return Fill(words_.pdfPage, {what, sides, std::to_string(kPdfSideMin), std::to_string(kPdfSideMax)});
    } else if (o_.mode == Mode::Frames || o_.format == Format::Png) {
      if (w > kImageSideMax || h > kImageSideMax)
        return Fill(words_.pngTooLarge, {what, sides, std::to_string(kImageSideMax)});
    }
    return "";
  }

  Options& o_;
  std::string dashes_;
  bool picturesOnly_;
  const Words& words_;
  const char* selected_ = nullptr;  // the option that chose where it draws
  Mode shows_ = Mode::Window;       // see Shows
};

}  // namespace

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
      const OptionRow* row = FindRow(a.name, &negated);
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
    result.error = reader.Read(a);
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

}  // namespace driver
