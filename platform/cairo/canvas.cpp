#include "platform/cairo/canvas.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <cstdlib>
#include <map>
#include <tuple>

namespace cairo_canvas {

namespace {

const double kPi = 3.14159265358979323846;
const COLORREF kBackgroundColour = 0x00FFFFFF;  // a device context's default background colour
const double kTie = 1.0 / 128;  // well above Cairo's 1/256 of a pixel, well below any real offset

// The dash pattern of each cosmetic pen style, on first, in steps along the major axis.
struct Pattern {
  int count;
  double dashes[6];
  double total;
};
const Pattern kPatterns[] = {
    {0, {}, 0},                          // PS_SOLID
    {2, {18, 6}, 24},                    // PS_DASH
    {2, {3, 3}, 6},                      // PS_DOT
    {4, {9, 6, 3, 6}, 24},               // PS_DASHDOT
    {6, {9, 3, 3, 3, 3, 3}, 24},         // PS_DASHDOTDOT
};

const Pattern& PatternOf(int style) { return kPatterns[style >= 0 && style <= PS_DASHDOTDOT ? style : 0]; }

// Walks a dashed pattern from position qa to qb, run by run, and hands `run` each run
// that is on (or, wantOn false, each gap).
template <typename Run>
void WalkPattern(const Pattern& pattern, double qa, double qb, bool wantOn, const Run& run) {
  double pos = std::fmod(qa, pattern.total);
  if (pos < 0) pos += pattern.total;
  int i = 0;
  double cumulative = pattern.dashes[0];
  while (cumulative <= pos && i + 1 < pattern.count) cumulative += pattern.dashes[++i];
  double end = qa - pos + cumulative;
  double r = qa;
  while (r < qb) {
    const double runEnd = std::min(end, qb);
    if ((i % 2 == 0) == wantOn) run(r, runEnd);
    r = runEnd;
    if (++i == pattern.count) i = 0;
    end += pattern.dashes[i];
  }
}

void SetColour(cairo_t* cr, COLORREF colour) {
  cairo_set_source_rgb(cr, (colour & 0xFF) / 255.0, ((colour >> 8) & 0xFF) / 255.0, ((colour >> 16) & 0xFF) / 255.0);
}

// The integral of max(|sin t|, |cos t|) from 0 to a: how many pixel steps along the
// major axis a unit circle takes from angle 0 to angle a. Each eighth of a turn takes
// sqrt(2)/2; within one, the integrand keeps its sign.
double MajorSteps(double a) {
  const double eighth = kPi / 4;
  const double n = std::floor(a / eighth);
  const double from = n * eighth;
  const long octant = static_cast<long>(std::fmod(std::fmod(n, 4.0) + 4.0, 4.0));
  const double partial = (octant == 0 || octant == 3) ? std::fabs(std::sin(a) - std::sin(from))
                                                       : std::fabs(std::cos(from) - std::cos(a));
  return n * (std::sqrt(2.0) / 2) + partial;
}

// Windows-1252 0x80..0x9F as Windows converts them (MultiByteToWideChar, which
// TextOutA uses): the five bytes the code page leaves unassigned stand for the C1
// controls of the same number.
const uint16_t kWindows1252High[32] = {
    0x20AC, 0x0081, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021, 0x02C6, 0x2030, 0x0160,
    0x2039, 0x0152, 0x008D, 0x017D, 0x008F, 0x0090, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022,
    0x2013, 0x2014, 0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0x009D, 0x017E, 0x0178};

FaceSource faceSource = nullptr;

}  // namespace

void SetFaceSource(FaceSource source) { faceSource = source; }

std::string Utf8FromWindows1252(const char* text, int count) {
  std::string out;
  for (int i = 0; i < count; ++i) {
    const unsigned char byte = static_cast<unsigned char>(text[i]);
    uint32_t code = byte;
    if (byte >= 0x80 && byte <= 0x9F) code = kWindows1252High[byte - 0x80];
    if (code < 0x80) {
      out += static_cast<char>(code);
    } else if (code < 0x800) {
      out += static_cast<char>(0xC0 | (code >> 6));
      out += static_cast<char>(0x80 | (code & 0x3F));
    } else {
      out += static_cast<char>(0xE0 | (code >> 12));
      out += static_cast<char>(0x80 | ((code >> 6) & 0x3F));
      out += static_cast<char>(0x80 | (code & 0x3F));
    }
  }
  return out;
}

// A straight stretch of a cosmetic line: along the major axis from m0 to m1, its
// centre line at minor(m) = c + k * (m - m0); its pattern stands at p0 at m0 and
// moves on s units per unit along the major axis.
struct Canvas::Band {
  bool xMajor;
  double m0, m1;
  double c, k;
  double p0, s;
  double tie;  // how far the band sits towards the smaller minor coordinate
};

// A rectangle that grows to hold what is drawn; empty (left > right) at first.
struct Canvas::Box {
  double left = 1e300, top = 1e300, right = -1e300, bottom = -1e300;
  void Add(double x0, double y0, double x1, double y1) {
    left = std::min({left, x0, x1});
    right = std::max({right, x0, x1});
    top = std::min({top, y0, y1});
    bottom = std::max({bottom, y0, y1});
  }
};

Canvas::Canvas(cairo_surface_t* surface, int width, int height, double scale)
    : surface_(surface), cr_(cairo_create(surface)), width_(width), height_(height), damage_{0, 0, 0, 0} {
  cairo_scale(cr_, scale, scale);
}

Canvas::~Canvas() { cairo_destroy(cr_); }

void Canvas::Damage(double left, double top, double right, double bottom) {
  const int l = static_cast<int>(std::max(0.0, std::floor(std::max(left, -1.0))));
  const int t = static_cast<int>(std::max(0.0, std::floor(std::max(top, -1.0))));
  const int r = static_cast<int>(std::min<double>(width_, std::ceil(std::min(right, width_ + 1.0))));
  const int b = static_cast<int>(std::min<double>(height_, std::ceil(std::min(bottom, height_ + 1.0))));
  if (l >= r || t >= b) return;
  if (damage_.left >= damage_.right) {
    damage_ = {l, t, r, b};
  } else {
    damage_ = {std::min<LONG>(damage_.left, l), std::min<LONG>(damage_.top, t), std::max<LONG>(damage_.right, r),
               std::max<LONG>(damage_.bottom, b)};
  }
  if (piecesOverflowed_) return;
  if (pieces_.size() == kDamagePiecesMax) {
    pieces_.clear();
    piecesOverflowed_ = true;
    return;
  }
  pieces_.push_back({l, t, r, b});
}

// The segment's pixels, within `margin` of it, as pieces at most kDamagePiece long
// along its major axis.
void Canvas::DamageSegment(double x0, double y0, double x1, double y1, double margin) {
  const double length = std::max(std::fabs(x1 - x0), std::fabs(y1 - y0));
  const int n = std::max(1, static_cast<int>(std::min(1e6, std::ceil(length / kDamagePiece))));
  double ax = x0, ay = y0;
  for (int j = 1; j <= n; ++j) {
    const double bx = j == n ? x1 : x0 + (x1 - x0) * j / n, by = j == n ? y1 : y0 + (y1 - y0) * j / n;
    Damage(std::min(ax, bx) - margin, std::min(ay, by) - margin, std::max(ax, bx) + margin,
           std::max(ay, by) + margin);
    ax = bx;
    ay = by;
  }
}

RECT Canvas::TakeDamage(std::vector<RECT>* pieces) {
  RECT damage = damage_;
  if (pieces != nullptr) {
    pieces->clear();
    if (piecesOverflowed_) {
      if (damage.left < damage.right) pieces->push_back(damage);
    } else {
      pieces->swap(pieces_);
    }
  }
  pieces_.clear();
  piecesOverflowed_ = false;
  damage_ = {0, 0, 0, 0};
  return damage;
}

// The part of a band along its major axis that shows: within a margin of two pixels
// around the canvas, across both axes. False when none of it does.
bool Canvas::ShownPart(const Band& band, double* lo, double* hi) const {
  const double majorEnd = band.xMajor ? width_ : height_;
  const double minorEnd = band.xMajor ? height_ : width_;
  *lo = std::max(std::min(band.m0, band.m1), -2.0);
  *hi = std::min(std::max(band.m0, band.m1), majorEnd + 2.0);
  if (band.k != 0.0) {
    double a = band.m0 + (-2.0 - band.c) / band.k;
    double b = band.m0 + (minorEnd + 2.0 - band.c) / band.k;
    if (a > b) std::swap(a, b);
    *lo = std::max(*lo, a);
    *hi = std::min(*hi, b);
  } else if (band.c < -2.0 || band.c > minorEnd + 2.0) {
    return false;
  }
  return *lo < *hi;
}

// Adds the stretch of a band between the pattern's positions ra and rb to the path: a
// quadrilateral one pixel across the minor axis, travelling in `dir` along the major.
void Canvas::AddStretch(const Band& band, double dir, double ra, double rb, Box* box) {
  const double ma = band.m0 + dir * (ra - band.p0) / band.s;
  const double mb = band.m0 + dir * (rb - band.p0) / band.s;
  const double na = band.c + band.k * (ma - band.m0) - band.tie;
  const double nb = band.c + band.k * (mb - band.m0) - band.tie;
  if (band.xMajor) {
    cairo_move_to(cr_, ma, na - 0.5);
    cairo_line_to(cr_, mb, nb - 0.5);
    cairo_line_to(cr_, mb, nb + 0.5);
    cairo_line_to(cr_, ma, na + 0.5);
    box->Add(std::min(ma, mb), std::min(na - 0.5, nb - 0.5), std::max(ma, mb), std::max(na + 0.5, nb + 0.5));
  } else {
    cairo_move_to(cr_, na - 0.5, ma);
    cairo_line_to(cr_, nb - 0.5, mb);
    cairo_line_to(cr_, nb + 0.5, mb);
    cairo_line_to(cr_, na + 0.5, ma);
    box->Add(std::min(na - 0.5, nb - 0.5), std::min(ma, mb), std::max(na + 0.5, nb + 0.5), std::max(ma, mb));
  }
  cairo_close_path(cr_);
}

void Canvas::FillBands(const std::vector<Band>& bands, const core::PenLook& pen, bool opaque) {
  const Pattern& pattern = PatternOf(pen.style);
  // Two passes when the gaps are filled too: gaps in the background colour, then the
  // dashes in the pen's.
  for (int pass = (opaque && pattern.count > 0) ? 0 : 1; pass < 2; ++pass) {
    const bool wantOn = pass == 1;
    cairo_new_path(cr_);
    for (const Band& band : bands) {
      double lo, hi;
      if (!ShownPart(band, &lo, &hi)) continue;
      Box box;
      const double dir = band.m1 >= band.m0 ? 1.0 : -1.0;
      // The pattern over the part that shows, in the direction of travel.
      const double qa = band.p0 + band.s * std::fabs((dir > 0 ? lo : hi) - band.m0);
      const double qb = band.p0 + band.s * std::fabs((dir > 0 ? hi : lo) - band.m0);
      const auto stretch = [&](double ra, double rb) { AddStretch(band, dir, ra, rb, &box); };
      if (pattern.count == 0) {
        if (wantOn) stretch(qa, qb);
      } else {
        WalkPattern(pattern, qa, qb, wantOn, stretch);
      }
      if (box.left > box.right) continue;
      // The band from the first stretch to the last, along the line: a slanted band's
      // box would take in far more than it drew.
      const double from = band.xMajor ? box.left : box.top, to = band.xMajor ? box.right : box.bottom;
      const double nFrom = band.c + band.k * (from - band.m0) - band.tie;
      const double nTo = band.c + band.k * (to - band.m0) - band.tie;
      if (band.xMajor) DamageSegment(from, nFrom, to, nTo, 0.5);
      else DamageSegment(nFrom, from, nTo, to, 0.5);
    }
    SetColour(cr_, wantOn ? pen.colour : kBackgroundColour);
    cairo_set_antialias(cr_, CAIRO_ANTIALIAS_NONE);
    cairo_set_fill_rule(cr_, CAIRO_FILL_RULE_WINDING);
    cairo_fill(cr_);
  }
}

// A solid pen wider than one pixel: round ends and joins, the line centred on the
// pixel grid so that an even width covers whole pixels on both sides.
void Canvas::StrokeWide(const core::PenLook& pen, const std::vector<std::pair<double, double>>& points) {
  const double w = pen.width;
  const double offset = pen.width % 2 == 1 ? 0.5 : 0.0;
  const double x0 = -w - 2, y0 = -w - 2, x1 = width_ + w + 2, y1 = height_ + w + 2;
  cairo_new_path(cr_);
  std::vector<std::array<double, 4>> segments;
  for (size_t i = 0; i + 1 < points.size(); ++i) {
    // Liang-Barsky: the part of the segment inside the margin.
    const double ax = points[i].first + offset, ay = points[i].second + offset;
    const double dx = points[i + 1].first + offset - ax, dy = points[i + 1].second + offset - ay;
    double t0 = 0, t1 = 1;
    const double p[4] = {-dx, dx, -dy, dy};
    const double q[4] = {ax - x0, x1 - ax, ay - y0, y1 - ay};
    bool inside = true;
    for (int j = 0; j < 4 && inside; ++j) {
      if (p[j] == 0) {
        if (q[j] < 0) inside = false;
      } else {
        const double t = q[j] / p[j];
        if (p[j] < 0) t0 = std::max(t0, t);
        else t1 = std::min(t1, t);
        if (t0 > t1) inside = false;
      }
    }
    if (!inside) continue;
    const double sx = ax + t0 * dx, sy = ay + t0 * dy, ex = ax + t1 * dx, ey = ay + t1 * dy;
    cairo_move_to(cr_, sx, sy);
    cairo_line_to(cr_, ex, ey);
    segments.push_back({sx, sy, ex, ey});
  }
  if (segments.empty()) return;
  SetColour(cr_, pen.colour);
  cairo_set_antialias(cr_, CAIRO_ANTIALIAS_NONE);
  cairo_set_line_width(cr_, w);
  cairo_set_line_cap(cr_, CAIRO_LINE_CAP_ROUND);
  cairo_set_line_join(cr_, CAIRO_LINE_JOIN_ROUND);
  cairo_set_dash(cr_, nullptr, 0, 0);
  cairo_stroke(cr_);
  for (const auto& [sx, sy, ex, ey] : segments) DamageSegment(sx, sy, ex, ey, w);
}

void Canvas::Line(const core::PenLook& pen, bool opaque, POINT from, POINT to) {
  if (pen.style == PS_NULL || (from.x == to.x && from.y == to.y)) return;
  if (pen.width > 1) {
    StrokeWide(pen, {{from.x, from.y}, {to.x, to.y}});
    return;
  }
  const double dx = static_cast<double>(to.x) - from.x;
  const double dy = static_cast<double>(to.y) - from.y;
  Band band;
  band.xMajor = std::fabs(dx) >= std::fabs(dy);
  const double fromMajor = band.xMajor ? from.x : from.y, toMajor = band.xMajor ? to.x : to.y;
  const double fromMinor = band.xMajor ? from.y : from.x;
  const double dMajor = band.xMajor ? dx : dy, dMinor = band.xMajor ? dy : dx;
  // The pixels from the first end up to, not including, the last: between their outer
  // edges along the major axis.
  band.m0 = dMajor > 0 ? fromMajor : fromMajor + 1;
  band.m1 = dMajor > 0 ? toMajor : toMajor + 1;
  band.k = dMinor / dMajor;
  band.c = fromMinor + 0.5 + band.k * (band.m0 - fromMajor - 0.5);
  band.p0 = 0;
  band.s = 1;
  // A pixel centre exactly between two goes to the smaller coordinate, as GDI's line
  // walk decides every tie: the band sits a hair towards it.
  band.tie = kTie;
  FillBands({band}, pen, opaque);
}

// A circle too small for chords that each own whole rows or columns: the pixels whose
// centres lie within half a pixel of it, dashes shortened by the share of a circle's
// length that its steps along the major axes make (4 sqrt 2 : 2 pi).
void Canvas::SmallArc(const core::PenLook& pen, double cx, double cy, double r, double a0, double a1) {
  const Pattern& pattern = PatternOf(pen.style);
  double dashes[6];
  for (int i = 0; i < pattern.count; ++i) dashes[i] = pattern.dashes[i] * (2 * kPi) / (4 * std::sqrt(2.0));
  cairo_new_path(cr_);
  if (a1 >= a0) cairo_arc_negative(cr_, cx, cy, r, -a0, -a1);
  else cairo_arc(cr_, cx, cy, r, -a0, -a1);
  SetColour(cr_, pen.colour);
  cairo_set_antialias(cr_, CAIRO_ANTIALIAS_NONE);
  cairo_set_line_width(cr_, 1);
  cairo_set_dash(cr_, dashes, pattern.count, 0);
  cairo_stroke(cr_);
  cairo_set_dash(cr_, nullptr, 0, 0);
  Damage(cx - r - 1, cy - r - 1, cx + r + 1, cy + r + 1);
}

// The pieces of the arc from a0 to a1 that lie within `margin` pixels of the canvas,
// in the direction of travel. The angles where the circle crosses the margin's edges
// cut it into arcs that lie wholly inside or wholly outside.
std::vector<Canvas::ArcPiece> Canvas::PiecesInside(double cx, double cy, double r, double a0, double a1,
                                                   double margin) const {
  const double lo = std::min(a0, a1), hi = std::max(a0, a1);
  const double xl = -margin, xr = width_ + margin, yt = -margin, yb = height_ + margin;
  std::vector<double> cuts = {lo, hi};
  auto addCut = [&](double angle) {
    for (double a = angle - 4 * kPi; a <= hi + 2 * kPi; a += 2 * kPi)
      if (a > lo && a < hi) cuts.push_back(a);
  };
  for (double ex : {xl, xr}) {
    const double c = (ex - cx) / r;
    if (c >= -1 && c <= 1) {
      addCut(std::acos(c));
      addCut(-std::acos(c));
    }
  }
  for (double ey : {yt, yb}) {
    const double s = (cy - ey) / r;
    if (s >= -1 && s <= 1) {
      addCut(std::asin(s));
      addCut(kPi - std::asin(s));
    }
  }
  std::sort(cuts.begin(), cuts.end());
  const bool forward = a1 >= a0;
  std::vector<ArcPiece> pieces;
  for (size_t i = 0; i + 1 < cuts.size(); ++i) {
    const double mid = (cuts[i] + cuts[i + 1]) / 2;
    const double mx = cx + r * std::cos(mid), my = cy - r * std::sin(mid);
    if (cuts[i + 1] - cuts[i] <= 0 || mx < xl || mx > xr || my < yt || my > yb) continue;
    pieces.push_back({forward ? cuts[i] : cuts[i + 1], forward ? cuts[i + 1] : cuts[i], cuts[i + 1] - cuts[i]});
  }
  return pieces;
}

void Canvas::Arc(const core::PenLook& pen, bool opaque, int x, int y, uint32_t radius, double start, double sweep) {
  if (pen.style == PS_NULL || radius == 0 || sweep == 0) return;
  sweep = std::max(-360.0, std::min(360.0, sweep));
  // GDI draws the arc of the ellipse in the square from x - r to x + r, whose right and
  // bottom edges it excludes: around the corner of the centre pixel, through the
  // middles of the outermost pixels, half a pixel inside the square's edges.
  const double r = pen.width > 1 ? radius : radius - 0.5;
  const double cx = x, cy = y;
  const double a0 = start * kPi / 180, a1 = (start + sweep) * kPi / 180;
  if (pen.width == 1 && r < 3) return SmallArc(pen, cx, cy, r, a0, a1);
  auto at = [&](double a) { return std::make_pair(cx + r * std::cos(a), cy - r * std::sin(a)); };
  // Chords short enough that they stay within a twentieth of a pixel of the circle.
  const double step = std::min(kPi / 32, std::sqrt(0.4 / r));
  const double stepsAtStart = MajorSteps(a0);
  std::vector<Band> bands;
  for (const ArcPiece& piece : PiecesInside(cx, cy, r, a0, a1, pen.width + 2.0)) {
    const double from = piece.from, to = piece.to;
    const int n = std::max(1, static_cast<int>(std::ceil(piece.span / step)));
    if (pen.width > 1) {
      std::vector<std::pair<double, double>> points;
      for (int j = 0; j <= n; ++j) points.push_back(at(from + (to - from) * j / n));
      StrokeWide(pen, points);
      continue;
    }
    // Each chord a band whose pattern carries on from the chord before, measured in
    // the circle's own steps along the major axis since the start.
    for (int j = 0; j < n; ++j) {
      const double ta = from + (to - from) * j / n, tb = from + (to - from) * (j + 1) / n;
      const auto pa = at(ta), pb = at(tb);
      const double dx = pb.first - pa.first, dy = pb.second - pa.second;
      Band band;
      band.xMajor = std::fabs(dx) >= std::fabs(dy);
      const double dMajor = band.xMajor ? dx : dy;
      if (dMajor == 0) continue;
      band.m0 = band.xMajor ? pa.first : pa.second;
      band.m1 = band.xMajor ? pb.first : pb.second;
      band.c = band.xMajor ? pa.second : pa.first;
      band.k = (band.xMajor ? dy : dx) / dMajor;
      band.p0 = 1 + r * std::fabs(MajorSteps(ta) - stepsAtStart);
      band.s = r * std::fabs(MajorSteps(tb) - MajorSteps(ta)) / std::fabs(dMajor);
      if (!(band.s > 0)) band.s = 1;
      band.tie = 0;
      bands.push_back(band);
    }
  }
  if (!bands.empty()) FillBands(bands, pen, opaque);
}

void Canvas::SelectFont(const core::FontLook& font, double* size, double* xScale, double* ascent) {
  const std::string family = font.face.empty() ? "Sans" : font.face;
  if (faceSource != nullptr) {
    cairo_set_font_face(cr_, faceSource(family, font.italic, font.weight >= 600));
  } else {
    cairo_select_font_face(cr_, family.c_str(), font.italic ? CAIRO_FONT_SLANT_ITALIC : CAIRO_FONT_SLANT_NORMAL,
                           font.weight >= 600 ? CAIRO_FONT_WEIGHT_BOLD : CAIRO_FONT_WEIGHT_NORMAL);
  }
  // The face's proportions at a size of one: its cell (ascent plus descent) and its
  // average character width.
  static std::map<std::tuple<std::string, bool, bool>, std::pair<double, double>> proportions;
  const auto key = std::make_tuple(font.face, font.italic, font.weight >= 600);
  auto it = proportions.find(key);
  if (it == proportions.end()) {
    cairo_set_font_size(cr_, 1000);
    cairo_font_extents_t extents;
    cairo_font_extents(cr_, &extents);
    static const char kLetters[] = "abcdefghijklmnopqrstuvwxyz ";
    static const int kWeights[] = {64, 14, 27, 35, 100, 20, 14, 42, 63, 3,  6,  35, 20, 56,
                                   56, 17, 4,  49, 56,  71, 31, 10, 18, 3, 18, 2,  166};
    double sum = 0;
    for (int i = 0; i < 27; ++i) {
      const char letter[2] = {kLetters[i], 0};
      cairo_text_extents_t te;
      cairo_text_extents(cr_, letter, &te);
      sum += te.x_advance * kWeights[i];
    }
    const double cell = (extents.ascent + extents.descent) / 1000;
    it = proportions.emplace(key, std::make_pair(cell > 0 ? cell : 1.0, sum / 1000 / 1000)).first;
  }
  const double cell = it->second.first, average = it->second.second;
  // GDI: a positive height is the cell, a negative one the character (em) height;
  // 0 asks for the default, a cell of 16.
  const double em = font.height > 0 ? font.height / cell : font.height < 0 ? -static_cast<double>(font.height) : 16 / cell;
  *size = em;
  *xScale = font.width > 0 && average > 0 ? font.width / (average * em) : 1.0;
  cairo_matrix_t matrix;
  cairo_matrix_init_scale(&matrix, em * *xScale, em);
  cairo_set_font_matrix(cr_, &matrix);
  // Metrics as the font gives them, not rounded up to whole pixels one by one: the
  // cell of a 12-pixel font is 12 pixels.
  cairo_font_options_t* options = cairo_font_options_create();
  cairo_font_options_set_hint_metrics(options, CAIRO_HINT_METRICS_OFF);
  cairo_font_options_set_antialias(options, CAIRO_ANTIALIAS_GRAY);
  cairo_font_options_set_hint_style(options, CAIRO_HINT_STYLE_SLIGHT);
  cairo_set_font_options(cr_, options);
  cairo_font_options_destroy(options);
  cairo_font_extents_t extents;
  cairo_font_extents(cr_, &extents);
  *ascent = std::round(extents.ascent);
}

// Selects the font and measures the text in it: the text as UTF-8, its extents and
// the font's, the ascent in whole pixels, the font's size and stretch.
Canvas::Measured Canvas::Measure(const core::FontLook& font, const char* text, int count) {
  Measured m;
  SelectFont(font, &m.size, &m.xScale, &m.ascent);
  m.utf8 = Utf8FromWindows1252(text, count);
  cairo_text_extents(cr_, m.utf8.c_str(), &m.text);
  cairo_font_extents(cr_, &m.font);
  return m;
}

SIZE Canvas::TextExtent(const core::FontLook& font, const char* text, int count) {
  cairo_save(cr_);
  const Measured m = Measure(font, text, count);
  cairo_restore(cr_);
  return {static_cast<LONG>(std::lround(m.text.x_advance)), static_cast<LONG>(std::lround(m.font.ascent + m.font.descent))};
}

void Canvas::Text(const core::FontLook& font, COLORREF colour, bool opaque, int x, int y, const char* text,
                  int count) {
  // A label can be no wider than a few thousand pixels: one that starts further off
  // than that shows nothing.
  const double far = 65536;
  if (x < -far || x > width_ + far || y < -far || y > height_ + far || count == 0) return;
  cairo_save(cr_);
  const Measured m = Measure(font, text, count);
  const cairo_text_extents_t& te = m.text;
  const cairo_font_extents_t& fe = m.font;
  if (opaque) {
    SetColour(cr_, kBackgroundColour);
    cairo_rectangle(cr_, x, y, std::round(te.x_advance), std::round(fe.ascent + fe.descent));
    cairo_fill(cr_);
  }
  SetColour(cr_, colour);
  cairo_move_to(cr_, x, y + m.ascent);
  cairo_show_text(cr_, m.utf8.c_str());
  cairo_restore(cr_);
  if (keepTexts_) texts_.push_back({m.utf8, static_cast<double>(x), y + m.ascent, te.x_advance, m.size, m.xScale, colour, font.face});
  Damage(x + std::min(0.0, te.x_bearing) - 1, y - 1, x + std::max(te.x_advance, te.x_bearing + te.width) + 1,
         y + fe.ascent + fe.descent + 1);
}

void Canvas::Fill(const RECT& rect, COLORREF colour) {
  const double left = std::max<double>(rect.left, 0), top = std::max<double>(rect.top, 0);
  const double right = std::min<double>(rect.right, width_), bottom = std::min<double>(rect.bottom, height_);
  if (left >= right || top >= bottom) return;
  cairo_save(cr_);
  SetColour(cr_, colour);
  cairo_set_antialias(cr_, CAIRO_ANTIALIAS_NONE);
  cairo_rectangle(cr_, left, top, right - left, bottom - top);
  cairo_fill(cr_);
  cairo_restore(cr_);
  Damage(left, top, right, bottom);
}

}  // namespace cairo_canvas
