// The screensaver host's command line: "/s", "/p <HWND>" or anything else.
#include "shell/shell.h"

#include <cctype>
#include <cerrno>
#include <cstdlib>
#include <cstring>

namespace {

// strtoul in base 10 as the Windows runtime computes it, whose unsigned long has 32
// bits: leading blanks, an optional sign, digits up to the first non-digit; a
// magnitude beyond 32 bits becomes 0xFFFFFFFF, and a minus sign then negates it
// modulo 2^32, so every negative number beyond 32 bits reads as 1. A host with a
// 64-bit unsigned long thus reads the same handle from the same text.
uint32_t ReadHandle(const char* text) {
  if constexpr (sizeof(unsigned long) == sizeof(uint32_t)) {
    return static_cast<uint32_t>(std::strtoul(text, nullptr, 10));
  } else {
    const char* p = text;
    while (std::isspace(static_cast<unsigned char>(*p))) ++p;
    const bool negative = *p == '-';
    errno = 0;
    // A 64-bit strtoul negates a minus sign's magnitude modulo 2^64 and reports a
    // magnitude beyond 64 bits as ERANGE.
    const unsigned long value = std::strtoul(text, nullptr, 10);
    uint32_t magnitude = 0xFFFFFFFFu;
    if (errno != ERANGE) {
      const unsigned long wide = negative ? 0ul - value : value;
      if (wide <= 0xFFFFFFFFul) magnitude = static_cast<uint32_t>(wide);
    }
    return negative ? 0u - magnitude : magnitude;
  }
}

}  // namespace

CommandLine ParseCommandLine(const char* commandLine) {
  if (std::strncmp(commandLine, "/s", 2) == 0) return {DisplayMode::FullScreen, 0};
  if (std::strncmp(commandLine, "/p", 2) == 0) {
    // The third character, normally a blank, is passed over whatever it is; a line
    // of exactly "/p" ends before the handle and names no window.
    if (commandLine[2] == '\0') return {DisplayMode::Preview, 0};
    return {DisplayMode::Preview, ReadHandle(commandLine + 3)};
  }
  return {DisplayMode::Settings, 0};
}
