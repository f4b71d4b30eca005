// The circle constructions: circumcircle, incircle, nine-point circle and excircles.
#include "render/draw.h"

void Triangle::DrawCircumcircle(HDC&) {}
void Triangle::DrawIncircle(HDC&) {}
void Triangle::DrawNinePointCircle(HDC&) {}
void Triangle::DrawExcircles(HDC&) {}
