// The words of the option table's messages and usage, in the two languages it speaks:
// the command line's English (dreieck, its --help and man page) and the German of the
// page, whose address takes the same options. A pattern's {1}, {2}, ... stand for the
// names, values and numbers the line names, in the order listed beside it.
#pragma once

#include <initializer_list>
#include <span>
#include <string>

namespace driver {

struct OptionRow;  // options.h

// What a language says of one row of the table, where it says more than the row's own
// English: the value's name, what the option does, what a bad value should have been,
// the unit of its range and its default. nullptr: the row's own.
struct RowWords {
  const char* name;  // the row's
  const char* value = nullptr;
  const char* help = nullptr;
  const char* valueHelp = nullptr;
  const char* unit = nullptr;
  const char* fallback = nullptr;
};

struct Words {
  const char* unexpected;    // a word that is no option: {1} it, quoted
  const char* unknown;       // {1} the option as written, quoted
  const char* takesNoValue;  // {1} the option
  const char* needsValue;    // {1} the option
  const char* badValue;      // {1} the option, {2} the value quoted
  const char* range;         // {1} to {2}
  const char* rangeEach;     // of both sides: {1} to {2}
  const char* sizeRange;     // WxH, each {1} to {2}
  const char* orWord;        // between the last two of a list
  const char* andWord;
  const char* noFormat;      // {1} the file's name, quoted
  const char* needPicture;   // {1} the options, {2} the dashes
  const char* framesStep;    // {1} the dashes
  const char* timeTriangle;  // {1} the dashes
  const char* exploreStep;   // {1} the dashes, {2} to {3} the steps
  const char* notWith;       // {1} the option that cannot go with {2}
  const char* noTicks;       // why an interval is nothing to the explorer
  const char* noTime;        // why it is nothing to a picture
  const char* pngTooLarge;   // {1} size and scale, {2} the sides, {3} the most
  const char* pdfPage;       // {1} size and scale, {2} the sides, {3} to {4} the range
  const char* on;            // the defaults of a construction and of the time
  const char* off;
  const char* now;
  // The usage: its head, the headings of the groups (where it draws, what it shows,
  // the picture, the rest), the limits of a picture after the picture's group (with
  // {1} the largest image, {2} to {3} a PDF page) and its end.
  const char* usageHead;
  const char* headings[4];
  const char* limits;
  const char* usageEnd;
  std::span<const RowWords> rows;  // where the rows' own English does not do
};

extern const Words kEnglish;  // the command line's
extern const Words kGerman;   // the page's

// The words put together: a pattern with {1}, {2}, ... replaced by `parts`; the
// shades as a list ("a, b, c, d or e"); what `words` say of a row (its own English
// where they say nothing); and what a bad value of the row should have been, as a
// message says it in brackets.
std::string Fill(const char* pattern, std::initializer_list<std::string> parts);
std::string ShadeList(const Words& words);
RowWords WordsOf(const OptionRow& row, const Words& words);
std::string ValueHelp(const OptionRow& row, const Words& words);

}  // namespace driver
