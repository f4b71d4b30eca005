// dreieck_manual: what the build and the tests take from the option table.
//
//   dreieck_manual TEMPLATE OUTPUT VERSION   the man page: TEMPLATE with its marker lines
//                                            and @NAMES@ filled in, written to OUTPUT
//   dreieck_manual --table                   every option, one a line:
//                                            NAME|VALUE|KIND|LOW|HIGH|DEFAULT|CHOICES
//
// In the template, the line `.\" synopsis` becomes the synopsis and `.\" options GROUP`
// (where, what, picture, other) the entries of that group; @PROJECT_VERSION@,
// @IMAGE_SIDE_MAX@, @PDF_SIDE_MIN@ and @PDF_SIDE_MAX@ become their values.
// Exit status: 0 written, 1 a file could not be read or written, 2 bad usage.
#include <cctype>
#include <cstdio>
#include <fstream>
#include <string>

#include "platform/linux/options.h"

namespace {

using dreieck::Group;
using dreieck::Kind;
using dreieck::OptionSpec;

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

std::string Name(const OptionSpec& spec, bool negated = false) {
  return Troff(std::string("--") + (negated ? "no-" : "") + spec.name);
}

std::string Value(const OptionSpec& spec) {
  return spec.value == nullptr ? "" : " \\fI" + Troff(spec.value) + "\\fP";
}

// The man page's entry of one option.
std::string Entry(const OptionSpec& spec) {
  std::string head = ".TP 8\n.B " + Name(spec) + Value(spec);
  std::string text = spec.help;
  if (spec.kind == Kind::Show) {
    head += " \\fR|\\fP " + Name(spec, true);
    text = "show or leave out " + text;
  }
  text[0] = static_cast<char>(std::toupper(static_cast<unsigned char>(text[0])));
  const std::string fallback = dreieck::DefaultText(spec);
  text += dreieck::RangeText(spec) + (fallback.empty() ? "" : "; default " + fallback) + ".";
  return head + "\n" + Troff(text) + (spec.more != nullptr ? std::string("\n") + spec.more : "") + "\n";
}

std::string Synopsis() {
  std::string screen = ".B dreieck\n[", picture = ".B dreieck\n", other = ".B dreieck\n";
  std::string what, pictureOnly;
  for (const OptionSpec& spec : dreieck::OptionTable()) {
    const std::string option = Name(spec, spec.kind == Kind::Show) + Value(spec);
    if (spec.group == Group::Where && spec.kind == Kind::File)
      picture += (picture.back() == '\n' ? "" : " | ") + option;
    else if (spec.group == Group::Where)
      screen += (screen.back() == '[' ? "" : " | ") + option;
    else if (spec.group == Group::What)
      what += "[" + option + "]\n";
    else if (spec.group == Group::Picture)
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
  for (const OptionSpec& spec : dreieck::OptionTable()) {
    std::string low, high, choices;
    if (spec.kind == Kind::Integer || spec.kind == Kind::Size) {
      low = std::to_string(spec.low);
      high = std::to_string(spec.high);
    }
    if (spec.kind == Kind::Shade)
      for (const char* shade : dreieck::kShadeNames) choices += std::string(choices.empty() ? "" : " ") + shade;
    std::printf("%s|%s|%s|%s|%s|%s|%s\n", spec.name, spec.value != nullptr ? spec.value : "",
                kKinds[static_cast<int>(spec.kind)], low.c_str(), high.c_str(), dreieck::DefaultText(spec).c_str(),
                choices.c_str());
  }
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
  while (std::getline(in, line)) {
    if (line == ".\\\" synopsis") {
      page += Synopsis();
      continue;
    }
    bool replaced = false;
    for (int g = 0; g < 4; ++g) {
      if (line != std::string(".\\\" options ") + kGroups[g]) continue;
      for (const OptionSpec& spec : dreieck::OptionTable())
        if (static_cast<int>(spec.group) == g) page += Entry(spec);
      replaced = true;
    }
    if (!replaced) page += line + "\n";
  }
  Replace(&page, "@PROJECT_VERSION@", argv[3]);
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
