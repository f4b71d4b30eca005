// What the web backend asks of the page's JavaScript (frontends/page/site/page.js),
// which owns the <canvas>, the browser's timer and the page's input. Each function here
// is one call into the page's `page` object.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "platform/core/windows.h"

namespace web::page {

// What the page posts while the program waits, as the page names it ("pointer", ...):
// the kinds, with the numbers (a, b) and the name (`name`) each carries.
enum class EventKind {
  None,
  Button,        // "button": a button of the page's own, `name` its name
  Pointer,       // "pointer": over the <canvas>, a, b its place in device pixels, `name` what
                 // it did: "moved", "pressed" or "released"
  Key,           // "key": a key for the program's window, `name` the browser's name of it
                 // ("ArrowLeft", "s", " ", ...), a 1 when it is held down
  Resized,       // "resized": the page's window changed its size
  DialogClick,   // "dialog-click": a click on the dialog's control a
  DialogScroll,  // "dialog-scroll": the dialog's scroll bar a, its thumb dropped at b
  DialogKey,     // "dialog-key": a key in the dialog, `name` as for "key"
};
struct Event {
  EventKind kind = EventKind::None;
  int a = 0, b = 0;  // what the event carries
  std::string name;
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
// The pointer's shape over the <canvas>, as CSS names it ("none", "default", ...).
void PointerShape(const char* css);

// A modal dialog as JSON: {"caption", "cx", "cy" (CSS pixels), "controls": [{"type"
// ("button", "default", "check", "radio", "group", "text", "text-right",
// "scrollbar"), "id", "text", "x", "y", "cx", "cy" (CSS pixels), "checked", "min",
// "max", "pos"}]}, texts in UTF-8. Shown, shown again as it now is, or gone.
void ShowDialog(const std::string& json);
void CloseDialog();

// One line on the page: what went wrong (`error`), or what was asked for; `text` may
// hold more lines.
void Message(const std::string& text, bool error);

}  // namespace web::page
