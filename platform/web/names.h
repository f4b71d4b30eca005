// Between the page's names and Win32's numbers: the page posts what the user did as the
// browser names it, shows the pointer shapes CSS names and draws a dialog from a
// description in CSS pixels; these turn one into the other. Nothing here needs the
// browser, so the host's tests pin them.
#pragma once

#include <string>

#include "platform/core/backend.h"
#include "platform/win32.h"

namespace web {

// The virtual-key code Windows gives the key the browser names so ("ArrowLeft", "s",
// " "): a letter or digit its capital's code; 0 for one the program has no use for.
WPARAM VirtualKey(const std::string& name);

// The mouse message of what the pointer did: "pressed", "released", else a movement.
UINT MouseMessage(const std::string& what);

// The system cursors as CSS names them: none, the arrow, a pointing hand, four arrows.
const char* PointerCss(core::Pointer pointer);

// The dialog as the page draws it, in JSON: its caption and size, and each control's
// kind, number, text, place and size, state and range; places and sizes in CSS pixels
// of the dialogs' font (a dialog unit is 1.5 pixels across and 1.625 down), texts in
// UTF-8.
std::string DialogJson(HWND dialog);

}  // namespace web
