// The program's resources as the core gets them. On Windows the resource compiler puts
// the DIALOG templates of the program's script into the program and user32 reads them
// from there; here the build writes the same script's templates as a table
// (cmake/dialogs.cmake makes resources.cpp of it), which is linked with the program
// and handed to the core before main.
#pragma once

#include <cstddef>

#include "platform/core/windows.h"

namespace core {

// A CONTROL statement: its text (Windows-1252), id, window class, style and place in
// dialog units, in the order the script writes them.
struct ControlTemplate {
  const char* text;
  int id;
  const char* className;
  DWORD style;
  short x, y, cx, cy;
};

// A DIALOG resource: its id, caption, style, place, font, and controls in template
// order.
struct DialogTemplate {
  int id;
  const char* caption;
  DWORD style;
  short x, y, cx, cy;
  int pointSize;
  const char* font;
  const ControlTemplate* controls;
  size_t controlCount;
};

// Adds the program's dialog templates (kept, not copied). Two templates of one id
// abort: the program's resources were linked twice.
void AddDialogTemplates(const DialogTemplate* templates, size_t count);
// The template of this id, or null when the program has none.
const DialogTemplate* FindDialogTemplate(int id);

}  // namespace core
