// Arbitrary bytes as the Linux program's arguments, split at zero bytes: the parser
// either accepts them with every value within its range and a picture its format can
// hold, or names one mistake in one line; --help and --version stand alone. The same
// words as a URL query's name=value pairs are read to one line or to options too.
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "fuzz/fuzz_input.h"
#include "driver/options.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  std::vector<std::string> args = {"dreieck"};
  std::string current;
  for (size_t i = 0; i < size; ++i) {
    if (data[i] == 0) {
      args.push_back(current);
      current.clear();
    } else {
      current += static_cast<char>(data[i]);
    }
  }
  if (!current.empty()) args.push_back(current);
  std::vector<const char*> argv;
  for (const std::string& a : args) argv.push_back(a.c_str());
  std::vector<driver::Argument> query;
  for (size_t i = 1; i < args.size(); ++i) {
    const size_t equals = args[i].find('=');
    query.push_back({args[i].substr(0, equals), std::nullopt, ""});
    if (equals != std::string::npos) query.back().value = args[i].substr(equals + 1);
  }
  const driver::Parsed q = driver::ParseArguments(query, driver::kQuery);
  Require(q.ok == q.error.empty() && q.error.find('\n') == std::string::npos, "a query's mistake is one line");
  const driver::Parsed p = driver::ParseOptions(static_cast<int>(argv.size()), argv.data());
  if (!p.ok) {
    Require(!p.error.empty() && p.error.find('\n') == std::string::npos, "a mistake is named in one line");
    return 0;
  }
  const driver::Options& o = p.options;
  const int none = driver::Options::kNotGiven;
  for (int flag : o.flags) Require(flag == none || flag == 0 || flag == 1, "a construction is on, off or not given");
  Require(o.background == none || (o.background >= 0 && o.background <= 4), "the background is one of five shades");
  Require(o.intervalMs == none || (o.intervalMs >= 500 && o.intervalMs <= 5000), "the interval is within 500..5000");
  Require(o.width >= 1 && o.width <= 16384 && o.height >= 1 && o.height <= 16384, "the size is within 1..16384");
  Require(o.step >= kStepTriangle && o.step <= kStepErase, "the step is one of the cycle's");
  Require(o.scale >= 1 && o.scale <= 4, "the scale is within 1..4");
  Require(o.second >= 0, "the second is not before 1970");
  Require(o.mode != driver::Mode::WindowId || o.windowId != 0, "a window id is never 0");
  const int64_t w = int64_t{o.width} * o.scale, h = int64_t{o.height} * o.scale;
  if (o.mode == driver::Mode::Frames || (o.mode == driver::Mode::Picture && o.format == driver::Format::Png))
    Require(w <= driver::kImageSideMax && h <= driver::kImageSideMax, "a PNG fits a Cairo image");
  if (o.mode == driver::Mode::Picture && o.format == driver::Format::Pdf)
    Require(w >= driver::kPdfSideMin && h >= driver::kPdfSideMin && w <= driver::kPdfSideMax &&
                h <= driver::kPdfSideMax,
            "a PDF page is within the format's limits");
  if (o.mode == driver::Mode::Picture) {
    const std::string extension = o.path.substr(o.path.rfind('.') + 1);
    Require(o.path.rfind('.') != std::string::npos && extension.size() == 3, "a picture is named by its format");
  }
  return 0;
}
