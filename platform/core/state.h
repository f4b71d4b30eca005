// Shared state of the stand-in platform: one table of handles (GDI objects, device
// contexts, windows, registry keys), the call record and the error list.
#pragma once

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <deque>
#include <map>
#include <string>
#include <vector>

#include "platform/core/backend.h"
#include "platform/core/seam.h"

namespace core {

enum class ObjectKind { Pen, Font, Brush, StockObject, Dc, Window, Key };

struct Object {
  explicit Object(ObjectKind k) : kind(k) {}
  ObjectKind kind;
  bool alive = true;
  size_t index = 0;       // its slot in the table
  uint32_t generation = 0;  // how often the slot was used before
  std::string name;
  // Pen, font, stock object: what it draws with.
  PenLook penLook;
  FontLook fontLook;
  int stockIndex = -1;
  // Device context: what is selected and its attributes.
  HGDIOBJ pen = nullptr;
  HGDIOBJ font = nullptr;
  HGDIOBJ defaultPen = nullptr;
  HGDIOBJ defaultFont = nullptr;
  int bkMode = OPAQUE;
  COLORREF textColour = 0;
  HWND dcWindow = nullptr;
  POINT position = {0, 0};
  // Window.
  WNDPROC proc = nullptr;
  HWND parent = nullptr;
  DWORD style = 0;
  UINT classStyle = 0;  // CS_HREDRAW, CS_VREDRAW: painted again when resized
  int width = 0;
  int height = 0;
  HBRUSH brush = nullptr;
  std::string className;
  std::string title;
  // Shown and not yet painted: the next WM_PAINT erases with the class brush first.
  bool needsPaint = false;
  bool needsErase = false;
  // Registry key: the path below HKEY_CURRENT_USER.
  std::string keyPath;
};

struct State {
  // Handle n is objects[n - 1]; a deque, so that a pointer to an object stays good
  // while more are made.
  std::deque<Object> objects;
  std::deque<size_t> deadSlots;  // slots of dead objects, the longest dead first
  std::vector<std::string> calls;
  std::vector<std::string> errors;
  std::map<std::string, int> counters;
  std::map<int, void*> stock;
  std::vector<void*> liveDcs;
  bool recording = false;  // testing.h: SetRecording
  int liveObjects = 0;  // pens, fonts and brushes created and not deleted
  Knobs knobs;
  std::deque<MSG> queue;
  HCURSOR cursor = nullptr;  // SetCursor's
  HWND capture = nullptr;    // SetCapture's
  bool quitPosted = false;
  int quitCode = 0;
  std::function<bool(const MSG&)> filter;  // backend.h: SetMessageFilter
  struct Timer {
    UINT period;
    uint64_t due;  // on the backend's clock
  };
  std::map<std::pair<HWND, UINT_PTR>, Timer> timers;
  bool clockSet = false;
  time_t clock = 0;
  uint32_t randomState = 1;
};

State& S();

// Handles are small integers dressed as pointers; 0 is null.
void* NewObject(Object object, const char* prefix);
void* HandleAt(size_t index);
// The object is dead: its handle names nothing live any more, and in time its slot
// serves another object.
void Retire(Object* object);
Object* Find(const void* handle);            // any object, alive or not
Object* FindAlive(const void* handle, ObjectKind kind);

void Record(const std::string& call);
void Error(const std::string& what);

// Formatting helpers for the call record: a handle's name ("pen1", "dc2", "null"), a
// number in hex.
std::string Name(const void* handle);
std::string Hex(uint32_t value);

// The live device context or window behind a handle, noting misuse under the call's name.
Object* LiveDc(HDC dc, const char* call);
Object* LiveWindow(HWND window, const char* call);
// Sends a message straight to a window's procedure, unrecorded (what the platform
// itself sends: WM_PAINT, WM_ERASEBKGND, WM_DESTROY).
LRESULT Deliver(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
std::string Quote(const char* text, int count);

inline std::string Args() { return {}; }
inline std::string Arg(int v) { return std::to_string(v); }
inline std::string Arg(unsigned v) { return std::to_string(v); }
inline std::string Arg(long v) { return std::to_string(v); }
inline std::string Arg(unsigned long v) { return std::to_string(v); }
inline std::string Arg(long long v) { return std::to_string(v); }
inline std::string Arg(unsigned long long v) { return std::to_string(v); }
inline std::string Arg(const std::string& v) { return v; }
inline std::string Arg(const char* v) { return v; }
std::string Arg(double v);
template <typename T>
std::string Arg(T* handle) { return Name(handle); }
template <typename First, typename... Rest>
std::string Args(const First& first, const Rest&... rest) {
  std::string out = Arg(first);
  ((out += ",", out += Arg(rest)), ...);
  return out;
}
template <typename... A>
void Call(const char* name, const A&... args) {
  if (!S().recording) return;
  Record(std::string(name) + "(" + Args(args...) + ")");
}

}  // namespace core
