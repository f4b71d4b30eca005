// Arbitrary bytes as the command line: the mode depends on the first two bytes alone,
// only the preview carries a handle, and plain digits read as their value.
#include "fuzz/fuzz_input.h"
#include "platform/core/testing.h"

#include "shell/shell.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  std::string line(reinterpret_cast<const char*>(data), size);
  line = line.c_str();  // the runtime hands over a zero-terminated line
  const CommandLine parsed = ParseCommandLine(line.c_str());

  const bool full = line.compare(0, 2, "/s") == 0;
  const bool preview = line.compare(0, 2, "/p") == 0;
  const DisplayMode expected = full ? DisplayMode::FullScreen : preview ? DisplayMode::Preview : DisplayMode::Settings;
  Require(parsed.mode == expected, "mode does not follow the first two bytes of '" + line + "'");
  if (!preview) Require(parsed.parent == 0, "a handle outside the preview: '" + line + "'");
  if (preview && line.size() > 3) {
    // A run of up to nine digits from the fourth byte on is read as its value.
    size_t end = 3;
    uint32_t value = 0;
    while (end < line.size() && end < 12 && line[end] >= '0' && line[end] <= '9')
      value = value * 10 + static_cast<uint32_t>(line[end++] - '0');
    const bool plain = end > 3 && end < 12 && (end == line.size() || line[end] < '0' || line[end] > '9');
    if (plain) Require(parsed.parent == value, "digits misread in '" + line + "'");
  }
  if (preview && line.size() <= 3) Require(parsed.parent == 0, "a handle without digits: '" + line + "'");
  return 0;
}
