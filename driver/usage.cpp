// The usage text, made of the option table in the words of a syntax: dreieck's --help
// and the page's ?help.
#include "driver/options.h"
#include "driver/words.h"

#include <string>

namespace driver {

namespace {

// The columns a text takes on a terminal: its characters, not its bytes (the page's
// German is UTF-8).
size_t Columns(const std::string& text) {
  size_t columns = 0;
  for (const char c : text) columns += (static_cast<unsigned char>(c) & 0xC0) != 0x80 ? 1 : 0;
  return columns;
}

// --help's line of one row: "  --name VALUE" (in a query "  name=VALUE") and, from
// column 26, what it does.
std::string UsageLine(const OptionRow& row, const Syntax& syntax) {
  const Words& words = *syntax.words;
  const RowWords said = WordsOf(row, words);
  std::string left = std::string("  ") + syntax.dashes + (row.kind == Kind::Show ? "[no-]" : "") + row.name;
  if (said.value != nullptr) left += (*syntax.dashes != '\0' ? " " : "=") + std::string(said.value);
  const std::string fallback = DefaultText(row, words);
  const std::string right = said.help + RangeText(row, words) + (fallback.empty() ? "" : " (" + fallback + ")");
  constexpr size_t kColumn = 26;
  const size_t width = Columns(left);
  left += width + 2 <= kColumn ? std::string(kColumn - width, ' ') : "\n" + std::string(kColumn, ' ');
  // Wrapped at 80 columns, continued under the column.
  std::string out = left;
  size_t at = kColumn;
  size_t start = 0;
  while (start < right.size()) {
    // A word, or a 'quoted text' as one.
    size_t end = right.find(' ', right[start] == '\'' ? right.find('\'', start + 1) : start);
    if (end == std::string::npos) end = right.size();
    const std::string word = right.substr(start, end - start);
    if (at > kColumn && at + 1 + Columns(word) > 80) {
      out += "\n" + std::string(kColumn, ' ');
      at = kColumn;
    }
    if (at > kColumn) out += ' ', ++at;
    out += word;
    at += Columns(word);
    start = end + 1;
  }
  return out + "\n";
}

std::string MakeUsage(const Syntax& syntax) {
  const Words& words = *syntax.words;
  const Group groups[] = {Group::Where, Group::What, Group::Picture, Group::Other};
  std::string out = words.usageHead;
  for (const Group group : groups) {
    out += std::string("\n") + words.headings[static_cast<int>(group)];
    for (const OptionRow& row : OptionTable())
      if (row.group == group) out += UsageLine(row, syntax);
    if (group == Group::Picture)
      out += Fill(words.limits,
                  {std::to_string(kImageSideMax), std::to_string(kPdfSideMin), std::to_string(kPdfSideMax)});
  }
  return out + words.usageEnd;
}

}  // namespace

const std::string& Usage() {
  static const std::string usage = MakeUsage(kCommandLine);
  return usage;
}

std::string Usage(const Syntax& syntax) { return MakeUsage(syntax); }

}  // namespace driver
