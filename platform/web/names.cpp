#include "platform/web/names.h"

#include <cstdio>
#include <utility>

#include "platform/cairo/canvas.h"

namespace web {

WPARAM VirtualKey(const std::string& name) {
  static const std::pair<const char*, WPARAM> kNamed[] = {
      {"ArrowLeft", VK_LEFT}, {"ArrowUp", VK_UP},   {"ArrowRight", VK_RIGHT}, {"ArrowDown", VK_DOWN},
      {" ", VK_SPACE},        {"Escape", VK_ESCAPE}, {"Enter", VK_RETURN},
      {"Backspace", VK_BACK},
  };
  for (const auto& [key, code] : kNamed)
    if (name == key) return code;
  if (name.size() != 1) return 0;
  const char c = name[0];
  if (c >= '0' && c <= '9') return static_cast<WPARAM>(c);
  if (c >= 'a' && c <= 'z') return static_cast<WPARAM>(c - 'a' + 'A');
  if (c >= 'A' && c <= 'Z') return static_cast<WPARAM>(c);
  return 0;
}

UINT MouseMessage(const std::string& what) {
  if (what == "pressed") return WM_LBUTTONDOWN;
  if (what == "released") return WM_LBUTTONUP;
  return WM_MOUSEMOVE;
}

const char* PointerCss(core::Pointer pointer) {
  switch (pointer) {
    case core::Pointer::Hidden: return "none";
    case core::Pointer::Arrow: return "default";
    case core::Pointer::Hand: return "pointer";
    case core::Pointer::Move: return "move";
  }
  return "default";
}

namespace {

std::string JsonText(const std::string& windows1252) {
  const std::string utf8 = cairo_canvas::Utf8FromWindows1252(windows1252.data(), static_cast<int>(windows1252.size()));
  std::string out = "\"";
  for (const char c : utf8) {
    const unsigned char byte = static_cast<unsigned char>(c);
    if (c == '"' || c == '\\') {
      out += '\\';
      out += c;
    } else if (byte < 0x20) {
      char escaped[8];
      std::snprintf(escaped, sizeof escaped, "\\u%04x", byte);
      out += escaped;
    } else {
      out += c;
    }
  }
  return out + "\"";
}

// A number of CSS pixels as JSON writes it: "12", "12.5", "3.25".
std::string JsonNumber(double value) {
  char text[32];
  std::snprintf(text, sizeof text, "%.10g", value);
  return text;
}

const char* TypeName(core::DialogControl::Type type) {
  using Type = core::DialogControl::Type;
  switch (type) {
    case Type::PushButton: return "button";
    case Type::DefaultButton: return "default";
    case Type::CheckBox: return "check";
    case Type::Radio: return "radio";
    case Type::GroupBox: return "group";
    case Type::Text: return "text";
    case Type::TextRight: return "text-right";
    case Type::ScrollBar: return "scrollbar";
  }
  return "text";
}

// Dialog units in CSS pixels: those of the dialogs' font, "MS Sans Serif" 8, whose
// average character is 6 pixels wide and 13 high (a unit is a quarter of its width and
// an eighth of its height).
std::string AcrossPx(int units) { return JsonNumber(units * 6.0 / 4.0); }
std::string DownPx(int units) { return JsonNumber(units * 13.0 / 8.0); }

}  // namespace

std::string DialogJson(HWND dialog) {
  const core::DialogView view = core::DescribeDialog(dialog);
  std::string json = "{\"caption\":" + JsonText(view.caption) + ",\"cx\":" + AcrossPx(view.cx) +
                     ",\"cy\":" + DownPx(view.cy) + ",\"controls\":[";
  for (size_t i = 0; i < view.controls.size(); ++i) {
    const core::DialogControl& c = view.controls[i];
    json += std::string(i == 0 ? "" : ",") + "{\"type\":\"" + TypeName(c.type) + "\",\"id\":" + std::to_string(c.id) +
            ",\"text\":" + JsonText(c.text) + ",\"x\":" + AcrossPx(c.x) + ",\"y\":" + DownPx(c.y) +
            ",\"cx\":" + AcrossPx(c.cx) + ",\"cy\":" + DownPx(c.cy) +
            ",\"checked\":" + (c.checked ? "true" : "false") + ",\"min\":" + std::to_string(c.min) +
            ",\"max\":" + std::to_string(c.max) + ",\"pos\":" + std::to_string(c.pos) + "}";
  }
  return json + "]}";
}

}  // namespace web
