#include "platform/web/page.h"

#include <emscripten.h>

#include <cstdlib>

// clang-format off
EM_ASYNC_JS(int, PageWait, (double timeoutMs), {
  return await Module.page.wait(timeoutMs);
});

EM_JS(int, PageNextEvent, (int* out), {
  const event = Module.page.nextEvent();
  if (!event) return 0;
  HEAP32[(out >> 2) + 0] = event[1] | 0;
  HEAP32[(out >> 2) + 1] = event[2] | 0;
  HEAP32[(out >> 2) + 2] = event[3] | 0;
  return event[0];
});

EM_JS(void, PageWindowSize, (int* out), {
  const size = Module.page.windowSize();
  HEAP32[(out >> 2) + 0] = size[0];
  HEAP32[(out >> 2) + 1] = size[1];
});

EM_JS(void, PageShow, (const uint8_t* rgba, int x, int y, int width, int height, int imageWidth, int imageHeight), {
  Module.page.show(new Uint8ClampedArray(HEAPU8.buffer, rgba, width * height * 4), x, y, width, height,
                   imageWidth, imageHeight);
});

EM_JS(void, PageShowKept, (const uint8_t* rgba, int imageWidth, int imageHeight, const int* rects, int count), {
  Module.page.showKept(new Uint8ClampedArray(HEAPU8.buffer, rgba, imageWidth * imageHeight * 4), imageWidth,
                       imageHeight, HEAP32.subarray(rects >> 2, (rects >> 2) + count * 4));
});

EM_JS(void, PageTicked, (int started, int step, double ms, double showMs, int held), {
  Module.page.ticked(started, step, ms, showMs, !!held);
});

EM_JS(void, PageStarted, (const int* flags, int background, int intervalMs, int colour), {
  Module.page.started(Array.from(HEAP32.subarray(flags >> 2, (flags >> 2) + 7)), background, intervalMs,
                      colour & 0xFF, (colour >> 8) & 0xFF, (colour >> 16) & 0xFF);
});

EM_JS(int, PageQueryCount, (), {
  return Module.page.query.length;
});

// Part 0 the name, 1 the value (null when there is none), 2 the pair as written; as
// UTF-8 in memory the program frees.
EM_JS(char*, PageQueryPart, (int index, int part), {
  const text = Module.page.query[index][part];
  if (text === null) return 0;
  const bytes = lengthBytesUTF8(text) + 1;
  const copy = _malloc(bytes);
  stringToUTF8(text, copy, bytes);
  return copy;
});

EM_JS(int, PageStoredSetting, (const char* name), {
  return Module.page.storedSetting(UTF8ToString(name));
});

EM_JS(void, PageMessage, (const char* text, int error), {
  Module.page.message(UTF8ToString(text), !!error);
});

EM_JS(void, PageWhere, (const char* option), {
  Module.page.where(UTF8ToString(option));
});

EM_JS(int, PageFontSize, (), {
  return Module.page.font.length;
});

EM_JS(void, PageFontCopy, (uint8_t* to), {
  HEAPU8.set(Module.page.font, to);
});

EM_JS(void, PagePanelControl, (const char* kind, const char* role, int which, const char* text, int x, int y,
                               int cx, int cy), {
  Module.page.panelControl(UTF8ToString(kind), UTF8ToString(role), which, UTF8ToString(text), x, y, cx, cy);
});

EM_JS(void, PagePanel, (const char* caption, int cx, int cy, int intervalMin, int intervalMax, const char* names), {
  Module.page.panel(UTF8ToString(caption), cx, cy, intervalMin, intervalMax, UTF8ToString(names).split("\n"));
});
EM_JS(void, PageExploring, (int on), {
  Module.page.exploring(!!on);
});

EM_JS(void, PageExplored, (double ms, double showMs), {
  Module.page.explored(ms, showMs);
});

EM_JS(void, PagePointerShape, (int cursor), {
  Module.page.pointerShape(cursor);
});

EM_JS(void, PageSavePicture, (const char* redraw, const char* svg, int svgLength), {
  Module.page.savePicture(UTF8ToString(redraw), svgLength > 0 ? UTF8ToString(svg, svgLength) : "");
});
// clang-format on

namespace web::page {

bool Wait(double timeoutMs) { return PageWait(timeoutMs) != 0; }

Event NextEvent() {
  int data[3] = {};
  Event event;
  event.kind = static_cast<EventKind>(PageNextEvent(data));
  event.a = data[0];
  event.b = data[1];
  event.c = data[2];
  return event;
}

SIZE WindowSize() {
  int size[2] = {};
  PageWindowSize(size);
  return {size[0], size[1]};
}

void Show(const uint8_t* rgba, const RECT& part, int imageWidth, int imageHeight) {
  PageShow(rgba, part.left, part.top, part.right - part.left, part.bottom - part.top, imageWidth, imageHeight);
}

void ShowKept(const uint8_t* rgba, int imageWidth, int imageHeight, const std::vector<RECT>& rects) {
  std::vector<int> flat;
  flat.reserve(rects.size() * 4);
  for (const RECT& r : rects) {
    flat.push_back(r.left);
    flat.push_back(r.top);
    flat.push_back(r.right - r.left);
    flat.push_back(r.bottom - r.top);
  }
  PageShowKept(rgba, imageWidth, imageHeight, flat.data(), static_cast<int>(rects.size()));
}

void Ticked(int started, int step, double ms, double showMs, bool held) {
  PageTicked(started, step, ms, showMs, held ? 1 : 0);
}

void Started(const int flags[7], int background, int intervalMs, COLORREF backgroundColour) {
  PageStarted(flags, background, intervalMs, static_cast<int>(backgroundColour));
}

std::vector<dreieck::Argument> Query() {
  std::vector<dreieck::Argument> arguments;
  const int count = PageQueryCount();
  for (int i = 0; i < count; ++i) {
    dreieck::Argument argument;
    for (int part = 0; part < 3; ++part) {
      char* text = PageQueryPart(i, part);
      if (text == nullptr) continue;
      if (part == 0) argument.name = text;
      else if (part == 1) argument.value = text;
      else argument.written = text;
      std::free(text);
    }
    arguments.push_back(std::move(argument));
  }
  return arguments;
}

void Exploring(bool on) { PageExploring(on ? 1 : 0); }

void Explored(double ms, double showMs) { PageExplored(ms, showMs); }

void PointerShape(int cursor) { PagePointerShape(cursor); }

void SavePicture(const std::string& redraw, const std::string& svg) {
  PageSavePicture(redraw.c_str(), svg.c_str(), static_cast<int>(svg.size()));
}

void Where(const char* option) { PageWhere(option); }

int StoredSetting(const char* valueName) { return PageStoredSetting(valueName); }

void Message(const std::string& text, bool error) { PageMessage(text.c_str(), error ? 1 : 0); }

std::vector<uint8_t> FontFile() {
  std::vector<uint8_t> bytes(static_cast<size_t>(PageFontSize()));
  if (!bytes.empty()) PageFontCopy(bytes.data());
  return bytes;
}

void PanelControl(const char* kind, const char* role, int which, const std::string& text, int x, int y, int cx,
                  int cy) {
  PagePanelControl(kind, role, which, text.c_str(), x, y, cx, cy);
}

void Panel(const std::string& caption, int cx, int cy, int intervalMin, int intervalMax,
           const std::vector<std::string>& valueNames) {
  std::string names;
  for (const std::string& name : valueNames) names += (names.empty() ? "" : "\n") + name;
  PagePanel(caption.c_str(), cx, cy, intervalMin, intervalMax, names.c_str());
}

}  // namespace web::page
