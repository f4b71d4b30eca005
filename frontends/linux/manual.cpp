// dreieck_manual: what the build and the tests take from the option table.
//
//   dreieck_manual TEMPLATE OUTPUT VERSION   the man page: TEMPLATE with its marker lines
//                                            and @NAMES@ filled in, written to OUTPUT
//   dreieck_manual --table                   every option, one a line:
//                                            NAME|VALUE|KIND|LOW|HIGH|DEFAULT|CHOICES
//
// In the template, the line `.\" synopsis` becomes the synopsis and `.\" options GROUP`
// (where, what, picture, other) the entries of that group; @PROJECT_VERSION@,
// @IMAGE_SIDE_MAX@, @PDF_SIDE_MIN@, @PDF_SIDE_MAX@, @CONSTRUCTIONS@ (how many there are)
// and @CYCLE_STEPS@ (the ticks of a cycle with all of them) become their values. The
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

using dreieck::Group;
using dreieck::Kind;
using dreieck::OptionRow;

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
  const std::string fallback = dreieck::DefaultText(row);
  text += dreieck::RangeText(row) + (fallback.empty() ? "" : "; default " + fallback) + ".";
  return head + "\n" + Troff(text) + (row.more != nullptr ? std::string("\n") + row.more : "") + "\n";
}

std::string Synopsis() {
  std::string screen = ".B dreieck\n[", picture = ".B dreieck\n", other = ".B dreieck\n";
  std::string what, pictureOnly;
  for (const OptionRow& row : dreieck::OptionTable()) {
    const std::string option = Name(row, row.kind == Kind::Show) + Value(row);
    if (row.group == Group::Where && row.kind == Kind::File)
      picture += (picture.back() == '\n' ? "" : " | ") + option;
    else if (row.group == Group::Where)
      screen += (screen.back() == '[' ? "" : " | ") + option;
    else if (row.group == Group::What)
      what += "[" + option + "]\n";
    else if (row.group == Group::Picture)
      pictureOnly += "[" + option + "]\n";
    else
      other += (other.back() == '\n' ? "" : " | ") + option;
  }
  return screen + "]\n" + what + ".br\n" + picture + "\n[\\fIwhat it shows\\fP]\n" + pictureOnly + ".br\n" +
         other + "\n";
}

// NAME|VALUE|KIND|LOW|HIGH|DEFAULT|CHOICES
void Table() {
  static const char* const kKinds[] = {"mode", "show", "shade", "integer", "window-id",
                                       "file", "size", "time",  "triangle"};
  for (const OptionRow& row : dreieck::OptionTable()) {
    std::string low, high, choices;
    if (row.kind == Kind::Integer || row.kind == Kind::Size) {
      low = std::to_string(row.low);
      high = std::to_string(row.high);
    }
    if (row.kind == Kind::Shade)
      for (const char* shade : dreieck::kShadeNames) choices += std::string(choices.empty() ? "" : " ") + shade;
    std::printf("%s|%s|%s|%s|%s|%s|%s\n", row.name, row.value != nullptr ? row.value : "",
                kKinds[static_cast<int>(row.kind)], low.c_str(), high.c_str(), dreieck::DefaultText(row).c_str(),
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
  for (const OptionRow& row : dreieck::OptionTable())
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
      for (const OptionRow& row : dreieck::OptionTable())
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
  Replace(&page, "@IMAGE_SIDE_MAX@", std::to_string(dreieck::kImageSideMax));
  Replace(&page, "@PDF_SIDE_MIN@", std::to_string(dreieck::kPdfSideMin));
  Replace(&page, "@PDF_SIDE_MAX@", std::to_string(dreieck::kPdfSideMax));
  std::ofstream out(argv[2]);
  out << page;
  out.close();
  if (!out) {
    std::fprintf(stderr, "dreieck_manual: cannot write %s\n", argv[2]);
    return 1;
  }
  return 0;
}
