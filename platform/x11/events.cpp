// What the X server tells the backend: a part of a window to show again, a new size
// or place, the user's pointer and keys in a window of our own, a window closed or
// destroyed.
#include <X11/Xutil.h>
#include <X11/cursorfont.h>
#include <X11/keysym.h>

#include "platform/core/backend.h"
#include "platform/x11/backend.h"

namespace x11 {

namespace {

// The virtual-key code Windows gives a key; 0 for one the program has no use for.
UINT VirtualKey(KeySym sym) {
  if (sym >= XK_0 && sym <= XK_9) return static_cast<UINT>('0' + (sym - XK_0));
  if (sym >= XK_a && sym <= XK_z) return static_cast<UINT>('A' + (sym - XK_a));
  switch (sym) {
    case XK_Left: return VK_LEFT;
    case XK_Right: return VK_RIGHT;
    case XK_Up: return VK_UP;
    case XK_Down: return VK_DOWN;
    case XK_space: return VK_SPACE;
    case XK_Escape: return VK_ESCAPE;
    case XK_Return: return VK_RETURN;
    case XK_Tab: return VK_TAB;
    case XK_BackSpace: return VK_BACK;
    case XK_Shift_L: case XK_Shift_R: return VK_SHIFT;
    case XK_Control_L: case XK_Control_R: return VK_CONTROL;
    default: return 0;
  }
}

// A pointer position in a window as the mouse messages carry it.
LPARAM Position(int x, int y) { return MAKELPARAM(x, y); }
WPARAM Buttons(unsigned state) { return (state & Button1Mask) != 0 ? MK_LBUTTON : 0; }

}  // namespace

// The system cursors as the cursor font has them: a pointing hand, four arrows, the
// arrow; none, the window's parent's.
void Backend::PointerShape(core::Pointer pointer) {
  Cursor shown = None;
  if (pointer != core::Pointer::Hidden) {
    const unsigned shape = pointer == core::Pointer::Hand   ? XC_hand2
                           : pointer == core::Pointer::Move ? XC_fleur
                                                            : XC_left_ptr;
    Cursor& made = cursors_[shape];
    if (made == None) made = XCreateFontCursor(display_, shape);
    shown = made;
  }
  for (const auto& [outer, target] : targets_) {
    if (!target.own || target.gone) continue;
    if (shown == None) XUndefineCursor(display_, target.window);
    else XDefineCursor(display_, target.window, shown);
  }
}

namespace {

// The pointer and keys of a window of our own as the window message Windows would send
// the program's window; false for any other event, or one Windows has no message for.
bool AsMessage(const XEvent& event, MSG* msg) {
  switch (event.type) {
    case ButtonPress:
      // As on Windows: the left, middle and right buttons; the wheel is no button.
      msg->message = event.xbutton.button == Button1   ? WM_LBUTTONDOWN
                     : event.xbutton.button == Button2 ? WM_MBUTTONDOWN
                     : event.xbutton.button == Button3 ? WM_RBUTTONDOWN
                                                       : 0;
      msg->wParam = Buttons(event.xbutton.state) | (msg->message == WM_LBUTTONDOWN ? MK_LBUTTON : 0);
      msg->lParam = Position(event.xbutton.x, event.xbutton.y);
      return msg->message != 0;
    case ButtonRelease:
      msg->message = WM_LBUTTONUP;
      msg->wParam = 0;
      msg->lParam = Position(event.xbutton.x, event.xbutton.y);
      return event.xbutton.button == Button1;
    case MotionNotify:
      msg->message = WM_MOUSEMOVE;
      msg->wParam = Buttons(event.xmotion.state);
      msg->lParam = Position(event.xmotion.x, event.xmotion.y);
      return true;
    case KeyPress: {
      XKeyEvent key = event.xkey;
      msg->message = WM_KEYDOWN;
      msg->wParam = VirtualKey(XLookupKeysym(&key, 0));
      msg->lParam = 1;
      return msg->wParam != 0;
    }
    default:
      return false;
  }
}

}  // namespace

void Backend::Handle(const XEvent& event) {
  const HWND outer = OuterOfXWindow(event.xany.window);
  if (outer == nullptr) return;
  // A key pressed again before its release is held down: Windows marks the repeat in
  // bit 30 of the message's lParam.
  if (event.type == KeyRelease) keysDown_.erase(event.xkey.keycode);
  MSG input = {};
  if (AsMessage(event, &input)) {
    if (event.type == KeyPress && !keysDown_.insert(event.xkey.keycode).second) input.lParam |= LPARAM{1} << 30;
    if (const HWND program = ProgramIn(outer)) core::PostMessageToQueue(program, input.message, input.wParam, input.lParam);
    return;
  }
  Target& target = targets_[outer];
  switch (event.type) {
    case Expose: {
      // What was covered is shown again from the image.
      auto program = programs_.find(ProgramIn(outer));
      if (program != programs_.end())
        program->second.image->Show({event.xexpose.x, event.xexpose.y, event.xexpose.x + event.xexpose.width,
                                     event.xexpose.y + event.xexpose.height});
      break;
    }
    case ConfigureNotify:
      FindMonitor(&target, event.xconfigure.width, event.xconfigure.height);
      core::ResizeWindow(outer, event.xconfigure.width, event.xconfigure.height);
      break;
    case ClientMessage:
      // The window manager's close.
      if (static_cast<Atom>(event.xclient.data.l[0]) == deleteWindow_) core::DestroyWindowTree(outer);
      break;
    case DestroyNotify:
      if (event.xdestroywindow.window == target.window) {
        target.gone = true;
        core::DestroyWindowTree(outer);
      }
      break;
    default:
      break;
  }
}

}  // namespace x11
