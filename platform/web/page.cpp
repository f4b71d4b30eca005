#include "platform/web/page.h"

#include <emscripten.h>

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

EM_JS(void, PagePointerShape, (int cursor), {
  Module.page.pointerShape(cursor);
});

EM_JS(void, PageShowDialog, (const char* json), {
  Module.page.showDialog(JSON.parse(UTF8ToString(json)));
});

EM_JS(void, PageCloseDialog, (), {
  Module.page.closeDialog();
});

EM_JS(void, PageMessage, (const char* text, int error), {
  Module.page.message(UTF8ToString(text), !!error);
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

void PointerShape(int cursor) { PagePointerShape(cursor); }

void ShowDialog(const std::string& json) { PageShowDialog(json.c_str()); }

void CloseDialog() { PageCloseDialog(); }

void Message(const std::string& text, bool error) { PageMessage(text.c_str(), error ? 1 : 0); }

}  // namespace web::page
