// dreieck_manual: what the build and the tests take from the option table.
//
//   dreieck_manual TEMPLATE OUTPUT VERSION   the man page: TEMPLATE with its marker lines
//                                            and @NAMES@ filled in, written to OUTPUT
//   dreieck_manual --table                   every option, one a line:
//                                            NAME|VALUE|KIND|LOW|HIGH|DEFAULT|CHOICES
//
// In the template, the line `.\" synopsis` becomes the synopsis and `.\" options GROUP`
// (where, what, picture, other) the entries of that group; @PROJECT_VERSION@,
// @IMAGE_SIDE_MAX@, @PDF_SIDE_MIN@, @PDF_SIDE_MAX@, @CONSTRUCTIONS@ (how many there are),
// @CYCLE_STEPS@ (the ticks of a cycle with all of them), @TRIANGLE_STEP@ and
// @LAST_CONSTRUCTION_STEP@ (the steps of the triangle and of the last construction)
// become their values. The
// template's one table names the constructions, in the table's order.
// Exit status: 0 written, 1 a file could not be read or written or the template's
// constructions are not the table's, 2 bad usage.
#include <cctype>
#include <cstdio>
#include <fstream>
#include <string>
#include <vector>

#include "driver/options.h"

namespace {

using driver::Group;
using driver::Kind;
using driver::OptionRow;

// Plain text as troff shows it.
std::string Troff(const std::string& text) {
  std::string out = text[0] == '.' || text[0] == '\'' ? "\\&" : "";
  for (char c : text) {
    if (c == '-') out += "\\-";
    else if (c == '\\') out += "\\e";
    else out += c;
  }
  return out;
}

std::string Name(const OptionRow& row, bool negated = false) {
  return Troff(std::string("--") + (negated ? "no-" : "") + row.name);
}

std::string Value(const OptionRow& row) {
  return row.value == nullptr ? "" : " \\fI" + Troff(row.value) + "\\fP";
}

// The man page's entry of one option.
std::string Entry(const OptionRow& row) {
  std::string head = ".TP 8\n.B " + Name(row) + Value(row);
  std::string text = row.help;
  if (row.kind == Kind::Show) {
    head += " \\fR|\\fP " + Name(row, true);
    text = "show or leave out " + text;
  }
  text[0] = static_cast<char>(std::toupper(static_cast<unsigned char>(text[0])));
  const std::string fallback = driver::DefaultText(row);
  text += driver::RangeText(row) + (fallback.empty() ? "" : "; default " + fallback) + ".";
  return head + "\n" + Troff(text) + (row.more != nullptr ? std::string("\n") + row.more : "") + "\n";
}

// The options of a picture that `takes` lets through, each in brackets, but --time and
// --triangle (which name the triangle two ways) as one choice.
template <typename Takes>
std::string PictureOptions(Takes takes) {
  std::string options, triangle;
  for (const OptionRow& row : driver::OptionTable()) {
    if (row.group != Group::Picture || !takes(row)) continue;
    const std::string option = Name(row) + Value(row);
    if (row.kind == Kind::Time || row.kind == Kind::Triangle) {
      if (triangle.empty()) options += "\x01";  // where the choice goes
      triangle += (triangle.empty() ? "" : " | ") + option;
    } else {
      options += "[" + option + "]\n";
    }
  }
  const size_t at = options.find('\x01');
  if (at != std::string::npos) options.replace(at, 1, "[" + triangle + "]\n");
  return options;
}

// One line for each way to run it, with the options that go together there: the
// savers with what they show and their interval; the explorer with what it shows and
// the options of a picture it takes (no interval: it has no ticks); a picture; the
// frames (every step, so no --step); --help and --version.
std::string Synopsis() {
  std::string screen = ".B dreieck\n[", explore, picture, frames, other = ".B dreieck\n";
  std::string what, fullScreen;
  for (const OptionRow& row : driver::OptionTable()) {
    const std::string option = Name(row, row.kind == Kind::Show) + Value(row);
    if (row.group == Group::Where && row.mode == driver::Mode::Picture) {
      picture = ".B dreieck\n" + option + "\n";
    } else if (row.group == Group::Where && row.mode == driver::Mode::Frames) {
      frames = ".B dreieck\n" + option + "\n";
    } else if (row.group == Group::Where && row.mode == driver::Mode::Explore) {
      explore = ".B dreieck\n" + option + "\n";
    } else if (row.group == Group::Where) {
      screen += (screen.back() == '[' ? "" : " | ") + option;
      if (row.mode == driver::Mode::FullScreen) fullScreen = "[" + option + "]\n";
    } else if (row.group == Group::What) {
      what += "[" + option + "]\n";
    } else if (row.group == Group::Other) {
      other += (other.back() == '\n' ? "" : " | ") + option;
    }
  }
  const std::string shows = "[\\fIwhat it shows\\fP]\n";
  return screen + "]\n" + what + ".br\n" +
         explore + fullScreen + shows + PictureOptions([](const OptionRow& row) { return row.explore; }) + ".br\n" +
         picture + shows + PictureOptions([](const OptionRow&) { return true; }) + ".br\n" +
         frames + shows + PictureOptions([](const OptionRow& row) { return row.field != &driver::Options::step; }) +
         ".br\n" + other + "\n";
}

// NAME|VALUE|KIND|LOW|HIGH|DEFAULT|CHOICES
void Table() {
  static const char* const kKinds[] = {"mode", "show", "shade", "integer", "window-id",
                                       "file", "size", "time",  "triangle"};
  for (const OptionRow& row : driver::OptionTable()) {
    std::string low, high, choices;
    if (row.kind == Kind::Integer || row.kind == Kind::Size) {
      low = std::to_string(row.low);
      high = std::to_string(row.high);
    }
    if (row.kind == Kind::Shade)
      for (const char* shade : driver::kShadeNames) choices += std::string(choices.empty() ? "" : " ") + shade;
    std::printf("%s|%s|%s|%s|%s|%s|%s\n", row.name, row.value != nullptr ? row.value : "",
                kKinds[static_cast<int>(row.kind)], low.c_str(), high.c_str(), driver::DefaultText(row).c_str(),
                choices.c_str());
  }
}

// The letters of a text, in small letters: "nine\\-point circle" -> "ninepointcircle".
std::string Letters(const std::string& text) {
  std::string out;
  for (char c : text)
    if (std::isalpha(static_cast<unsigned char>(c))) out += static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  return out;
}

// The template's table of the constructions (the rows between .TS's format line and
// .TE) names them in the option table's order, one row each, its first column holding
// the construction's option name; empty when it does, else what is wrong.
std::string CheckConstructions(const std::vector<std::string>& rows) {
  std::vector<std::string> names;
  for (const OptionRow& row : driver::OptionTable())
    if (row.kind == Kind::Show) names.push_back(row.name);
  for (size_t i = 0; i < rows.size() || i < names.size(); ++i) {
    const std::string row = i < rows.size() ? rows[i].substr(0, rows[i].find('\t')) : "(no row)";
    if (i >= names.size() || Letters(row).find(Letters(names[i])) == std::string::npos)
      return "row " + std::to_string(i + 1) + " of the constructions' table is '" + row + "', not " +
             (i < names.size() ? "the construction --" + names[i] : "one more construction");
  }
  return "";
}

void Replace(std::string* text, const std::string& from, const std::string& to) {
  for (size_t at = text->find(from); at != std::string::npos; at = text->find(from, at + to.size()))
    text->replace(at, from.size(), to);
}

}  // namespace

int main(int argc, char** argv) {
  if (argc == 2 && std::string(argv[1]) == "--table") {
    Table();
    return std::fflush(stdout) == 0 ? 0 : 1;
  }
  if (argc != 4) {
    std::fputs("usage: dreieck_manual TEMPLATE OUTPUT VERSION | dreieck_manual --table\n", stderr);
    return 2;
  }
  std::ifstream in(argv[1]);
  if (!in) {
    std::fprintf(stderr, "dreieck_manual: cannot read %s\n", argv[1]);
    return 1;
  }
  static const char* const kGroups[] = {"where", "what", "picture", "other"};
  std::string page, line;
  std::vector<std::string> constructions;
  int table = 0;  // 1: at .TS's format line, 2: in its rows
  while (std::getline(in, line)) {
    if (line == ".TS") table = 1;
    else if (line == ".TE") table = 0;
    else if (table == 1 && !line.empty() && line.back() == '.') table = 2;
    else if (table == 2) constructions.push_back(line);
    if (line == ".\\\" synopsis") {
      page += Synopsis();
      continue;
    }
    bool replaced = false;
    for (int g = 0; g < 4; ++g) {
      if (line != std::string(".\\\" options ") + kGroups[g]) continue;
      for (const OptionRow& row : driver::OptionTable())
        if (static_cast<int>(row.group) == g) page += Entry(row);
      replaced = true;
    }
    if (!replaced) page += line + "\n";
  }
  const std::string wrong = CheckConstructions(constructions);
  if (!wrong.empty()) {
    std::fprintf(stderr, "dreieck_manual: %s: %s\n", argv[1], wrong.c_str());
    return 1;
  }
  Replace(&page, "@PROJECT_VERSION@", argv[3]);
  Replace(&page, "@CONSTRUCTIONS@", std::to_string(kConstructionCount));
  Replace(&page, "@CYCLE_STEPS@", std::to_string(kStepErase + 1));
  Replace(&page, "@TRIANGLE_STEP@", std::to_string(kStepTriangle));
  Replace(&page, "@LAST_CONSTRUCTION_STEP@", std::to_string(kStepLastConstruction));
  Replace(&page, "@IMAGE_SIDE_MAX@", std::to_string(driver::kImageSideMax));
  Replace(&page, "@PDF_SIDE_MIN@", std::to_string(driver::kPdfSideMin));
  Replace(&page, "@PDF_SIDE_MAX@", std::to_string(driver::kPdfSideMax));
  std::ofstream out(argv[2]);
  out << page;
  out.close();
  if (!out) {
    std::fprintf(stderr, "dreieck_manual: cannot write %s\n", argv[2]);
    return 1;
  }
  return 0;
}
