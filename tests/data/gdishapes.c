/* Draws the reference picture tests/data/gdi-shapes.png: run under Wine 8 on a 24-bit
   Xvfb (x86_64-w64-mingw32-gcc -Os -s -mwindows gdishapes.c -o gdishapes.exe; wine
   gdishapes.exe; import -window root -crop 640x240+0+0 gdi-shapes.png; click to end). It
   also writes the text extents GDI reports to extents.txt; they were: labels 55, 78, 6, 77
   by 12 and the caption 139 by 10 (Wine substitutes a narrower face for Arial). */
#include <windows.h>
#include <string.h>
/* Draws test shapes on black: circles r=1..8 (solid white), dotted circle r=20 and dash-dot-dot r=30,
   lines of each style: horizontal, 45 degrees, slope 3/10, reversed. */
static void Shapes(HDC dc) {
  HPEN pen = CreatePen(PS_SOLID, 1, RGB(255,255,255));
  HGDIOBJ old = SelectObject(dc, pen);
  SetBkMode(dc, TRANSPARENT);
  for (int r = 1; r <= 8; ++r) {
    int cx = 20 + 40 * (r - 1), cy = 20;
    MoveToEx(dc, cx + r, cy, NULL);
    AngleArc(dc, cx, cy, r, 0.0f, 360.0f);
  }
  SelectObject(dc, old); DeleteObject(pen);
  int styles[5] = {PS_SOLID, PS_DASH, PS_DOT, PS_DASHDOT, PS_DASHDOTDOT};
  for (int s = 0; s < 5; ++s) {
    pen = CreatePen(styles[s], 1, RGB(255,255,255));
    old = SelectObject(dc, pen);
    int y = 50 + 10 * s;
    MoveToEx(dc, 10, y, NULL); LineTo(dc, 70, y);              /* horizontal, left to right */
    MoveToEx(dc, 140, y, NULL); LineTo(dc, 80, y);             /* right to left */
    MoveToEx(dc, 150 + 70 * s, 110, NULL); LineTo(dc, 150 + 70 * s + 50, 160);  /* 45 degrees */
    MoveToEx(dc, 10 + 70 * s, 170, NULL); LineTo(dc, 10 + 70 * s + 60, 188);    /* slope 3/10 */
    MoveToEx(dc, 400 + 12 * s, 50, NULL); LineTo(dc, 400 + 12 * s + 3, 100);    /* steep */
    SelectObject(dc, old); DeleteObject(pen);
  }
  pen = CreatePen(PS_DOT, 1, RGB(255,255,255)); old = SelectObject(dc, pen);
  MoveToEx(dc, 500 + 20, 60, NULL); AngleArc(dc, 500, 60, 20, 0.0f, 360.0f);
  SelectObject(dc, old); DeleteObject(pen);
  pen = CreatePen(PS_DASHDOTDOT, 1, RGB(255,255,255)); old = SelectObject(dc, pen);
  MoveToEx(dc, 500 + 30, 150, NULL); AngleArc(dc, 500, 150, 30, 0.0f, 360.0f);
  SelectObject(dc, old); DeleteObject(pen);
  pen = CreatePen(PS_DASHDOT, 2, RGB(255,255,255)); old = SelectObject(dc, pen);
  MoveToEx(dc, 560, 20, NULL); LineTo(dc, 600, 20);
  MoveToEx(dc, 560, 30, NULL); LineTo(dc, 600, 50);
  SelectObject(dc, old); DeleteObject(pen);
}
#include <stdio.h>
static void Texts(HDC dc) {
  static const char* texts[] = {"Schwerpunkt", "H\xF6henschnittpunkt", "A", "Eulersche Gerade"};
  FILE* f = fopen("extents.txt", "w");
  HFONT font = CreateFontA(12, 5, 0, 0, FW_THIN, 0, 0, 0, DEFAULT_CHARSET, 0, 0, 0, 0, "Arial");
  HGDIOBJ old = SelectObject(dc, font);
  SetTextColor(dc, RGB(255, 255, 255));
  for (int i = 0; i < 4; ++i) {
    SIZE size; GetTextExtentPoint32A(dc, texts[i], (int)strlen(texts[i]), &size);
    TextOutA(dc, 240, 40 + 16 * i, texts[i], (int)strlen(texts[i]));
    fprintf(f, "label %d %ld %ld\n", i, size.cx, size.cy);
  }
  SelectObject(dc, old); DeleteObject(font);
  font = CreateFontA(10, 6, 0, 0, FW_THIN, 0, 0, 0, DEFAULT_CHARSET, 0, 0, 0, 0, "Arial");
  old = SelectObject(dc, font);
  SIZE size; GetTextExtentPoint32A(dc, "Dreieck Bildschirmschoner", 25, &size);
  TextOutA(dc, 240, 210, "Dreieck Bildschirmschoner", 25);
  fprintf(f, "caption %ld %ld\n", size.cx, size.cy);
  SelectObject(dc, old); DeleteObject(font);
  fclose(f);
}
static LRESULT CALLBACK Proc(HWND w, UINT m, WPARAM wp, LPARAM lp) {
  if (m == WM_PAINT) { PAINTSTRUCT ps; HDC dc = BeginPaint(w, &ps); Shapes(dc); Texts(dc); EndPaint(w, &ps); return 0; }
  if (m == WM_LBUTTONDOWN || m == WM_DESTROY) { PostQuitMessage(0); return 0; }
  return DefWindowProcA(w, m, wp, lp);
}
int WINAPI WinMain(HINSTANCE i, HINSTANCE p, LPSTR c, int s) {
  WNDCLASSA wc = {0}; wc.lpfnWndProc = Proc; wc.hInstance = i; wc.hbrBackground = GetStockObject(BLACK_BRUSH); wc.lpszClassName = "shapes";
  RegisterClassA(&wc);
  HWND w = CreateWindowExA(0, "shapes", "shapes", WS_POPUP, 0, 0, 640, 240, NULL, NULL, i, NULL);
  ShowWindow(w, SW_SHOW); UpdateWindow(w);
  MSG msg; while (GetMessageA(&msg, NULL, 0, 0) > 0) { TranslateMessage(&msg); DispatchMessageA(&msg); }
  return 0;
}
