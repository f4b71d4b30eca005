// The seat: its pointer and keyboard as the mouse and key messages Windows sends the
// window under the pointer or with the keyboard's focus, and the pointer's shape over
// our surfaces.
#pragma once

#include <wayland-client.h>
#include <xkbcommon/xkbcommon.h>

#include <cstdint>
#include <map>
#include <set>

#include "platform/core/backend.h"
#include "platform/wayland/backend.h"

struct wl_cursor_theme;

namespace wayland {

class Seat {
 public:
  // The seat's pointer and keyboard as they come and go; the cursor's surfaces come from
  // the backend's compositor and shared memory.
  Seat(Backend* backend, wl_seat* seat);
  ~Seat();
  Seat(const Seat&) = delete;
  Seat& operator=(const Seat&) = delete;

  // The shape shown over our surfaces that do not hide it.
  void SetShape(core::Pointer shape);
  // A surface goes: the pointer and the keyboard are no longer in it.
  void Forget(wl_surface* surface);
  // The moment (on Backend::NowMs's clock) the next key repeat is due; 0 for none.
  uint64_t RepeatDue() const { return repeatKey_ != 0 ? repeatDue_ : 0; }
  // Posts the repeats that are due at `now`.
  void Repeat(uint64_t now);

  // The listeners' part.
  void Capabilities(uint32_t capabilities);
  void PointerAt(wl_surface* surface, uint32_t serial, wl_fixed_t x, wl_fixed_t y);
  void PointerLeft(wl_surface* surface);
  void PointerMoved(wl_fixed_t x, wl_fixed_t y);
  void Button(uint32_t button, uint32_t state);
  void Keymap(uint32_t format, int fd, uint32_t size);
  void KeyboardIn(wl_surface* surface);
  void KeyboardLeft(wl_surface* surface);
  void Key(uint32_t key, uint32_t state);
  void Modifiers(uint32_t depressed, uint32_t latched, uint32_t locked, uint32_t group);
  void RepeatInfo(int32_t rate, int32_t delay);

 private:
  void ShowShape();
  LPARAM Position() const;
  void Post(UINT message, WPARAM wParam, LPARAM lParam) const;
  void PostKey(uint32_t key, bool repeat) const;

  Backend* backend_;
  wl_seat* seat_;
  wl_pointer* pointer_ = nullptr;
  wl_keyboard* keyboard_ = nullptr;
  // The pointer: the surface it is in, the serial of its entry, where it is (surface
  // coordinates), whether the left button is down.
  wl_surface* pointerIn_ = nullptr;
  uint32_t enterSerial_ = 0;
  double x_ = 0, y_ = 0;
  bool leftDown_ = false;
  core::Pointer shape_ = core::Pointer::Hidden;
  wl_surface* cursor_ = nullptr;
  std::map<int, wl_cursor_theme*> themes_;  // by whole scale
  // The keyboard: the surface with its focus, the keymap and its state, the keys down,
  // and the key that repeats (0: none) and when.
  wl_surface* keyboardIn_ = nullptr;
  xkb_context* xkb_ = nullptr;
  xkb_keymap* keymap_ = nullptr;
  xkb_state* state_ = nullptr;
  std::set<uint32_t> keysDown_;
  int32_t repeatRate_ = 25, repeatDelay_ = 600;  // per second, ms; until the compositor says
  uint32_t repeatKey_ = 0;
  uint64_t repeatDue_ = 0;
};

}  // namespace wayland
