// gdi32 on the host: pens, fonts, stock objects and device contexts, recorded call by
// call. Nothing is rasterised; tests read the record.
#include "platform/host/state.h"

#include <cstring>

using namespace host;

namespace {

const char* const kStockNames[] = {
    "WHITE_BRUSH", "LTGRAY_BRUSH",    "GRAY_BRUSH",      "DKGRAY_BRUSH",       "BLACK_BRUSH",
    "NULL_BRUSH",  "WHITE_PEN",       "BLACK_PEN",       "NULL_PEN",           nullptr,
    "OEM_FIXED_FONT", "ANSI_FIXED_FONT", "ANSI_VAR_FONT", "SYSTEM_FONT",      "DEVICE_DEFAULT_FONT",
    "DEFAULT_PALETTE", "SYSTEM_FIXED_FONT", "DEFAULT_GUI_FONT", "DC_BRUSH", "DC_PEN"};
const int kStockCount = static_cast<int>(sizeof kStockNames / sizeof kStockNames[0]);

// Stock objects are made once per reset, on first use, and never die.
HGDIOBJ Stock(int index) {
  std::map<int, void*>& stock = S().stock;
  auto it = stock.find(index);
  if (it != stock.end()) return it->second;
  Object object(Kind::StockObject);
  object.name = std::string("stock:") + kStockNames[index];
  return stock[index] = NewObject(object, nullptr);
}

bool IsPen(const Object* o) {
  return o->kind == Kind::Pen || (o->kind == Kind::StockObject && o->name.find("_PEN") != std::string::npos);
}
bool IsFont(const Object* o) {
  return o->kind == Kind::Font || (o->kind == Kind::StockObject && o->name.find("_FONT") != std::string::npos);
}

Object* Dc(HDC dc, const char* call) {
  Object* object = FindAlive(dc, Kind::Dc);
  if (object == nullptr) Error(std::string(call) + ": " + Name(dc) + " is no live device context");
  return object;
}

}  // namespace

namespace host {

HDC NewDc(HWND window) {
  Object dc(Kind::Dc);
  dc.defaultPen = dc.pen = Stock(BLACK_PEN);
  dc.defaultFont = dc.font = Stock(SYSTEM_FONT);
  dc.dcWindow = window;
  HDC handle = static_cast<HDC>(NewObject(dc, "dc"));
  S().liveDcs.push_back(handle);
  return handle;
}

void CloseDc(HDC handle) {
  Object* dc = FindAlive(handle, Kind::Dc);
  if (dc == nullptr) {
    Error("ReleaseDC: " + Name(handle) + " is no live device context");
    return;
  }
  if (dc->pen != dc->defaultPen) Error("ReleaseDC: " + dc->name + " still holds " + Name(dc->pen));
  if (dc->font != dc->defaultFont)
    Error("ReleaseDC: " + dc->name + " still holds " + Name(dc->font));
  dc->alive = false;
  std::vector<void*>& live = S().liveDcs;
  for (size_t i = 0; i < live.size(); ++i)
    if (live[i] == handle) live.erase(live.begin() + static_cast<long>(i));
}

int LiveObjectCount() { return S().liveObjects; }

std::string SelectedPen(HDC dc) {
  const Object* o = FindAlive(dc, Kind::Dc);
  return o ? Name(o->pen) : "no dc";
}
std::string SelectedFont(HDC dc) {
  const Object* o = FindAlive(dc, Kind::Dc);
  return o ? Name(o->font) : "no dc";
}
int BkMode(HDC dc) {
  const Object* o = FindAlive(dc, Kind::Dc);
  return o ? o->bkMode : 0;
}
COLORREF TextColour(HDC dc) {
  const Object* o = FindAlive(dc, Kind::Dc);
  return o ? o->textColour : 0;
}
void SetDisplaySize(int width, int height) {
  S().displayWidth = width;
  S().displayHeight = height;
}
void SetTextMetrics(int perByte, int height) {
  S().textPerByte = perByte;
  S().textHeight = height;
}

}  // namespace host

HPEN WINAPI CreatePen(int style, int width, COLORREF colour) {
  if (style < PS_SOLID || style > PS_DASHDOTDOT) Unsupported("CreatePen style " + std::to_string(style));
  Object pen(Kind::Pen);
  HPEN handle = static_cast<HPEN>(NewObject(pen, "pen"));
  ++S().liveObjects;
  Call("CreatePen", style, width, Hex(colour));
  return handle;
}

HFONT WINAPI CreateFontA(int height, int width, int escapement, int orientation, int weight,
                         DWORD italic, DWORD underline, DWORD strikeOut, DWORD charSet,
                         DWORD outPrecision, DWORD clipPrecision, DWORD quality,
                         DWORD pitchAndFamily, LPCSTR faceName) {
  Object font(Kind::Font);
  HFONT handle = static_cast<HFONT>(NewObject(font, "font"));
  ++S().liveObjects;
  std::string face = faceName ? Quote(faceName, static_cast<int>(std::strlen(faceName))) : "null";
  Call("CreateFontA", height, width, escapement, orientation, weight, italic, underline, strikeOut,
       charSet, outPrecision, clipPrecision, quality, pitchAndFamily, face);
  return handle;
}

HGDIOBJ WINAPI GetStockObject(int index) {
  HGDIOBJ handle = (index >= 0 && index < kStockCount && kStockNames[index]) ? Stock(index) : nullptr;
  Call("GetStockObject", index);
  return handle;
}

HGDIOBJ WINAPI SelectObject(HDC dc, HGDIOBJ object) {
  Call("SelectObject", dc, object);
  Object* d = Dc(dc, "SelectObject");
  Object* o = Find(object);
  if (d == nullptr) return nullptr;
  if (o == nullptr || !o->alive) {
    Error("SelectObject: " + Name(object) + " is no live object");
    return nullptr;
  }
  HGDIOBJ previous;
  if (IsPen(o)) {
    previous = d->pen;
    d->pen = object;
  } else if (IsFont(o)) {
    previous = d->font;
    d->font = object;
  } else {
    Unsupported("SelectObject of " + o->name);
  }
  return previous;
}

BOOL WINAPI DeleteObject(HGDIOBJ object) {
  Call("DeleteObject", object);
  Object* o = Find(object);
  if (o == nullptr || !o->alive) {
    Error("DeleteObject: " + Name(object) + " is no live object");
    return FALSE;
  }
  if (o->kind == Kind::StockObject) return TRUE;  // Windows ignores it
  if (o->kind != Kind::Pen && o->kind != Kind::Font && o->kind != Kind::Brush) {
    Error("DeleteObject: " + o->name + " is no GDI object");
    return FALSE;
  }
  for (void* handle : S().liveDcs) {
    const Object& d = *Find(handle);
    if (d.pen == object || d.font == object) {
      Error("DeleteObject: " + o->name + " is still selected into " + d.name);
      return FALSE;
    }
  }
  o->alive = false;
  --S().liveObjects;
  return TRUE;
}

int WINAPI SetBkMode(HDC dc, int mode) {
  Call("SetBkMode", dc, mode);
  Object* d = Dc(dc, "SetBkMode");
  if (d == nullptr) return 0;
  int previous = d->bkMode;
  d->bkMode = mode;
  return previous;
}

BOOL WINAPI MoveToEx(HDC dc, int x, int y, LPPOINT previous) {
  if (previous != nullptr) Unsupported("MoveToEx with a previous-position pointer");
  Call("MoveToEx", dc, x, y);
  return Dc(dc, "MoveToEx") != nullptr;
}

BOOL WINAPI LineTo(HDC dc, int x, int y) {
  Call("LineTo", dc, x, y);
  return Dc(dc, "LineTo") != nullptr;
}

BOOL WINAPI AngleArc(HDC dc, int x, int y, DWORD radius, FLOAT startAngle, FLOAT sweepAngle) {
  Call("AngleArc", dc, x, y, radius, static_cast<double>(startAngle), static_cast<double>(sweepAngle));
  return Dc(dc, "AngleArc") != nullptr;
}

COLORREF WINAPI SetTextColor(HDC dc, COLORREF colour) {
  Call("SetTextColor", dc, Hex(colour));
  Object* d = Dc(dc, "SetTextColor");
  if (d == nullptr) return 0;
  COLORREF previous = d->textColour;
  d->textColour = colour;
  return previous;
}

BOOL WINAPI TextOutA(HDC dc, int x, int y, LPCSTR text, int count) {
  Call("TextOutA", dc, x, y, Quote(text, count), count);
  return Dc(dc, "TextOutA") != nullptr;
}

BOOL WINAPI GetTextExtentPoint32A(HDC dc, LPCSTR text, int count, LPSIZE size) {
  Call("GetTextExtentPoint32A", dc, Quote(text, count), count);
  if (Dc(dc, "GetTextExtentPoint32A") == nullptr) return FALSE;
  size->cx = S().textPerByte * count;
  size->cy = S().textHeight;
  return TRUE;
}

int WINAPI GetDeviceCaps(HDC dc, int index) {
  Call("GetDeviceCaps", dc, index);
  if (Dc(dc, "GetDeviceCaps") == nullptr) return 0;
  if (index == HORZRES) return S().displayWidth;
  if (index == VERTRES) return S().displayHeight;
  Unsupported("GetDeviceCaps index " + std::to_string(index));
}
