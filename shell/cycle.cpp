// The drawing cycle: a new random triangle, then one construction per tick, two quiet
// ticks, and an erase with the caption. The step counter is the whole state; each
// tick draws straight into the window and remembers nothing.
#include "geometry/numeric.h"
#include "geometry/triangle.h"
#include "settings/settings.h"
#include "shell/shell.h"

#include <cstring>

int32_t gCycleStep;

const char kCaption[] = "Dreieck \x96 merkw\xFC" "rdige Punkte und Kreise am Dreieck \xB7 "
                        "ein Bildschirmschoner des Dreieck-Projekts";

namespace {

// Steps 1 to 7: the flag that must be on and the construction drawn.
struct CycleRow {
  uint8_t Settings::*flag;
  FigureKind kind;
};
const CycleRow kRows[7] = {
    {&Settings::showMedians, FigureMedians},
    {&Settings::showIncircle, FigureIncircle},
    {&Settings::showCircumcircle, FigureCircumcircle},
    {&Settings::showAltitudes, FigureAltitudes},
    {&Settings::showNinePointCircle, FigureNinePointCircle},
    {&Settings::showEulerLine, FigureEulerLine},
    {&Settings::showExcircles, FigureExcircles},
};

}  // namespace

// Places a random triangle inside the client area: A in the lower left, B low on the
// right, C anywhere across in the upper third. Returns false, leaving the previous
// triangle, when the area has no width or height to place it in.
bool PlaceTriangle() {
  RECT client;
  GetClientRect(gMainWindow, &client);
  const int32_t w = client.right;
  const int32_t h = client.bottom;
  const int32_t mx = w / 10, rx = w - w / 10;
  const int32_t my = h / 10, ry = h - h / 10;
  if (rx <= 0 || ry <= 0) return false;
  const int32_t r1 = rand(), r2 = rand(), r3 = rand(), r4 = rand(), r5 = rand(), r6 = rand();
  gTriangle.a = {mx + (r1 % rx) / 2, my + (r2 % ry) / 2 + ry / 2};
  gTriangle.b = {mx + Truncate(static_cast<double>((r3 % rx) / 3) + static_cast<double>(rx) * 0.6),
                 my + Truncate(static_cast<double>((r4 % ry) / 3) + static_cast<double>(ry) * 0.6)};
  gTriangle.c = {mx + (r5 % rx), my + (r6 % ry) / 3};
  return true;
}

int32_t NextShownStep(int32_t s) {
  for (int32_t step = s; step <= 7; ++step)
    if (gSettings.*kRows[step - 1].flag != 0) return step;
  return 8;
}

namespace {

// Steps 1 to 7: draws the first construction that is on from step s onwards and
// returns the next step; 9 when none is left.
int32_t DrawNextConstruction(HDC& dc, int32_t s) {
  const int32_t step = NextShownStep(s);
  if (step > 7) return 9;
  gTriangle.DrawFigure(dc, kRows[step - 1].kind);
  return step + 1;
}

}  // namespace

void OnTimerTick() {
  HDC dc = GetDC(gMainWindow);
  srand(static_cast<unsigned>(time(nullptr)));
  if (gCycleStep == 0) {
    if (PlaceTriangle()) {
      gTriangle.SetBackground(static_cast<BackgroundShade>(gSettings.background));
      gTriangle.DrawFigure(dc, FigureTriangle);
    }
    gCycleStep = 1;
  } else if (gCycleStep >= 1 && gCycleStep <= 7) {
    gCycleStep = DrawNextConstruction(dc, gCycleStep);
  } else if (gCycleStep == 8 || gCycleStep == 9) {
    ++gCycleStep;
  } else {
    SendMessageA(gMainWindow, WM_ERASEBKGND, reinterpret_cast<WPARAM>(dc), 0);
    RECT client;
    GetClientRect(gMainWindow, &client);
    DrawCaption(dc, client);
    gCycleStep = 0;
  }
  ReleaseDC(gMainWindow, dc);
}

void DrawCaption(HDC& dc, RECT clientRect) {
  HFONT font = CreateFontA(10, 6, 0, 0, FW_THIN, 0, 0, 0, DEFAULT_CHARSET, 0, 0, 0, 0, "Arial");
  HGDIOBJ kept = SelectObject(dc, font);
  SetBkMode(dc, TRANSPARENT);
  const int length = static_cast<int>(std::strlen(kCaption));
  SIZE extent{};
  GetTextExtentPoint32A(dc, kCaption, length, &extent);
  // Blue stands out on the white background, yellow on every darker shade.
  SetTextColor(dc, gSettings.background != 0 ? 0x0000FFFF : 0x00FF8000);
  TextOutA(dc, WrapSub(clientRect.right, extent.cx) / 2, WrapSub(clientRect.bottom, 14), kCaption, length);
  SelectObject(dc, kept);
  DeleteObject(font);
}
