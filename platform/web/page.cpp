#include "platform/web/page.h"

#include <emscripten.h>

#include <cstring>
#include <utility>

// clang-format off
EM_ASYNC_JS(int, PageWait, (double timeoutMs), {
  return await Module.page.wait(timeoutMs);
});

// The next event as [kind, [numbers], name]: its kind and name into the buffers of
// `size` bytes (cut short there), its first two numbers into `numbers`; false when there
// is none.
EM_JS(int, PageNextEvent, (char* kind, char* name, int size, int* numbers), {
  const event = Module.page.nextEvent();
  if (!event) return 0;
  stringToUTF8(String(event[0]), kind, size);
  stringToUTF8(String(event[2] || ""), name, size);
  HEAP32[(numbers >> 2) + 0] = (event[1] || [])[0] | 0;
  HEAP32[(numbers >> 2) + 1] = (event[1] || [])[1] | 0;
  return 1;
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

EM_JS(void, PagePointerShape, (const char* css), {
  Module.page.pointerShape(UTF8ToString(css));
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
  static const std::pair<const char*, EventKind> kKinds[] = {
      {"button", EventKind::Button},       {"pointer", EventKind::Pointer},
      {"key", EventKind::Key},             {"resized", EventKind::Resized},
      {"dialog-click", EventKind::DialogClick}, {"dialog-scroll", EventKind::DialogScroll},
      {"dialog-key", EventKind::DialogKey},
  };
  char kind[32] = {}, name[32] = {};
  int numbers[2] = {};
  Event event;
  // An event of a kind the page does not post is passed over.
  while (PageNextEvent(kind, name, sizeof kind, numbers) != 0) {
    for (const auto& [text, known] : kKinds) {
      if (std::strcmp(kind, text) != 0) continue;
      event.kind = known;
      event.a = numbers[0];
      event.b = numbers[1];
      event.name = name;
      return event;
    }
  }
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

void PointerShape(const char* css) { PagePointerShape(css); }

void ShowDialog(const std::string& json) { PageShowDialog(json.c_str()); }

void CloseDialog() { PageCloseDialog(); }

void Message(const std::string& text, bool error) { PageMessage(text.c_str(), error ? 1 : 0); }

}  // namespace web::page
