// The words the option table's messages and usage are made of, in both languages.
#include <gtest/gtest.h>

#include <sstream>
#include <string>

#include "driver/options.h"
#include "driver/words.h"

namespace {

// A pattern's {1} to {9} stand for the parts in order; anything else is kept as it is
// written, a number beyond the parts given and a brace that names nothing included.
TEST(Words, FillPutsThePartsInTheirPlaces) {
  struct Case {
    const char* pattern;
    const char* filled;
  };
  const Case cases[] = {
      {"{1} to {2}", "a to b"},
      {"{2} before {1}", "b before a"},
      {"{1}{1}", "aa"},
      {"{3}", "{3}"},
      {"{0}", "{0}"},
      {"{1", "{1"},
      {"{12}", "{12}"},
      {"{a}", "{a}"},
      {"}{1}{", "}a{"},
      {"", ""},
      {"no parts", "no parts"},
  };
  for (const Case& c : cases) EXPECT_EQ(c.filled, driver::Fill(c.pattern, {"a", "b"})) << c.pattern;
  EXPECT_EQ("1 2 3 4 5 6 7 8 9", driver::Fill("{1} {2} {3} {4} {5} {6} {7} {8} {9}",
                                              {"1", "2", "3", "4", "5", "6", "7", "8", "9"}));
}

TEST(Words, TheShadesAsAListInEachLanguage) {
  EXPECT_EQ("white, light-grey, grey, dark-grey or black", driver::ShadeList(driver::kEnglish));
  EXPECT_EQ("white, light-grey, grey, dark-grey oder black", driver::ShadeList(driver::kGerman));
}

// Every line of both usages fits 80 characters of a terminal (UTF-8 counted as the
// characters it writes), and a line that breaks would not have taken its next word.
TEST(Words, TheUsagesFitEightyColumns) {
  const auto columns = [](const std::string& line) {
    size_t n = 0;
    for (const char c : line) n += (static_cast<unsigned char>(c) & 0xC0) != 0x80 ? 1 : 0;
    return n;
  };
  for (const driver::Syntax* syntax : {&driver::kCommandLine, &driver::kQuery}) {
    std::istringstream usage(driver::Usage(*syntax));
    std::string line, next;
    std::getline(usage, line);
    while (std::getline(usage, next)) {
      EXPECT_LE(columns(line), 80u) << line;
      // A continued help line (26 spaces, then words) whose first word would have fitted.
      if (next.size() > 26 && next.compare(0, 26, std::string(26, ' ')) == 0 && next[26] != ' ' &&
          line.size() > 26 && line[24] == ' ' && line[25] == ' ') {
        // A word, or a 'quoted text' as one.
        const size_t from = next[26] == '\'' ? next.find('\'', 27) : 26;
        const std::string word = next.substr(26, next.find(' ', from) - 26);
        EXPECT_GT(columns(line) + 1 + columns(word), 80u) << "\"" << word << "\" would have fitted after: " << line;
      }
      line = next;
    }
  }
}

}  // namespace
