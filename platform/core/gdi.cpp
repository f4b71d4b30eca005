// gdi32: pens, fonts, stock objects and device contexts, recorded call by call. The
// core keeps what each device context holds; the drawing itself goes to the canvas of
// the context's window, if the backend gives it one.
#include "platform/core/state.h"
#include "platform/core/testing.h"

#include <cmath>
#include <cstring>

using namespace core;

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
  Object object(ObjectKind::StockObject);
  object.name = std::string("stock:") + kStockNames[index];
  object.stockIndex = index;
  return stock[index] = NewObject(object, nullptr);
}

bool IsPen(const Object* o) {
  return o->kind == ObjectKind::Pen || (o->kind == ObjectKind::StockObject && o->name.find("_PEN") != std::string::npos);
}
bool IsFont(const Object* o) {
  return o->kind == ObjectKind::Font || (o->kind == ObjectKind::StockObject && o->name.find("_FONT") != std::string::npos);
}

Object* Dc(HDC dc, const char* call) { return LiveDc(dc, call); }

// The canvas a device context draws on, or null.
Canvas* CanvasOf(const Object* dc) { return CurrentBackend().CanvasOf(dc->dcWindow); }

// How the pen and font a device context holds look. The stock pens are cosmetic and
// one pixel wide; the stock fonts stand for the system's default font.
PenLook PenOf(const Object* dc) {
  const Object* pen = Find(dc->pen);
  if (pen == nullptr || pen->kind == ObjectKind::Pen) return pen ? pen->penLook : PenLook{};
  PenLook look;
  if (pen->stockIndex == WHITE_PEN) look.colour = 0x00FFFFFF;
  if (pen->stockIndex == NULL_PEN) look.style = PS_NULL;
  return look;
}
FontLook FontOf(const Object* dc) {
  const Object* font = Find(dc->font);
  if (font != nullptr && font->kind == ObjectKind::Font) return font->fontLook;
  FontLook look;
  look.height = 16;
  look.weight = 700;
  look.face = "Sans";
  return look;
}

// A double to a coordinate, rounded to nearest and held within 32 bits.
int RoundToInt(double v) {
  if (!(v > -2147483648.0)) return INT32_MIN;
  if (!(v < 2147483647.0)) return INT32_MAX;
  return static_cast<int>(std::lround(v));
}

}  // namespace

namespace core {

HDC NewDc(HWND window) {
  Object dc(ObjectKind::Dc);
  dc.defaultPen = dc.pen = Stock(BLACK_PEN);
  dc.defaultFont = dc.font = Stock(SYSTEM_FONT);
  dc.dcWindow = window;
  HDC handle = static_cast<HDC>(NewObject(dc, "dc"));
  S().liveDcs.push_back(handle);
  return handle;
}

void CloseDc(HDC handle) {
  Object* dc = FindAlive(handle, ObjectKind::Dc);
  if (dc == nullptr) {
    Error("ReleaseDC: " + Name(handle) + " is no live device context");
    return;
  }
  if (dc->pen != dc->defaultPen) Error("ReleaseDC: " + dc->name + " still holds " + Name(dc->pen));
  if (dc->font != dc->defaultFont)
    Error("ReleaseDC: " + dc->name + " still holds " + Name(dc->font));
  Retire(dc);
  if (Canvas* canvas = CurrentBackend().CanvasOf(dc->dcWindow)) canvas->Flush();
  std::vector<void*>& live = S().liveDcs;
  for (size_t i = 0; i < live.size(); ++i)
    if (live[i] == handle) live.erase(live.begin() + static_cast<long>(i));
}

int LiveObjectCount() { return S().liveObjects; }

std::string SelectedPen(HDC dc) {
  const Object* o = FindAlive(dc, ObjectKind::Dc);
  return o ? Name(o->pen) : "no dc";
}
std::string SelectedFont(HDC dc) {
  const Object* o = FindAlive(dc, ObjectKind::Dc);
  return o ? Name(o->font) : "no dc";
}
int BkMode(HDC dc) {
  const Object* o = FindAlive(dc, ObjectKind::Dc);
  return o ? o->bkMode : 0;
}
COLORREF TextColour(HDC dc) {
  const Object* o = FindAlive(dc, ObjectKind::Dc);
  return o ? o->textColour : 0;
}
void SetDisplaySize(int width, int height) {
  S().knobs.displayWidth = width;
  S().knobs.displayHeight = height;
}
void SetTextMetrics(int perByte, int height) {
  S().knobs.textPerByte = perByte;
  S().knobs.textHeight = height;
}
void FailObjectCreation(bool fail) { S().knobs.failObjectCreation = fail; }

COLORREF BrushColour(HBRUSH brush) {
  static const COLORREF kStockBrushes[] = {0x00FFFFFF, 0x00C0C0C0, 0x00808080, 0x00404040, 0x00000000};
  const Object* o = Find(brush);
  if (o != nullptr && o->kind == ObjectKind::StockObject && o->stockIndex >= 0 && o->stockIndex <= BLACK_BRUSH)
    return kStockBrushes[o->stockIndex];
  Unsupported("a brush other than the five stock brushes: " + Name(brush));
}

}  // namespace core

HPEN WINAPI CreatePen(int style, int width, COLORREF colour) {
  if (style < PS_SOLID || style > PS_DASHDOTDOT) Unsupported("CreatePen style " + std::to_string(style));
  Object pen(ObjectKind::Pen);
  // A pen wider than one pixel is drawn solid whatever dashes were asked for.
  pen.penLook = {width > 1 ? PS_SOLID : style, width < 1 ? 1 : width, colour & 0x00FFFFFF};
  HPEN handle = nullptr;
  if (!S().knobs.failObjectCreation) {
    handle = static_cast<HPEN>(NewObject(pen, "pen"));
    ++S().liveObjects;
  }
  Call("CreatePen", style, width, Hex(colour));
  return handle;
}

HFONT WINAPI CreateFontA(int height, int width, int escapement, int orientation, int weight,
                         DWORD italic, DWORD underline, DWORD strikeOut, DWORD charSet,
                         DWORD outPrecision, DWORD clipPrecision, DWORD quality,
                         DWORD pitchAndFamily, LPCSTR faceName) {
  Object font(ObjectKind::Font);
  font.fontLook.height = height;
  font.fontLook.width = width;
  font.fontLook.weight = weight;
  font.fontLook.italic = italic != 0;
  font.fontLook.face = faceName != nullptr ? faceName : "";
  if (escapement != 0 || orientation != 0) Unsupported("CreateFontA with an escapement or orientation");
  HFONT handle = nullptr;
  if (!S().knobs.failObjectCreation) {
    handle = static_cast<HFONT>(NewObject(font, "font"));
    ++S().liveObjects;
  }
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
  if (o->kind == ObjectKind::StockObject) return TRUE;  // Windows ignores it
  if (o->kind != ObjectKind::Pen && o->kind != ObjectKind::Font && o->kind != ObjectKind::Brush) {
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
  Retire(o);
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
  Object* d = Dc(dc, "MoveToEx");
  if (d == nullptr) return FALSE;
  d->position = {x, y};
  return TRUE;
}

BOOL WINAPI LineTo(HDC dc, int x, int y) {
  Call("LineTo", dc, x, y);
  Object* d = Dc(dc, "LineTo");
  if (d == nullptr) return FALSE;
  if (Canvas* canvas = CanvasOf(d)) canvas->Line(PenOf(d), d->bkMode == OPAQUE, d->position, {x, y});
  d->position = {x, y};
  return TRUE;
}

// A line from the current position to where the arc starts, then the arc; the
// current position ends where the arc ends.
BOOL WINAPI AngleArc(HDC dc, int x, int y, DWORD radius, FLOAT startAngle, FLOAT sweepAngle) {
  Call("AngleArc", dc, x, y, radius, static_cast<double>(startAngle), static_cast<double>(sweepAngle));
  Object* d = Dc(dc, "AngleArc");
  if (d == nullptr) return FALSE;
  const double kRadians = 3.14159265358979323846 / 180.0;
  const double start = static_cast<double>(startAngle);
  const double end = start + static_cast<double>(sweepAngle);
  const double r = static_cast<double>(radius);
  const POINT from = {RoundToInt(x + r * std::cos(start * kRadians)), RoundToInt(y - r * std::sin(start * kRadians))};
  const POINT to = {RoundToInt(x + r * std::cos(end * kRadians)), RoundToInt(y - r * std::sin(end * kRadians))};
  if (Canvas* canvas = CanvasOf(d)) {
    const PenLook pen = PenOf(d);
    const bool opaque = d->bkMode == OPAQUE;
    if (from.x != d->position.x || from.y != d->position.y) canvas->Line(pen, opaque, d->position, from);
    canvas->Arc(pen, opaque, x, y, radius, start, static_cast<double>(sweepAngle));
  }
  d->position = to;
  return TRUE;
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
  if (count < 0) Unsupported("TextOutA with a negative count");
  Call("TextOutA", dc, x, y, Quote(text, count), count);
  Object* d = Dc(dc, "TextOutA");
  if (d == nullptr) return FALSE;
  if (Canvas* canvas = CanvasOf(d)) canvas->Text(FontOf(d), d->textColour, d->bkMode == OPAQUE, x, y, text, count);
  return TRUE;
}

BOOL WINAPI GetTextExtentPoint32A(HDC dc, LPCSTR text, int count, LPSIZE size) {
  if (count < 0) Unsupported("GetTextExtentPoint32A with a negative count");
  Call("GetTextExtentPoint32A", dc, Quote(text, count), count);
  Object* d = Dc(dc, "GetTextExtentPoint32A");
  if (d == nullptr) return FALSE;
  if (Canvas* canvas = CanvasOf(d)) {
    *size = canvas->TextExtent(FontOf(d), text, count);
  } else {
    size->cx = S().knobs.textPerByte * count;
    size->cy = S().knobs.textHeight;
  }
  return TRUE;
}

int WINAPI GetDeviceCaps(HDC dc, int index) {
  Call("GetDeviceCaps", dc, index);
  Object* d = Dc(dc, "GetDeviceCaps");
  if (d == nullptr) return 0;
  const SIZE screen = CurrentBackend().ScreenSize(d->dcWindow);
  if (index == HORZRES) return screen.cx;
  if (index == VERTRES) return screen.cy;
  Unsupported("GetDeviceCaps index " + std::to_string(index));
}
