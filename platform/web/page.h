// The page's side of the browser build: what the platform asks of the page's
// JavaScript (frontends/page/site/page.js), which owns the <canvas>, the browser's timer,
// the settings kept in localStorage, the settings panel and the address. Each function
// here is one call into the page's `page` object.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "platform/core/windows.h"
#include "driver/options.h"

namespace web::page {

// What the page posts to the program's platform while it waits.
enum class EventKind {
  None = 0,
  Settings = 1,  // the panel's OK: the stored settings changed
  Pointer = 2,   // the pointer over the <canvas>: a, b its place in device pixels, c a PointerAction
  Key = 3,       // a key for the explorer: a its virtual-key code
  Explore = 4,   // the Explore button: the explorer on the triangle shown
  Resized = 5,   // the page's window changed its size
};
enum PointerAction { kPointerMoved = 0, kPointerPressed = 1, kPointerReleased = 2 };
struct Event {
  EventKind kind = EventKind::None;
  int a = 0, b = 0, c = 0;  // what the event carries
};

// Gives the browser back its thread until `timeoutMs` (-1: no limit) have passed,
// through one browser timeout, or until the page posts an event, whichever comes
// first. True when the time ran out. The program's stack is saved meanwhile (Asyncify).
bool Wait(double timeoutMs);
// The events the page posted, oldest first; kind None when there are no more.
Event NextEvent();

// The size of the page's window in device pixels.
SIZE WindowSize();
// Puts `part` of an image of imageWidth x imageHeight onto the <canvas> (which takes
// that size): `rgba` holds the part's pixels as RGBA rows, without gaps.
void Show(const uint8_t* rgba, const RECT& part, int imageWidth, int imageHeight);
// Puts the `rects` of an image of imageWidth x imageHeight onto the <canvas> (which takes
// that size): `rgba` holds the whole image's pixels as RGBA rows, without gaps.
void ShowKept(const uint8_t* rgba, int imageWidth, int imageHeight, const std::vector<RECT>& rects);

// A tick of the cycle was drawn: the step it began at and the next one, its
// milliseconds in all and those of them spent putting pixels on the canvas, and
// whether the picture is held now (no tick follows).
void Ticked(int started, int step, double ms, double showMs, bool held);
// The program started with these settings (as it loaded them) and this background.
void Started(const int flags[7], int background, int intervalMs, COLORREF backgroundColour);

// The explorer began (the page sends it the pointer and keys) or ended.
void Exploring(bool on);
// The explorer drew a picture, in `ms` of which `showMs` went to the <canvas>.
void Explored(double ms, double showMs);
// The pointer's shape over the <canvas>: the number of a system cursor (IDC_ARROW,
// IDC_HAND, IDC_SIZEALL), 0 for none.
void PointerShape(int cursor);
// The <canvas> as it is now, offered as the download dreieck-YYYYMMDD-HHMMSS.png
// (the browser's local time), and `svg`, when not empty, as the same name's .svg;
// `redraw` is the options that draw it again.
void SavePicture(const std::string& redraw, const std::string& svg);

// The address's query as arguments: decoded names and values, and each pair as the
// address writes it.
std::vector<dreieck::Argument> Query();
// A settings value kept by the page under its registry name; -1 when it keeps none.
int StoredSetting(const char* valueName);
// One line on the page: what went wrong (`error`), or what was asked for (--version);
// `text` may hold more lines (--help).
void Message(const std::string& text, bool error);

// Where the address asks the program to draw, by the option's name ("fullscreen",
// "root", "window-id", "picture", "frames"), or "" for a window of its own.
void Where(const char* option);

// The label font's file, fetched by the page before the program started.
std::vector<uint8_t> FontFile();

// One control of the settings panel, as the dialog template places it (dialog units):
// its kind ("check", "radio", "group", "text", "button", "range"), what it sets
// ("flag", "shade", "interval", "ok", "cancel" or ""), and which one (the construction,
// the shade, the button's default-ness), its text (UTF-8) and place.
void PanelControl(const char* kind, const char* role, int which, const std::string& text, int x, int y, int cx,
                  int cy);
// The panel itself: its caption (UTF-8), size in dialog units, the interval's range,
// and the names the settings are kept under (those of the registry values): the seven
// constructions, the background and the interval.
void Panel(const std::string& caption, int cx, int cy, int intervalMin, int intervalMax,
           const std::vector<std::string>& valueNames);

}  // namespace web::page
