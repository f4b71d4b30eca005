// What the X server tells the backend: a part of a window to show again, a new size
// or place, the user's buttons and keys in a window of our own, a window closed or
// destroyed.
#include <X11/Xutil.h>
#include <X11/keysym.h>

#include "platform/core/hooks.h"
#include "platform/x11/backend.h"

namespace x11 {

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
      if (message != 0 && program != nullptr) core::PostMessageToQueue(program, message, 0, 0);
      break;
    }
    case KeyPress: {
      XKeyEvent key = event.xkey;
      const KeySym sym = XLookupKeysym(&key, 0);
      if (sym == XK_q || sym == XK_Escape) core::DestroyWindowTree(frame);
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
