// The constructions made of straight lines: medians, altitudes and the Euler line.
#include "render/draw.h"

void Triangle::DrawMedians(HDC&) {}
void Triangle::DrawAltitudes(HDC&) {}
void Triangle::DrawEulerLine(HDC&) {}
