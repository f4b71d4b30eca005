// The drawing protocol every figure follows, and the label text helper.
//
// A figure creates its pen, selects it (keeping the pen it replaces), sets the
// transparent background mode, draws each segment as its own MoveToEx/LineTo pair,
// then selects the kept pen back and deletes its own in one step. Labels come after.
#pragma once

#include "geometry/triangle.h"

// Creates a pen and selects it; returns the pen it replaced, for EndPen.
HGDIOBJ BeginPen(HDC& dc, int style, int width, Colour colour);
// Selects the kept pen back and deletes the figure's pen.
void EndPen(HDC& dc, HGDIOBJ kept);
// One straight segment from p to q, starting with its own move.
void DrawSegment(HDC& dc, const Point& p, const Point& q);

// Writes text with its top-left corner 6 pixels right of and below the anchor, in a
// small thin Arial of the given colour.
void DrawLabel(HDC& dc, const Point& anchor, Colour colour, const char* text);
