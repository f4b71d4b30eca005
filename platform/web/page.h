// What the web backend asks of the page's JavaScript (frontends/page/site/page.js),
// which owns the <canvas>, the browser's timer and the page's input. Each function here
// is one call into the page's `page` object.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "platform/core/windows.h"

namespace web::page {

// What the page posts while the program waits.
enum class EventKind {
  None = 0,
  Settings = 1,      // the Settings button (the page's own)
  Pointer = 2,       // the pointer over the <canvas>: a, b its place in device pixels, c a PointerAction
  Key = 3,           // a key for the program's window: a its virtual-key code, b 1 when held down
  Explore = 4,       // the Explore button (the page's own)
  Resized = 5,       // the page's window changed its size
  DialogClick = 6,   // a click on the dialog's control a
  DialogScroll = 7,  // the dialog's scroll bar a, its thumb dropped at b
  DialogKey = 8,     // a key in the dialog: a its virtual-key code
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
// The pointer's shape over the <canvas>: a core::Pointer as its number (0 none, 1 the
// arrow, 2 a pointing hand, 3 four arrows).
void PointerShape(int cursor);

// A modal dialog as JSON: {"caption", "cx", "cy" (dialog units), "controls": [{"type"
// ("button", "default", "check", "radio", "group", "text", "text-right",
// "scrollbar"), "id", "text", "x", "y", "cx", "cy", "checked", "min", "max", "pos"}]},
// texts in UTF-8. Shown, shown again as it now is, or gone.
void ShowDialog(const std::string& json);
void CloseDialog();

// One line on the page: what went wrong (`error`), or what was asked for; `text` may
// hold more lines.
void Message(const std::string& text, bool error);

}  // namespace web::page
