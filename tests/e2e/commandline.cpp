// The Windows build of the command-line parser against the table the host's unit
// tests use, run under Wine: the preview's handle as the real runtime's strtoul reads
// it. Prints one line per disagreement and a count; exits with 1 on any.
#include <cstdio>

#include "../commandline_cases.h"

int main() {
  int wrong = 0;
  for (const CommandLineCase& c : kCommandLineCases) {
    const CommandLine parsed = ParseCommandLine(c.line);
    if (parsed.mode != c.mode || parsed.parent != c.parent) {
      std::printf("\"%s\": expected mode %d handle 0x%08X, got mode %d handle 0x%08X\n", c.line,
                  static_cast<int>(c.mode), static_cast<unsigned>(c.parent), static_cast<int>(parsed.mode),
                  static_cast<unsigned>(parsed.parent));
      ++wrong;
    }
  }
  std::printf("%d of %d command lines read as expected\n",
              static_cast<int>(sizeof kCommandLineCases / sizeof kCommandLineCases[0]) - wrong,
              static_cast<int>(sizeof kCommandLineCases / sizeof kCommandLineCases[0]));
  return wrong == 0 ? 0 : 1;
}
