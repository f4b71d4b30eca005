// The screensaver command lines and what they ask for: the mode, and for a preview the
// parent window's handle as the Windows runtime's strtoul reads it (32-bit unsigned
// long: blanks, then a sign, then digits; a magnitude beyond 32 bits is 0xFFFFFFFF,
// which a minus sign then turns into 1). Shared by the Linux build's unit tests and the
// check that runs the Windows build of the parser under Wine.
#pragma once

#include <cstdint>

#include "shell/shell.h"

struct CommandLineCase {
  const char* line;
  DisplayMode mode;
  uint32_t parent;
};

inline constexpr CommandLineCase kCommandLineCases[] = {
    {"/s", DisplayMode::FullScreen, 0},
    {"/sx", DisplayMode::FullScreen, 0},
    {"/s 5", DisplayMode::FullScreen, 0},
    {"/sp 5", DisplayMode::FullScreen, 0},
    {"/S", DisplayMode::Settings, 0},
    {"/P 123", DisplayMode::Settings, 0},
    {"/c", DisplayMode::Settings, 0},
    {"/c:1234", DisplayMode::Settings, 0},
    {"", DisplayMode::Settings, 0},
    {" /s", DisplayMode::Settings, 0},
    {"s", DisplayMode::Settings, 0},
    {"/", DisplayMode::Settings, 0},
    {"-s", DisplayMode::Settings, 0},
    {"/p 1234", DisplayMode::Preview, 1234},
    {"/p:1234", DisplayMode::Preview, 1234},
    {"/p  1234", DisplayMode::Preview, 1234},
    {"/p\t1234", DisplayMode::Preview, 1234},
    {"/px1234", DisplayMode::Preview, 1234},
    {"/p \t\n 77", DisplayMode::Preview, 77},
    {"/p \v\f\r9", DisplayMode::Preview, 9},
    {"/p 12ab", DisplayMode::Preview, 12},
    {"/p 0x1F", DisplayMode::Preview, 0},
    {"/p 1234 5678", DisplayMode::Preview, 1234},
    {"/p", DisplayMode::Preview, 0},
    {"/ps", DisplayMode::Preview, 0},
    {"/p ", DisplayMode::Preview, 0},
    {"/p abc", DisplayMode::Preview, 0},
    {"/p 0", DisplayMode::Preview, 0},
    {"/p 00042", DisplayMode::Preview, 42},
    {"/p +7", DisplayMode::Preview, 7},
    {"/p -5", DisplayMode::Preview, 0xFFFFFFFBu},
    {"/p -0", DisplayMode::Preview, 0},
    // Blanks before the sign are passed over like blanks before digits; blanks
    // between the sign and the digits end the number before it begins.
    {"/p  -5", DisplayMode::Preview, 0xFFFFFFFBu},
    {"/p \t-5", DisplayMode::Preview, 0xFFFFFFFBu},
    {"/p   +7", DisplayMode::Preview, 7},
    {"/p  -4294967295", DisplayMode::Preview, 1},
    {"/p \t -2147483648", DisplayMode::Preview, 0x80000000u},
    {"/p - 5", DisplayMode::Preview, 0},
    {"/p  --5", DisplayMode::Preview, 0},
    {"/p -+5", DisplayMode::Preview, 0},
    // 32 bits and beyond.
    {"/p -2147483649", DisplayMode::Preview, 0x7FFFFFFFu},
    {"/p -4294967295", DisplayMode::Preview, 1},
    {"/p 4294967295", DisplayMode::Preview, 0xFFFFFFFFu},
    {"/p 4294967296", DisplayMode::Preview, 0xFFFFFFFFu},
    {"/p -4294967296", DisplayMode::Preview, 1},
    {"/p  -4294967296", DisplayMode::Preview, 1},
    {"/p -4294967297", DisplayMode::Preview, 1},
    {"/p 18446744073709551615", DisplayMode::Preview, 0xFFFFFFFFu},
    {"/p -18446744073709551615", DisplayMode::Preview, 1},
    {"/p -18446744073709551616", DisplayMode::Preview, 1},
    {"/p 99999999999999999999999999", DisplayMode::Preview, 0xFFFFFFFFu},
    {"/p -99999999999999999999999999", DisplayMode::Preview, 1},
};
