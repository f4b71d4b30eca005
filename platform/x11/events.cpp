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

// The system cursors as the cursor font has them: IDC_HAND a hand, IDC_SIZEALL four
// arrows, IDC_ARROW the arrow; none, the window's parent's.
void Backend::PointerShape(int cursor) {
  Cursor shown = None;
  if (cursor != 0) {
    const unsigned shape = cursor == 32649 ? XC_hand2 : cursor == 32646 ? XC_fleur : XC_left_ptr;
    Cursor& made = cursors_[shape];
    if (made == None) made = XCreateFontCursor(display_, shape);
    shown = made;
  }
  for (const auto& [frame, target] : targets_) {
    if (!target.own || target.gone) continue;
    if (shown == None) XUndefineCursor(display_, target.window);
    else XDefineCursor(display_, target.window, shown);
  }
}

void Backend::Handle(const XEvent& event) {
  const HWND frame = FrameOfXWindow(event.xany.window);
  if (frame == nullptr) return;
  Target& target = targets_[frame];
  switch (event.type) {
    case Expose: {
      auto program = programs_.find(ProgramIn(frame));
      if (program != programs_.end())
        program->second.image->Show({event.xexpose.x, event.xexpose.y, event.xexpose.x + event.xexpose.width,
                                     event.xexpose.y + event.xexpose.height});
      break;
    }
    case ConfigureNotify:
      FindMonitor(&target, event.xconfigure.width, event.xconfigure.height);
      core::ResizeWindow(frame, event.xconfigure.width, event.xconfigure.height);
      break;
    case ButtonPress: {
      // As on Windows: the left, middle and right buttons; the wheel is no button.
      const UINT message = event.xbutton.button == Button1   ? WM_LBUTTONDOWN
                           : event.xbutton.button == Button2 ? WM_MBUTTONDOWN
                           : event.xbutton.button == Button3 ? WM_RBUTTONDOWN
                                                             : 0;
      const HWND program = ProgramIn(frame);
      const WPARAM buttons = Buttons(event.xbutton.state) | (message == WM_LBUTTONDOWN ? MK_LBUTTON : 0);
      if (message != 0 && program != nullptr)
        core::PostMessageToQueue(program, message, buttons, Position(event.xbutton.x, event.xbutton.y));
      break;
    }
    case ButtonRelease: {
      const HWND program = ProgramIn(frame);
      if (event.xbutton.button == Button1 && program != nullptr)
        core::PostMessageToQueue(program, WM_LBUTTONUP, 0, Position(event.xbutton.x, event.xbutton.y));
      break;
    }
    case MotionNotify: {
      const HWND program = ProgramIn(frame);
      if (program != nullptr)
        core::PostMessageToQueue(program, WM_MOUSEMOVE, Buttons(event.xmotion.state),
                                 Position(event.xmotion.x, event.xmotion.y));
      break;
    }
    case KeyPress: {
      XKeyEvent key = event.xkey;
      const KeySym sym = XLookupKeysym(&key, 0);
      const HWND program = ProgramIn(frame);
      const UINT vk = VirtualKey(sym);
      if (vk != 0 && program != nullptr) core::PostMessageToQueue(program, WM_KEYDOWN, vk, 1);
      break;
    }
    case ClientMessage:
      if (static_cast<Atom>(event.xclient.data.l[0]) == deleteWindow_) core::DestroyWindowTree(frame);
      break;
    case DestroyNotify:
      if (event.xdestroywindow.window == target.window) {
        target.gone = true;
        core::DestroyWindowTree(frame);
      }
      break;
    default:
      break;
  }
}

}  // namespace x11
