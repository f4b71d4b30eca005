// pixmatch: do two pictures of the same drawing agree, colour by colour and label by
// label? Made for comparing what Dreieck draws on two platforms, where lines may land
// a pixel apart and text rasterises differently.
//
//   pixmatch REFERENCE.png CANDIDATE.png [--colour RRGGBB[:NAME]]... [--exclude X,Y,W,H]...
//            [--label X,Y,RRGGBB[,W]]... [--min R] [--both]
//
// --colour RRGGBB[:NAME]  compare the pixels of exactly this colour. N counts them in
//     REFERENCE outside the excluded boxes, M those among them that have a pixel of the
//     same colour in CANDIDATE within 1 px (in the 3x3 square around them). One line
//     per colour:
//         NAME N M RATIO BACK_N BACK_M BACK_RATIO VERDICT
//     RATIO = M/N ("-" when N is 0); BACK_* are the same counts the other way round,
//     from CANDIDATE to REFERENCE. VERDICT: "ok"; "low" when RATIO < R (or, with
//     --both, BACK_RATIO < R); "missing" when CANDIDATE has no pixel of the colour at
//     all although REFERENCE has; "absent" when REFERENCE has none outside the boxes
//     (nothing to compare; with --both a CANDIDATE that has some is "extra", a failure).
// --exclude X,Y,W,H  leave this box (e.g. a label's text) out of every colour count.
// --min R  the least share, 0..1 (default 0.9).
// --both   require R in both directions, so that a candidate that draws more (thicker
//     lines, solid where the reference is dashed) fails as well.
// --label X,Y,RRGGBB[,W]  a text of that colour whose cell has its top-left corner at
//     X,Y and is about W pixels wide (default 60); checks that it starts at the same
//     place in both pictures. In the box X-2..X+W, Y-2..Y+16 the text's ink is told
//     from the lines that cross it: lines are groups of touching pixels of exactly the
//     colour that go on outside the box; ink is every other pixel there that shows the
//     colour, exactly or (smoothed text) mixed with the background at half strength or
//     more. The ink of each picture within 2 px of the other picture's lines is
//     dropped, so that a letter that touches a line in one picture only counts in
//     neither. One line per label:
//         label X,Y RRGGBB ref RX,RY cand CX,CY offset DX,DY VERDICT
//     RX,RY and CX,CY are the top-left corners of the ink in each picture ("-" when it
//     has none), DX,DY the candidate's less the reference's. VERDICT: "ok" when the
//     offset is at most 3 px each way; "far" when more; "missing" when the reference
//     shows ink and the candidate none; "absent" when the reference has no pixel of
//     the colour in the box (the text is not where it was expected); "hidden" when all
//     the reference shows there are lines (nothing to compare); "outside" when the box
//     lies off the picture, or partly off it with nothing in the part that shows.
//     "ok", "hidden" and "outside" pass.
//
// The colour counts are exact: a pixel matches only its own RRGGBB. Alpha is
// disregarded: a partly transparent pixel counts with its own colour, a fully
// transparent one as black.
//
// Exit status: 0 every check passed; 1 a check failed (or the pictures differ in
// size); 2 bad usage or a picture that cannot be read (one line on stderr).
#include <cairo.h>

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

namespace {

const char kUsage[] =
    "usage: pixmatch REFERENCE.png CANDIDATE.png [--colour RRGGBB[:NAME]]... [--exclude X,Y,W,H]...\n"
    "                [--label X,Y,RRGGBB[,W]]... [--min R] [--both]\n";

[[noreturn]] void Usage(const std::string& problem) {
  std::fprintf(stderr, "pixmatch: %s\n%s", problem.c_str(), kUsage);
  std::exit(2);
}

struct Picture {
  int width = 0;
  int height = 0;
  std::vector<uint32_t> rgb;  // 0xRRGGBB, row by row
  uint32_t background = 0;    // the colour most pixels have

  bool Inside(int x, int y) const { return x >= 0 && y >= 0 && x < width && y < height; }
  uint32_t At(int x, int y) const { return rgb[static_cast<size_t>(y) * width + x]; }
  bool Is(int x, int y, uint32_t colour) const { return Inside(x, y) && At(x, y) == colour; }
  // A pixel of the colour in the 3x3 square around (x, y).
  bool Near(int x, int y, uint32_t colour) const {
    for (int dy = -1; dy <= 1; ++dy)
      for (int dx = -1; dx <= 1; ++dx)
        if (Is(x + dx, y + dy, colour)) return true;
    return false;
  }
};

// Undoes Cairo's premultiplied alpha: a channel stored as c * a / 255.
uint32_t Unpremultiply(uint32_t c, uint32_t a) { return std::min<uint32_t>(255, (c * 255 + a / 2) / a); }

Picture Load(const char* path) {
  cairo_surface_t* loaded = cairo_image_surface_create_from_png(path);
  if (cairo_surface_status(loaded) != CAIRO_STATUS_SUCCESS) {
    std::fprintf(stderr, "pixmatch: cannot read %s: %s\n", path,
                 cairo_status_to_string(cairo_surface_status(loaded)));
    cairo_surface_destroy(loaded);
    std::exit(2);
  }
  cairo_surface_t* surface = loaded;
  const cairo_format_t format = cairo_image_surface_get_format(loaded);
  if (format != CAIRO_FORMAT_ARGB32 && format != CAIRO_FORMAT_RGB24) {
    // Any other layout is copied into 32-bit ARGB as it is.
    surface = cairo_image_surface_create(CAIRO_FORMAT_ARGB32, cairo_image_surface_get_width(loaded),
                                         cairo_image_surface_get_height(loaded));
    cairo_t* cr = cairo_create(surface);
    cairo_set_operator(cr, CAIRO_OPERATOR_SOURCE);
    cairo_set_source_surface(cr, loaded, 0, 0);
    cairo_paint(cr);
    cairo_destroy(cr);
  }
  cairo_surface_flush(surface);
  Picture p;
  p.width = cairo_image_surface_get_width(surface);
  p.height = cairo_image_surface_get_height(surface);
  const int stride = cairo_image_surface_get_stride(surface);
  const unsigned char* data = cairo_image_surface_get_data(surface);
  const bool alpha = cairo_image_surface_get_format(surface) == CAIRO_FORMAT_ARGB32;
  p.rgb.resize(static_cast<size_t>(p.width) * p.height);
  for (int y = 0; y < p.height; ++y) {
    const unsigned char* row = data + static_cast<size_t>(y) * stride;
    for (int x = 0; x < p.width; ++x) {
      uint32_t v;  // Cairo's pixels are native-endian 32-bit words
      std::memcpy(&v, row + 4 * static_cast<size_t>(x), sizeof v);
      const uint32_t a = v >> 24;
      if (alpha && a == 0) {
        v = 0;
      } else if (alpha && a < 255) {
        v = Unpremultiply((v >> 16) & 0xFF, a) << 16 | Unpremultiply((v >> 8) & 0xFF, a) << 8 |
            Unpremultiply(v & 0xFF, a);
      }
      p.rgb[static_cast<size_t>(y) * p.width + x] = v & 0xFFFFFF;
    }
  }
  if (surface != loaded) cairo_surface_destroy(surface);
  cairo_surface_destroy(loaded);
  std::vector<uint32_t> sorted = p.rgb;
  std::sort(sorted.begin(), sorted.end());
  size_t most = 0;
  for (size_t i = 0, j; i < sorted.size(); i = j) {
    for (j = i; j < sorted.size() && sorted[j] == sorted[i]; ++j) {
    }
    if (j - i > most) {
      most = j - i;
      p.background = sorted[i];
    }
  }
  return p;
}

// Whether the pixel shows text of the colour: the colour itself, or, where text is
// smoothed, the colour laid over the background with at least half its strength.
bool IsInk(const Picture& p, int x, int y, uint32_t colour) {
  if (!p.Inside(x, y)) return false;
  const uint32_t v = p.At(x, y);
  if (v == colour) return true;
  double along = 0, length = 0, channels[3][2];
  for (int c = 0; c < 3; ++c) {
    const int shift = 16 - 8 * c;
    const double b = static_cast<double>((p.background >> shift) & 0xFF);
    const double d = static_cast<double>((colour >> shift) & 0xFF) - b;
    const double q = static_cast<double>((v >> shift) & 0xFF) - b;
    channels[c][0] = d;
    channels[c][1] = q;
    along += d * q;
    length += d * d;
  }
  if (length == 0) return false;
  const double strength = along / length;  // how much of the colour is in the pixel
  if (strength < 0.5 || strength > 1.05) return false;
  double off = 0;  // how far the pixel is from that mixture
  for (const auto& channel : channels) {
    const double miss = channel[1] - strength * channel[0];
    off += miss * miss;
  }
  return off <= 24.0 * 24.0;
}

// ---- Arguments ----

bool ParseInt(const std::string& text, long min, long max, int* out) {
  if (text.empty() || text.size() > 8) return false;
  char* end = nullptr;
  const long value = std::strtol(text.c_str(), &end, 10);
  if (*end != '\0' || value < min || value > max) return false;
  *out = static_cast<int>(value);
  return true;
}

bool ParseColour(std::string text, uint32_t* out) {
  if (!text.empty() && text[0] == '#') text.erase(0, 1);
  if (text.size() != 6) return false;
  uint32_t value = 0;
  for (char c : text) {
    int digit;
    if (c >= '0' && c <= '9') digit = c - '0';
    else if (c >= 'a' && c <= 'f') digit = c - 'a' + 10;
    else if (c >= 'A' && c <= 'F') digit = c - 'A' + 10;
    else return false;
    value = value << 4 | static_cast<uint32_t>(digit);
  }
  *out = value;
  return true;
}

std::vector<std::string> Split(const std::string& text, char separator) {
  std::vector<std::string> parts;
  size_t start = 0;
  for (;;) {
    const size_t at = text.find(separator, start);
    parts.push_back(text.substr(start, at == std::string::npos ? std::string::npos : at - start));
    if (at == std::string::npos) return parts;
    start = at + 1;
  }
}

std::string Hex(uint32_t colour) {
  char buffer[8];
  std::snprintf(buffer, sizeof buffer, "%06X", colour);
  return buffer;
}

struct ColourCheck {
  uint32_t colour;
  std::string name;
};
struct Box {
  int x, y, w, h;
  bool Holds(int px, int py) const { return px >= x && py >= y && px - x < w && py - y < h; }
};
struct LabelCheck {
  int x, y;
  uint32_t colour;
  int w;
};

// ---- Colours ----

// How many pixels of the colour `from` has outside the boxes, and how many of them
// have one of the same colour within 1 px in `to`.
void Count(const Picture& from, const Picture& to, uint32_t colour, const std::vector<uint8_t>& excluded,
           long* n, long* m) {
  *n = *m = 0;
  for (int y = 0; y < from.height; ++y) {
    for (int x = 0; x < from.width; ++x) {
      if (from.At(x, y) != colour || excluded[static_cast<size_t>(y) * from.width + x]) continue;
      ++*n;
      if (to.Near(x, y, colour)) ++*m;
    }
  }
}

std::string Ratio(long n, long m) {
  if (n == 0) return "-";
  char buffer[16];
  std::snprintf(buffer, sizeof buffer, "%.4f", static_cast<double>(m) / static_cast<double>(n));
  return buffer;
}

bool Has(const Picture& p, uint32_t colour) {
  return std::find(p.rgb.begin(), p.rgb.end(), colour) != p.rgb.end();
}

// ---- Labels ----

struct Pixel {
  int x, y;
};

// The pixels of the colour inside the box, split into lines and ink. Lines are drawn
// in the exact colour: a group of touching pixels of exactly the colour that goes on
// outside the box is a line. Ink is every other pixel that shows the colour (IsInk),
// which takes in smoothed text too.
void SplitInk(const Picture& p, const Box& box, uint32_t colour, std::vector<Pixel>* ink,
              std::vector<Pixel>* lines) {
  std::vector<uint8_t> seen(static_cast<size_t>(box.w) * box.h, 0), line(seen.size(), 0);
  std::vector<Pixel> group, stack;
  const auto index = [&](int x, int y) { return static_cast<size_t>(y - box.y) * box.w + (x - box.x); };
  for (int y0 = box.y; y0 < box.y + box.h; ++y0) {
    for (int x0 = box.x; x0 < box.x + box.w; ++x0) {
      if (seen[index(x0, y0)] || !p.Is(x0, y0, colour)) continue;
      seen[index(x0, y0)] = 1;
      group.clear();
      stack.assign(1, {x0, y0});
      bool leaves = false;
      while (!stack.empty()) {
        const Pixel q = stack.back();
        stack.pop_back();
        group.push_back(q);
        for (int dy = -1; dy <= 1; ++dy) {
          for (int dx = -1; dx <= 1; ++dx) {
            const int x = q.x + dx, y = q.y + dy;
            if (!p.Is(x, y, colour)) continue;
            if (!box.Holds(x, y)) {
              leaves = true;
            } else if (!seen[index(x, y)]) {
              seen[index(x, y)] = 1;
              stack.push_back({x, y});
            }
          }
        }
      }
      if (leaves)
        for (const Pixel& q : group) line[index(q.x, q.y)] = 1;
    }
  }
  for (int y = box.y; y < box.y + box.h; ++y) {
    for (int x = box.x; x < box.x + box.w; ++x) {
      if (line[index(x, y)]) lines->push_back({x, y});
      else if (IsInk(p, x, y, colour)) ink->push_back({x, y});
    }
  }
}

// Drops the pixels within 2 px of any of `lines`.
std::vector<Pixel> AwayFrom(const std::vector<Pixel>& ink, const std::vector<Pixel>& lines) {
  std::vector<Pixel> kept;
  for (const Pixel& p : ink) {
    bool close = false;
    for (const Pixel& l : lines) {
      if (std::abs(p.x - l.x) <= 2 && std::abs(p.y - l.y) <= 2) {
        close = true;
        break;
      }
    }
    if (!close) kept.push_back(p);
  }
  return kept;
}

// The top-left corner of the ink's bounding box.
Pixel TopLeft(const std::vector<Pixel>& ink) {
  Pixel corner = ink.front();
  for (const Pixel& p : ink) {
    corner.x = std::min(corner.x, p.x);
    corner.y = std::min(corner.y, p.y);
  }
  return corner;
}

std::string Str(const std::vector<Pixel>& ink) {
  if (ink.empty()) return "-";
  const Pixel corner = TopLeft(ink);
  return std::to_string(corner.x) + "," + std::to_string(corner.y);
}

// Checks one label; prints its line and returns whether it passed.
bool CheckLabel(const Picture& reference, const Picture& candidate, const LabelCheck& label) {
  const int kNear = 3;
  Box box{label.x - 2, label.y - 2, label.w + 3, 19};
  // Clipped to the picture.
  const bool clipped =
      box.x < 0 || box.y < 0 || box.x + box.w > reference.width || box.y + box.h > reference.height;
  const int x1 = std::min(box.x + box.w, reference.width), y1 = std::min(box.y + box.h, reference.height);
  box.x = std::max(box.x, 0);
  box.y = std::max(box.y, 0);
  box.w = x1 - box.x;
  box.h = y1 - box.y;
  std::printf("label %d,%d %s ", label.x, label.y, Hex(label.colour).c_str());
  if (box.w <= 0 || box.h <= 0) {
    std::printf("ref - cand - offset - outside\n");
    return true;
  }
  std::vector<Pixel> refInk, refLines, candInk, candLines;
  SplitInk(reference, box, label.colour, &refInk, &refLines);
  SplitInk(candidate, box, label.colour, &candInk, &candLines);
  const bool refShows = !refInk.empty() || !refLines.empty();
  // A letter that touches a line in one picture only counts in neither.
  refInk = AwayFrom(refInk, candLines);
  candInk = AwayFrom(candInk, refLines);
  std::printf("ref %s cand %s ", Str(refInk).c_str(), Str(candInk).c_str());
  if (!refShows) {
    // A text that runs off the picture may leave no ink in the part that shows.
    std::printf("offset - %s\n", clipped ? "outside" : "absent");
    return clipped;
  }
  if (refInk.empty()) {
    std::printf("offset - hidden\n");
    return true;
  }
  if (candInk.empty()) {
    std::printf("offset - missing\n");
    return false;
  }
  const Pixel ref = TopLeft(refInk), cand = TopLeft(candInk);
  const bool ok = std::abs(cand.x - ref.x) <= kNear && std::abs(cand.y - ref.y) <= kNear;
  std::printf("offset %d,%d %s\n", cand.x - ref.x, cand.y - ref.y, ok ? "ok" : "far");
  return ok;
}

}  // namespace

int main(int argc, char** argv) {
  std::vector<const char*> files;
  std::vector<ColourCheck> colours;
  std::vector<Box> boxes;
  std::vector<LabelCheck> labels;
  double min = 0.9;
  bool both = false;
  for (int i = 1; i < argc; ++i) {
    const std::string arg = argv[i];
    const bool hasValue = i + 1 < argc;
    if (arg == "--colour") {
      if (!hasValue) Usage("--colour needs RRGGBB[:NAME]");
      const std::string value = argv[++i];
      const size_t colon = value.find(':');
      ColourCheck check;
      if (!ParseColour(value.substr(0, colon), &check.colour) ||
          (colon != std::string::npos && (colon + 1 == value.size() || value.find(' ') != std::string::npos)))
        Usage("--colour: '" + value + "' is not RRGGBB or RRGGBB:NAME");
      check.name = colon == std::string::npos ? Hex(check.colour) : value.substr(colon + 1);
      colours.push_back(check);
    } else if (arg == "--exclude") {
      if (!hasValue) Usage("--exclude needs X,Y,W,H");
      const std::string value = argv[++i];
      const std::vector<std::string> parts = Split(value, ',');
      Box box{};
      if (parts.size() != 4 || !ParseInt(parts[0], -1000000, 1000000, &box.x) ||
          !ParseInt(parts[1], -1000000, 1000000, &box.y) || !ParseInt(parts[2], 0, 1000000, &box.w) ||
          !ParseInt(parts[3], 0, 1000000, &box.h))
        Usage("--exclude: '" + value + "' is not X,Y,W,H");
      boxes.push_back(box);
    } else if (arg == "--label") {
      if (!hasValue) Usage("--label needs X,Y,RRGGBB[,W]");
      const std::string value = argv[++i];
      const std::vector<std::string> parts = Split(value, ',');
      LabelCheck label{0, 0, 0, 60};
      if ((parts.size() != 3 && parts.size() != 4) || !ParseInt(parts[0], -1000000, 1000000, &label.x) ||
          !ParseInt(parts[1], -1000000, 1000000, &label.y) || !ParseColour(parts[2], &label.colour) ||
          (parts.size() == 4 && !ParseInt(parts[3], 1, 100000, &label.w)))
        Usage("--label: '" + value + "' is not X,Y,RRGGBB or X,Y,RRGGBB,W");
      labels.push_back(label);
    } else if (arg == "--min") {
      if (!hasValue) Usage("--min needs a share from 0 to 1");
      char* end = nullptr;
      min = std::strtod(argv[++i], &end);
      if (*argv[i] == '\0' || *end != '\0' || !(min >= 0 && min <= 1))
        Usage(std::string("--min: '") + argv[i] + "' is not a share from 0 to 1");
    } else if (arg == "--both") {
      both = true;
    } else if (arg.size() > 1 && arg[0] == '-') {
      Usage("unknown option '" + arg + "'");
    } else {
      files.push_back(argv[i]);
    }
  }
  if (files.size() != 2) Usage("two pictures are needed, REFERENCE and CANDIDATE");
  if (colours.empty() && labels.empty()) Usage("nothing to compare: give --colour or --label");

  const Picture reference = Load(files[0]);
  const Picture candidate = Load(files[1]);
  if (reference.width != candidate.width || reference.height != candidate.height) {
    std::printf("the pictures differ in size: %dx%d and %dx%d\n", reference.width, reference.height,
                candidate.width, candidate.height);
    return 1;
  }
  std::vector<uint8_t> excluded(reference.rgb.size(), 0);
  for (const Box& box : boxes) {
    for (int y = std::max(box.y, 0); y < std::min(box.y + box.h, reference.height); ++y)
      for (int x = std::max(box.x, 0); x < std::min(box.x + box.w, reference.width); ++x)
        excluded[static_cast<size_t>(y) * reference.width + x] = 1;
  }

  bool passed = true;
  for (const ColourCheck& check : colours) {
    long n, m, backN, backM;
    Count(reference, candidate, check.colour, excluded, &n, &m);
    Count(candidate, reference, check.colour, excluded, &backN, &backM);
    const char* verdict = "ok";
    if (n == 0) {
      verdict = both && backN > 0 ? "extra" : "absent";
    } else if (!Has(candidate, check.colour)) {
      verdict = "missing";
    } else if (static_cast<double>(m) < min * static_cast<double>(n) ||
               (both && static_cast<double>(backM) < min * static_cast<double>(backN))) {
      verdict = "low";
    }
    passed = passed && (std::strcmp(verdict, "ok") == 0 || std::strcmp(verdict, "absent") == 0);
    std::printf("%s %ld %ld %s %ld %ld %s %s\n", check.name.c_str(), n, m, Ratio(n, m).c_str(), backN, backM,
                Ratio(backN, backM).c_str(), verdict);
  }
  for (const LabelCheck& label : labels) passed = CheckLabel(reference, candidate, label) && passed;
  return passed ? 0 : 1;
}
