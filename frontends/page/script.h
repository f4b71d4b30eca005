// What the page's program asks of the page's JavaScript (site/page.js) beyond what the
// web backend does (platform/web/page.h): the address, the settings the browser keeps,
// the font file, and what the page shows of the program's runs. Each function here is
// one call into the page's `page` object.
#pragma once

#include <cstdint>
#include <string>
#include <utility>
#include <vector>

#include "driver/kept.h"
#include "driver/options.h"
#include "platform/core/windows.h"

namespace script {

// The address's query as arguments: decoded names and values, and each pair as the
// address writes it.
std::vector<driver::Argument> Query();
// Where the address asks the program to draw, by the option's name ("fullscreen",
// "saver", "explore", "root", "window-id", "picture", "frames"), or "" for a window of
// its own.
void Where(const char* option);
// The program has ended: nothing the page offers can work any longer.
void Stopped();
// The label font's file, fetched by the page before the program started.
std::vector<uint8_t> FontFile();

// The settings the browser keeps (localStorage), as registry values by name (those
// that can be: driver::KeptFromText); and the values to keep from now on, all of them.
// The page knows no names: it keeps what it is given.
driver::KeptValues KeptSettings();
void Keep(const driver::KeptValues& values);

// The program started with these settings (as it loaded them) and this background.
void Started(const int* flags, int count, int background, int intervalMs, COLORREF backgroundColour);
// A tick of the cycle was drawn: the step it began at and the next one, its
// milliseconds in all and those of them spent putting pixels on the canvas, and
// whether the picture is held now (no tick follows).
void Ticked(int started, int step, double ms, double showMs, bool held);

// The explorer began (the page sends it the pointer and keys) or ended.
void Exploring(bool on);
// The explorer drew a picture, in `ms` of which `showMs` went to the <canvas>.
void Explored(double ms, double showMs);
// The <canvas> as it is now, offered as the download STEM.png, and `svg`, when not
// empty, as STEM.svg, with `redraw` the options that draw it again; then `line` shown
// below it for `ms` milliseconds.
void SavePicture(const std::string& stem, const std::string& svg, const std::string& redraw, const std::string& line,
                 int ms);

}  // namespace script
