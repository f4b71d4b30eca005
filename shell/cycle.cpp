// The drawing cycle: a new random triangle, then one construction per tick, two quiet
// ticks, and an erase with the caption. The step counter is the whole state; each
// tick draws straight into the window and remembers nothing.
#include "geometry/numeric.h"
#include "geometry/triangle.h"
#include "render/draw.h"
#include "settings/settings.h"
#include "shell/host.h"

#include <cstring>

int32_t gCycleStep;

const char kCaption[] = "Dreieck \x96 merkw\xFC" "rdige Punkte und Kreise am Dreieck \xB7 "
                        "ein Bildschirmschoner des Dreieck-Projekts";

namespace {

// The construction a step draws.
const Construction& ConstructionOf(int32_t step) { return kConstructions[step - kStepFirstConstruction]; }

// The outline of the triangle now in gTriangle, in the palette of the stored background.
void DrawTriangleTick(HDC& dc) {
  gTriangle.SetBackground(static_cast<BackgroundShade>(gSettings.background));
  gTriangle.DrawFigure(dc, FigureTriangle);
}

// Draws the first construction that is on from step s onwards and returns the next
// step; when none is left, this tick is the first quiet one.
int32_t DrawNextConstruction(HDC& dc, int32_t s) {
  const int32_t step = NextShownStep(s);
  if (step > kStepLastConstruction) return kStepSecondQuiet;
  gTriangle.DrawFigure(dc, ConstructionOf(step).figure);
  return step + 1;
}

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
  for (int32_t step = s; step <= kStepLastConstruction; ++step)
    if (gSettings.*ConstructionOf(step).flag != 0) return step;
  return kStepFirstQuiet;
}

void OnTimerTick() {
  HDC dc = GetDC(gMainWindow);
  srand(static_cast<unsigned>(time(nullptr)));
  if (gCycleStep == kStepTriangle) {
    if (PlaceTriangle()) DrawTriangleTick(dc);
    gCycleStep = kStepFirstConstruction;
  } else if (gCycleStep >= kStepFirstConstruction && gCycleStep <= kStepLastConstruction) {
    gCycleStep = DrawNextConstruction(dc, gCycleStep);
  } else if (gCycleStep == kStepFirstQuiet || gCycleStep == kStepSecondQuiet) {
    ++gCycleStep;
  } else {
    SendMessageA(gMainWindow, WM_ERASEBKGND, reinterpret_cast<WPARAM>(dc), 0);
    RECT client;
    GetClientRect(gMainWindow, &client);
    DrawCaption(dc, client);
    gCycleStep = kStepTriangle;
  }
  ReleaseDC(gMainWindow, dc);
}

void TickWithCorners(const Point corners[3]) {
  HDC dc = GetDC(gMainWindow);
  gTriangle.a = corners[0];
  gTriangle.b = corners[1];
  gTriangle.c = corners[2];
  DrawTriangleTick(dc);
  gCycleStep = kStepFirstConstruction;
  ReleaseDC(gMainWindow, dc);
}

void DrawCycleUpTo(const Point corners[3], int32_t step) {
  TickWithCorners(corners);
  while (gCycleStep >= kStepFirstConstruction && gCycleStep <= kStepLastConstruction &&
         NextShownStep(gCycleStep) <= step)
    OnTimerTick();
}

void DrawCaption(HDC& dc, RECT clientRect) {
  const FontInUse font = BeginFont(dc, 10, 6, FW_THIN);
  SetBkMode(dc, TRANSPARENT);
  const int length = static_cast<int>(std::strlen(kCaption));
  SIZE extent{};
  GetTextExtentPoint32A(dc, kCaption, length, &extent);
  // Blue stands out on the white background, yellow on every darker shade.
  SetTextColor(dc, gSettings.background != 0 ? 0x0000FFFF : 0x00FF8000);
  TextOutA(dc, WrapSub(clientRect.right, extent.cx) / 2, WrapSub(clientRect.bottom, 14), kCaption, length);
  EndFont(dc, font);
}
