#include "platform/wayland/input.h"

#include <linux/input-event-codes.h>
#include <sys/mman.h>
#include <unistd.h>
#include <wayland-cursor.h>
#include <xkbcommon/xkbcommon-keysyms.h>

#include <cmath>
#include <cstdlib>

#include "platform/wayland/surface.h"

namespace wayland {

namespace {

// The virtual-key code Windows gives a key; 0 for one the program has no use for.
UINT VirtualKey(xkb_keysym_t sym) {
  if (sym >= XKB_KEY_0 && sym <= XKB_KEY_9) return static_cast<UINT>('0' + (sym - XKB_KEY_0));
  if (sym >= XKB_KEY_a && sym <= XKB_KEY_z) return static_cast<UINT>('A' + (sym - XKB_KEY_a));
  if (sym >= XKB_KEY_A && sym <= XKB_KEY_Z) return static_cast<UINT>('A' + (sym - XKB_KEY_A));
  switch (sym) {
    case XKB_KEY_Left: return VK_LEFT;
    case XKB_KEY_Right: return VK_RIGHT;
    case XKB_KEY_Up: return VK_UP;
    case XKB_KEY_Down: return VK_DOWN;
    case XKB_KEY_space: return VK_SPACE;
    case XKB_KEY_Escape: return VK_ESCAPE;
    case XKB_KEY_Return: return VK_RETURN;
    case XKB_KEY_Tab: return VK_TAB;
    case XKB_KEY_BackSpace: return VK_BACK;
    case XKB_KEY_Shift_L: case XKB_KEY_Shift_R: return VK_SHIFT;
    case XKB_KEY_Control_L: case XKB_KEY_Control_R: return VK_CONTROL;
    default: return 0;
  }
}

// The names a cursor theme may give each system cursor, the X cursor font's first.
const char* const kArrowNames[] = {"left_ptr", "default", "arrow", nullptr};
const char* const kHandNames[] = {"hand2", "pointer", "hand1", "hand", nullptr};
const char* const kMoveNames[] = {"fleur", "move", "all-scroll", "size_all", nullptr};

// ---- The listeners: each hands its event to the seat ----

void OnCapabilities(void* data, wl_seat*, uint32_t capabilities) {
  static_cast<Seat*>(data)->Capabilities(capabilities);
}
void OnSeatName(void*, wl_seat*, const char*) {}
const wl_seat_listener kSeatListener = {OnCapabilities, OnSeatName};

void OnEnter(void* data, wl_pointer*, uint32_t serial, wl_surface* surface, wl_fixed_t x, wl_fixed_t y) {
  static_cast<Seat*>(data)->PointerAt(surface, serial, x, y);
}
void OnLeave(void* data, wl_pointer*, uint32_t, wl_surface* surface) { static_cast<Seat*>(data)->PointerLeft(surface); }
void OnMotion(void* data, wl_pointer*, uint32_t, wl_fixed_t x, wl_fixed_t y) {
  static_cast<Seat*>(data)->PointerMoved(x, y);
}
void OnButton(void* data, wl_pointer*, uint32_t, uint32_t, uint32_t button, uint32_t state) {
  static_cast<Seat*>(data)->Button(button, state);
}
void OnAxis(void*, wl_pointer*, uint32_t, uint32_t, wl_fixed_t) {}
void OnFrame(void*, wl_pointer*) {}
void OnAxisSource(void*, wl_pointer*, uint32_t) {}
void OnAxisStop(void*, wl_pointer*, uint32_t, uint32_t) {}
void OnAxisDiscrete(void*, wl_pointer*, uint32_t, int32_t) {}
void OnAxisValue120(void*, wl_pointer*, uint32_t, int32_t) {}
const wl_pointer_listener kPointerListener = {OnEnter,      OnLeave,    OnMotion,       OnButton,      OnAxis,
                                              OnFrame,      OnAxisSource, OnAxisStop,   OnAxisDiscrete, OnAxisValue120};

void OnKeymap(void* data, wl_keyboard*, uint32_t format, int fd, uint32_t size) {
  static_cast<Seat*>(data)->Keymap(format, fd, size);
}
void OnKeyboardEnter(void* data, wl_keyboard*, uint32_t, wl_surface* surface, wl_array*) {
  static_cast<Seat*>(data)->KeyboardIn(surface);
}
void OnKeyboardLeave(void* data, wl_keyboard*, uint32_t, wl_surface* surface) {
  static_cast<Seat*>(data)->KeyboardLeft(surface);
}
void OnKey(void* data, wl_keyboard*, uint32_t, uint32_t, uint32_t key, uint32_t state) {
  static_cast<Seat*>(data)->Key(key, state);
}
void OnModifiers(void* data, wl_keyboard*, uint32_t, uint32_t depressed, uint32_t latched, uint32_t locked,
                 uint32_t group) {
  static_cast<Seat*>(data)->Modifiers(depressed, latched, locked, group);
}
void OnRepeatInfo(void* data, wl_keyboard*, int32_t rate, int32_t delay) {
  static_cast<Seat*>(data)->RepeatInfo(rate, delay);
}
const wl_keyboard_listener kKeyboardListener = {OnKeymap, OnKeyboardEnter, OnKeyboardLeave,
                                                OnKey,    OnModifiers,     OnRepeatInfo};

}  // namespace

Seat::Seat(Backend* backend, wl_seat* seat)
    : backend_(backend), seat_(seat), xkb_(xkb_context_new(XKB_CONTEXT_NO_FLAGS)) {
  wl_seat_add_listener(seat_, &kSeatListener, this);
}

Seat::~Seat() {
  Capabilities(0);
  for (auto& [scale, theme] : themes_) wl_cursor_theme_destroy(theme);
  if (cursor_ != nullptr) wl_surface_destroy(cursor_);
  if (wl_seat_get_version(seat_) >= WL_SEAT_RELEASE_SINCE_VERSION) wl_seat_release(seat_);
  else wl_seat_destroy(seat_);
  xkb_context_unref(xkb_);
}

// The seat gains or loses a pointer or a keyboard (a virtual keyboard comes and goes
// with the program that made it).
void Seat::Capabilities(uint32_t capabilities) {
  const bool pointer = (capabilities & WL_SEAT_CAPABILITY_POINTER) != 0;
  const bool keyboard = (capabilities & WL_SEAT_CAPABILITY_KEYBOARD) != 0;
  const bool releases = wl_seat_get_version(seat_) >= WL_POINTER_RELEASE_SINCE_VERSION;
  if (pointer && pointer_ == nullptr) {
    pointer_ = wl_seat_get_pointer(seat_);
    wl_pointer_add_listener(pointer_, &kPointerListener, this);
  } else if (!pointer && pointer_ != nullptr) {
    if (releases) wl_pointer_release(pointer_);
    else wl_pointer_destroy(pointer_);
    pointer_ = nullptr;
    pointerIn_ = nullptr;
    leftDown_ = false;
  }
  if (keyboard && keyboard_ == nullptr) {
    keyboard_ = wl_seat_get_keyboard(seat_);
    wl_keyboard_add_listener(keyboard_, &kKeyboardListener, this);
  } else if (!keyboard && keyboard_ != nullptr) {
    if (releases) wl_keyboard_release(keyboard_);
    else wl_keyboard_destroy(keyboard_);
    keyboard_ = nullptr;
    KeyboardLeft(keyboardIn_);
    xkb_state_unref(state_);
    xkb_keymap_unref(keymap_);
    state_ = nullptr;
    keymap_ = nullptr;
  }
}

void Seat::Forget(wl_surface* surface) {
  if (surface == nullptr) return;
  if (pointerIn_ == surface) PointerLeft(surface);
  if (keyboardIn_ == surface) KeyboardLeft(surface);
}

// ---- The pointer ----

// Where the pointer is, in the device pixels of the program's window: surface
// coordinates times the surface's scale, rounded down.
LPARAM Seat::Position() const {
  const Backend::Surface* s = backend_->SurfaceOf(pointerIn_);
  const double scale = s != nullptr ? s->scale / static_cast<double>(kScaleUnit) : 1.0;
  const int x = static_cast<int>(std::floor(x_ * scale)), y = static_cast<int>(std::floor(y_ * scale));
  return MAKELPARAM(x, y);
}

void Seat::Post(UINT message, WPARAM wParam, LPARAM lParam) const {
  if (const HWND program = backend_->ProgramOf(backend_->SurfaceOf(pointerIn_)))
    core::PostMessageToQueue(program, message, wParam, lParam);
}

// As Windows does when a window comes under the pointer, the entry is a movement to
// where it is.
void Seat::PointerAt(wl_surface* surface, uint32_t serial, wl_fixed_t x, wl_fixed_t y) {
  if (backend_->SurfaceOf(surface) == nullptr) return;
  pointerIn_ = surface;
  enterSerial_ = serial;
  x_ = wl_fixed_to_double(x);
  y_ = wl_fixed_to_double(y);
  ShowShape();
  Post(WM_MOUSEMOVE, leftDown_ ? MK_LBUTTON : 0, Position());
}

void Seat::PointerLeft(wl_surface* surface) {
  if (surface != pointerIn_) return;
  pointerIn_ = nullptr;
  leftDown_ = false;
}

void Seat::PointerMoved(wl_fixed_t x, wl_fixed_t y) {
  if (pointerIn_ == nullptr) return;
  x_ = wl_fixed_to_double(x);
  y_ = wl_fixed_to_double(y);
  Post(WM_MOUSEMOVE, leftDown_ ? MK_LBUTTON : 0, Position());
}

// As on Windows: the left, middle and right buttons; the others are no mouse
// button it has messages for. The left one's release is the only one the program
// hears of.
void Seat::Button(uint32_t button, uint32_t state) {
  if (pointerIn_ == nullptr) return;
  const bool pressed = state == WL_POINTER_BUTTON_STATE_PRESSED;
  if (button == BTN_LEFT) {
    leftDown_ = pressed;
    Post(pressed ? WM_LBUTTONDOWN : WM_LBUTTONUP, pressed ? MK_LBUTTON : 0, Position());
  } else if (pressed && (button == BTN_MIDDLE || button == BTN_RIGHT)) {
    Post(button == BTN_MIDDLE ? WM_MBUTTONDOWN : WM_RBUTTONDOWN, leftDown_ ? MK_LBUTTON : 0, Position());
  }
}

void Seat::SetShape(core::Pointer shape) {
  shape_ = shape;
  ShowShape();
}

// The shape over the surface the pointer is in, from the cursor theme ($XCURSOR_THEME
// at $XCURSOR_SIZE, else the default theme at 24) at the surface's scale; none over a
// surface that hides it. Without the program's say it is the arrow, as over a window
// whose cursor is its parent's.
void Seat::ShowShape() {
  const Backend::Surface* s = backend_->SurfaceOf(pointerIn_);
  if (s == nullptr || pointer_ == nullptr) return;
  if (s->hidePointer) {
    wl_pointer_set_cursor(pointer_, enterSerial_, nullptr, 0, 0);
    return;
  }
  const int scale = std::max(1, (s->scale + kScaleUnit - 1) / kScaleUnit);
  wl_cursor_theme*& theme = themes_[scale];
  if (theme == nullptr) {
    const char* size = std::getenv("XCURSOR_SIZE");
    const int base = size != nullptr && std::atoi(size) > 0 ? std::atoi(size) : 24;
    theme = wl_cursor_theme_load(std::getenv("XCURSOR_THEME"), base * scale, backend_->shm_);
    if (theme == nullptr) return;
  }
  const char* const* names = shape_ == core::Pointer::Hand ? kHandNames
                             : shape_ == core::Pointer::Move ? kMoveNames
                                                             : kArrowNames;
  wl_cursor* cursor = nullptr;
  for (; *names != nullptr && cursor == nullptr; ++names) cursor = wl_cursor_theme_get_cursor(theme, *names);
  if (cursor == nullptr || cursor->image_count == 0) return;
  wl_cursor_image* image = cursor->images[0];
  wl_buffer* buffer = wl_cursor_image_get_buffer(image);
  if (buffer == nullptr) return;
  if (cursor_ == nullptr) cursor_ = wl_compositor_create_surface(backend_->compositor_);
  wl_surface_set_buffer_scale(cursor_, scale);
  wl_surface_attach(cursor_, buffer, 0, 0);
  wl_surface_damage(cursor_, 0, 0, INT32_MAX, INT32_MAX);
  wl_surface_commit(cursor_);
  wl_pointer_set_cursor(pointer_, enterSerial_, cursor_, static_cast<int32_t>(image->hotspot_x) / scale,
                        static_cast<int32_t>(image->hotspot_y) / scale);
}

// ---- The keyboard ----

void Seat::Keymap(uint32_t format, int fd, uint32_t size) {
  if (format == WL_KEYBOARD_KEYMAP_FORMAT_XKB_V1 && size > 0) {
    void* text = mmap(nullptr, size, PROT_READ, MAP_PRIVATE, fd, 0);
    if (text != MAP_FAILED) {
      xkb_keymap* keymap = xkb_keymap_new_from_buffer(xkb_, static_cast<const char*>(text), size - 1,
                                                      XKB_KEYMAP_FORMAT_TEXT_V1, XKB_KEYMAP_COMPILE_NO_FLAGS);
      munmap(text, size);
      if (keymap != nullptr) {
        xkb_state_unref(state_);
        xkb_keymap_unref(keymap_);
        keymap_ = keymap;
        state_ = xkb_state_new(keymap_);
      }
    }
  }
  close(fd);
}

// Keys down when the focus comes were pressed for someone else: only those pressed
// from now on count (the focus's leave forgot those of before).
void Seat::KeyboardIn(wl_surface* surface) {
  if (backend_->SurfaceOf(surface) == nullptr) return;
  keyboardIn_ = surface;
}

void Seat::KeyboardLeft(wl_surface* surface) {
  if (surface == nullptr || surface != keyboardIn_) return;
  keyboardIn_ = nullptr;
  keysDown_.clear();
  repeatKey_ = 0;
}

// A key's virtual key, from the symbol of its first level (as Xlib's XLookupKeysym
// with index 0 gives it): Q with or without Shift is Q.
void Seat::PostKey(uint32_t key, bool repeat) const {
  if (keymap_ == nullptr || state_ == nullptr) return;
  const xkb_keycode_t code = key + 8;  // evdev codes are 8 below X's
  const xkb_layout_index_t layout = xkb_state_key_get_layout(state_, code);
  const xkb_keysym_t* syms = nullptr;
  const int count = xkb_keymap_key_get_syms_by_level(keymap_, code, layout == XKB_LAYOUT_INVALID ? 0 : layout, 0, &syms);
  const UINT vk = count > 0 ? VirtualKey(syms[0]) : 0;
  if (vk == 0) return;
  // Windows marks a key held down in bit 30 of the message's lParam.
  const LPARAM data = repeat ? (LPARAM{1} | LPARAM{1} << 30) : LPARAM{1};
  if (const HWND program = backend_->ProgramOf(backend_->SurfaceOf(keyboardIn_)))
    core::PostMessageToQueue(program, WM_KEYDOWN, vk, data);
}

// The compositor sends each press and release once; a key held down repeats here, at
// the rate and after the delay the compositor gives.
void Seat::Key(uint32_t key, uint32_t state) {
  if (keyboardIn_ == nullptr) return;
  if (state == WL_KEYBOARD_KEY_STATE_RELEASED) {
    keysDown_.erase(key);
    if (key == repeatKey_) repeatKey_ = 0;
    return;
  }
  const bool repeat = !keysDown_.insert(key).second;
  PostKey(key, repeat);
  if (keymap_ != nullptr && repeatRate_ > 0 && xkb_keymap_key_repeats(keymap_, key + 8)) {
    repeatKey_ = key;
    repeatDue_ = backend_->NowMs() + static_cast<uint64_t>(repeatDelay_);
  }
}

void Seat::Repeat(uint64_t now) {
  if (repeatKey_ == 0 || now < repeatDue_) return;
  PostKey(repeatKey_, true);
  // The next one a whole period on: a late repeat does not come twice.
  repeatDue_ = now + static_cast<uint64_t>(std::max(1, 1000 / repeatRate_));
}

void Seat::Modifiers(uint32_t depressed, uint32_t latched, uint32_t locked, uint32_t group) {
  if (state_ != nullptr) xkb_state_update_mask(state_, depressed, latched, locked, 0, 0, group);
}

void Seat::RepeatInfo(int32_t rate, int32_t delay) {
  repeatRate_ = std::max(0, rate);
  repeatDelay_ = std::max(0, delay);
  if (repeatRate_ == 0) repeatKey_ = 0;
}

}  // namespace wayland
