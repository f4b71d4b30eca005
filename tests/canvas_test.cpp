// The Cairo canvas against GDI's own pixels: the shapes of tests/data/gdishapes.c drawn
// through the same Win32 calls, compared with the picture GDI drew of them
// (tests/data/gdi-shapes.png); text placement and extent; far-off shapes.
#include <cairo.h>

#include <chrono>
#include <cstring>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "image_backend.h"
#include "platform/cairo/window_image.h"
#include "support.h"

namespace {

std::string RectText(const RECT& r) {
  return std::to_string(r.left) + "," + std::to_string(r.top) + "-" + std::to_string(r.right) + "," +
         std::to_string(r.bottom);
}

// Whether the pixel at (x, y) is lit (not black).
bool Lit(cairo_surface_t* image, int x, int y) {
  if (x < 0 || y < 0 || x >= cairo_image_surface_get_width(image) || y >= cairo_image_surface_get_height(image))
    return false;
  cairo_surface_flush(image);
  const unsigned char* row = cairo_image_surface_get_data(image) + y * cairo_image_surface_get_stride(image);
  uint32_t pixel;
  std::memcpy(&pixel, row + 4 * x, 4);
  return (pixel & 0x00FFFFFF) != 0;
}

struct Region {
  const char* shape;
  int left, top, width, height;
};

struct Agreement {
  int reference = 0;  // lit in GDI's picture
  int exact = 0;      // of those, lit in ours too
  int near = 0;       // of those, lit in ours within one pixel
  int extra = 0;      // lit in ours with nothing lit within one pixel in GDI's
};

Agreement Compare(cairo_surface_t* gdi, cairo_surface_t* ours, const Region& r) {
  auto litNear = [](cairo_surface_t* image, int x, int y) {
    for (int dy = -1; dy <= 1; ++dy)
      for (int dx = -1; dx <= 1; ++dx)
        if (Lit(image, x + dx, y + dy)) return true;
    return false;
  };
  Agreement a;
  for (int y = r.top; y < r.top + r.height; ++y) {
    for (int x = r.left; x < r.left + r.width; ++x) {
      if (Lit(gdi, x, y)) {
        ++a.reference;
        a.exact += Lit(ours, x, y);
        a.near += litNear(ours, x, y);
      } else if (Lit(ours, x, y) && !litNear(gdi, x, y)) {
        ++a.extra;
      }
    }
  }
  return a;
}

class CanvasTest : public CoreTest {
 protected:
  void SetUp() override {
    CoreTest::SetUp();
    backend_ = std::make_unique<ImageBackend>(640, 240);
    core::InstallBackend(backend_.get());
    window_ = core::CreateTestWindow(640, 240);
    dc_ = GetDC(window_);
    backend_->Canvas().Fill({0, 0, 640, 240}, 0);
  }
  void TearDown() override {
    ReleaseDC(window_, dc_);
    core::InstallBackend(nullptr);
    CoreTest::TearDown();
  }
  // Runs `draw` with a pen of the style and width selected, as the program does.
  void WithPen(int style, int width, const std::function<void()>& draw) {
    HPEN pen = CreatePen(style, width, 0x00FFFFFF);
    HGDIOBJ kept = SelectObject(dc_, pen);
    SetBkMode(dc_, TRANSPARENT);
    draw();
    DeleteObject(SelectObject(dc_, kept));
  }
  void Circle(int x, int y, int r) {
    MoveToEx(dc_, x + r, y, nullptr);
    AngleArc(dc_, x, y, static_cast<DWORD>(r), 0.0f, 360.0f);
  }
  void Segment(int x0, int y0, int x1, int y1) {
    MoveToEx(dc_, x0, y0, nullptr);
    LineTo(dc_, x1, y1);
  }
  // The shapes of tests/data/gdishapes.c, call for call.
  void DrawShapes() {
    WithPen(PS_SOLID, 1, [&] {
      for (int r = 1; r <= 8; ++r) Circle(20 + 40 * (r - 1), 20, r);
    });
    const int styles[5] = {PS_SOLID, PS_DASH, PS_DOT, PS_DASHDOT, PS_DASHDOTDOT};
    for (int s = 0; s < 5; ++s) {
      WithPen(styles[s], 1, [&] {
        const int y = 50 + 10 * s;
        Segment(10, y, 70, y);
        Segment(140, y, 80, y);
        Segment(150 + 70 * s, 110, 150 + 70 * s + 50, 160);
        Segment(10 + 70 * s, 170, 10 + 70 * s + 60, 188);
        Segment(400 + 12 * s, 50, 400 + 12 * s + 3, 100);
      });
    }
    WithPen(PS_DOT, 1, [&] { Circle(500, 60, 20); });
    WithPen(PS_DASHDOTDOT, 1, [&] { Circle(500, 150, 30); });
    WithPen(PS_DASHDOT, 2, [&] {
      Segment(560, 20, 600, 20);
      Segment(560, 30, 600, 50);
    });
  }

  std::unique_ptr<ImageBackend> backend_;
  HWND window_ = nullptr;
  HDC dc_ = nullptr;
};

cairo_surface_t* LoadGdiShapes() {
  cairo_surface_t* png = cairo_image_surface_create_from_png(DREIECK_TEST_DATA "/gdi-shapes.png");
  EXPECT_EQ(CAIRO_STATUS_SUCCESS, cairo_surface_status(png)) << "tests/data/gdi-shapes.png";
  return png;
}

// Lines light exactly GDI's pixels, patterns included: one pixel per step along the
// major axis, the pattern counted in those steps (so a 45-degree dash is 18 pixels in
// x and in y), the end pixel unlit, right-to-left lines starting their pattern at
// their right end; a dashed pen two pixels wide draws solid.
TEST_F(CanvasTest, LinesLightGdisPixels) {
  DrawShapes();
  cairo_surface_t* gdi = LoadGdiShapes();
  const Region regions[] = {
      {"solid, dash, dot, dash-dot, dash-dot-dot, left to right", 5, 45, 70, 50},
      {"the same, right to left", 76, 45, 70, 50},
      {"45 degrees, each style", 148, 108, 315, 55},
      {"slope 3/10, each style", 8, 168, 360, 24},
      {"steep, each style", 396, 46, 70, 58},
      {"dash-dot two pixels wide, flat", 555, 15, 50, 10},
  };
  for (const Region& r : regions) {
    const Agreement a = Compare(gdi, backend_->Image(), r);
    EXPECT_GT(a.reference, 50) << r.shape;
    EXPECT_EQ(a.reference, a.exact) << r.shape << ": GDI's pixels that we leave dark";
    EXPECT_EQ(0, a.extra) << r.shape << ": pixels we light that GDI leaves dark";
  }
  // A slanted wide line: GDI's is a little fatter (its outline's corners are rounded to
  // whole pixels), ours is all inside it and reaches each of its pixels.
  const Agreement slanted = Compare(gdi, backend_->Image(), {"wide, slanted", 555, 27, 50, 28});
  EXPECT_GT(slanted.exact, slanted.reference * 8 / 10);
  EXPECT_EQ(slanted.reference, slanted.near);
  EXPECT_EQ(0, slanted.extra);
  cairo_surface_destroy(gdi);
}

// Circles: GDI's ring of pixels around the corner of the centre pixel; the arc's own
// start point is the one pixel GDI may add, and where the ring turns from rows to
// columns GDI takes the diagonal pixel too. Dashed circles carry their pattern round;
// where GDI's walk and ours count a step differently at the turn of an eighth, a dash
// slips by a pixel.
TEST_F(CanvasTest, CirclesLightGdisPixels) {
  DrawShapes();
  cairo_surface_t* gdi = LoadGdiShapes();
  struct Case {
    Region region;
    int missed;  // GDI's pixels we leave dark, at most
    int far;     // GDI's pixels with none of ours within one pixel, at most
  };
  const Case cases[] = {
      {{"solid, radius 1", 16, 16, 8, 8}, 1, 0},    {{"solid, radius 2", 55, 15, 10, 10}, 1, 0},
      {{"solid, radius 3", 94, 14, 12, 12}, 1, 0},  {{"solid, radius 5", 172, 12, 16, 16}, 5, 0},
      {{"solid, radius 8", 289, 9, 22, 22}, 5, 0},  {{"dotted, radius 20", 477, 37, 46, 46}, 14, 2},
      {{"dash-dot-dot, radius 30", 467, 117, 66, 66}, 14, 4},
  };
  for (const Case& c : cases) {
    const Agreement a = Compare(gdi, backend_->Image(), c.region);
    ASSERT_GT(a.reference, 0) << c.region.shape;
    EXPECT_LE(a.reference - a.exact, c.missed) << c.region.shape << ": " << a.exact << " of " << a.reference;
    EXPECT_LE(a.reference - a.near, c.far) << c.region.shape;
    EXPECT_LE(a.extra, c.far) << c.region.shape << ": our pixels with none of GDI's within one pixel";
  }
  cairo_surface_destroy(gdi);
}

// Text: the cell's top-left corner at the point; a positive height is the cell. The
// widths follow GDI's rule for a face with Arial's metrics: at 12 by 5 "Schwerpunkt"
// has glyph advances of 8+6+6+8+6+4+6+6+6+6+3 = 65 pixels.
TEST_F(CanvasTest, TextCellAndExtent) {
  HFONT font = CreateFontA(12, 5, 0, 0, FW_THIN, 0, 0, 0, DEFAULT_CHARSET, 0, 0, 0, 0, "Arial");
  HGDIOBJ kept = SelectObject(dc_, font);
  SetBkMode(dc_, TRANSPARENT);
  SetTextColor(dc_, 0x00FFFFFF);
  SIZE size{};
  ASSERT_TRUE(GetTextExtentPoint32A(dc_, "Schwerpunkt", 11, &size));
  EXPECT_NEAR(65, size.cx, 1);
  EXPECT_EQ(12, size.cy) << "the cell of a 12-pixel font";
  TextOutA(dc_, 100, 50, "Schwerpunkt", 11);
  DeleteObject(SelectObject(dc_, kept));
  // The letters sit inside the cell: the capital S rises to about two pixels below its
  // top, as GDI draws it (the ascent leaves room for accents).
  int top = 1000, left = 1000, right = -1, bottom = -1;
  for (int y = 40; y < 70; ++y)
    for (int x = 90; x < 200; ++x)
      if (Lit(backend_->Image(), x, y)) {
        top = std::min(top, y);
        left = std::min(left, x);
        right = std::max(right, x);
        bottom = std::max(bottom, y);
      }
  EXPECT_NEAR(52, top, 1);
  EXPECT_NEAR(100, left, 1);
  EXPECT_LE(bottom, 50 + 12) << "nothing below the cell";
  EXPECT_NEAR(100 + size.cx, right, 3) << "the text ends where its extent says";
  // Windows-1252: the 0xF6 of "Höhen" is an o with two dots, one glyph wide.
  SIZE hoehen{}, hohen{};
  kept = SelectObject(dc_, font = CreateFontA(12, 5, 0, 0, FW_THIN, 0, 0, 0, DEFAULT_CHARSET, 0, 0, 0, 0, "Arial"));
  GetTextExtentPoint32A(dc_, "H\xF6hen", 5, &hoehen);
  GetTextExtentPoint32A(dc_, "Hohen", 5, &hohen);
  DeleteObject(SelectObject(dc_, kept));
  EXPECT_EQ(hohen.cx, hoehen.cx);
}

// The program's two fonts: its labels (render/draw.cpp) and its caption
// (shell/cycle.cpp), as it creates them.
struct ProgramFont {
  const char* name;
  int height, width;
};
const ProgramFont kLabelFont = {"label font 12x5", 12, 5};
const ProgramFont kCaptionFont = {"caption font 10x6", 10, 6};

HFONT CreateProgramFont(const ProgramFont& font) {
  return CreateFontA(font.height, font.width, 0, 0, FW_THIN, 0, 0, 0, DEFAULT_CHARSET, 0, 0, 0, 0, "Arial");
}

// An extent is the text's advance rounded to the nearest pixel, and its height the
// cell. The caption is where rounding shows: centred on an odd width, it would move
// by a pixel with an extent one short.
TEST_F(CanvasTest, TextExtentIsTheRoundedAdvance) {
  struct Case {
    ProgramFont font;
    const char* text;
    LONG cx, cy;
    const char* why;
  };
  const Case cases[] = {
      {kCaptionFont, kCaption, 600, 10, "advance 599.58: truncated it would be 599"},
      {kLabelFont, "H\xF6henschnittpunkt", 94, 12, "advance 93.79"},
      {kLabelFont, "Schwerpunkt", 65, 12, "advance 65.45: rounded up it would be 66"},
  };
  for (const Case& c : cases) {
    HGDIOBJ kept = SelectObject(dc_, CreateProgramFont(c.font));
    SIZE size{};
    GetTextExtentPoint32A(dc_, c.text, static_cast<int>(std::strlen(c.text)), &size);
    EXPECT_EQ(c.cx, size.cx) << c.font.name << " " << c.text << ": " << c.why;
    EXPECT_EQ(c.cy, size.cy) << c.font.name << " " << c.text << ": the cell";
    DeleteObject(SelectObject(dc_, kept));
  }
  core::ClearCalls();
  DrawCaption(dc_, {0, 0, 1025, 600});
  const Lines written = core::CallsNamed({"TextOutA"});
  ASSERT_EQ(1u, written.size());
  EXPECT_EQ(0u, written[0].find("TextOutA(" + core::Name(dc_) + ",212,586,")) << written[0] << ": (1025 - 600) / 2";
}

// The baseline lies the rounded ascent below the top of the cell: an H drawn there
// stands on it, its lowest pixels in the row above.
TEST_F(CanvasTest, BaselineIsTheCellTopPlusTheRoundedAscent) {
  struct Case {
    ProgramFont font;
    int baseline;  // below the cell's top
    const char* why;
  };
  const Case cases[] = {
      {kLabelFont, 10, "ascent 9.71: truncated it would be 9"},
      {kCaptionFont, 8, "ascent 8.09: rounded up it would be 9"},
  };
  for (const Case& c : cases) {
    backend_->Canvas().Fill({0, 0, 640, 240}, 0);
    HGDIOBJ kept = SelectObject(dc_, CreateProgramFont(c.font));
    SetTextColor(dc_, 0x00FFFFFF);
    SetBkMode(dc_, TRANSPARENT);
    TextOutA(dc_, 100, 50, "H", 1);
    DeleteObject(SelectObject(dc_, kept));
    int lowest = -1;
    for (int y = 40; y < 80; ++y)
      for (int x = 95; x < 120; ++x)
        if (Lit(backend_->Image(), x, y)) lowest = y;
    EXPECT_EQ(50 + c.baseline - 1, lowest) << c.font.name << ": " << c.why;
  }
}

// Windows-1252 as Windows converts it: the ends of the block 0x80..0x9F where it
// differs from Latin-1, and the five bytes the code page leaves unassigned, which
// Windows maps to the C1 controls of the same number.
TEST_F(CanvasTest, Windows1252MapsAsTheCodePageSays) {
  struct Case {
    unsigned char byte;
    const char* utf8;
  };
  const Case cases[] = {
      {0x7F, "\x7F"},          // below the block: ASCII
      {0x80, "\xE2\x82\xAC"},  // the block's first: the euro sign
      {0x81, "\xC2\x81"},      // unassigned
      {0x8D, "\xC2\x8D"},      // unassigned
      {0x8F, "\xC2\x8F"},      // unassigned
      {0x90, "\xC2\x90"},      // unassigned
      {0x96, "\xE2\x80\x93"},  // the en dash of the caption
      {0x9D, "\xC2\x9D"},      // unassigned
      {0x9F, "\xC5\xB8"},      // the block's last: Y with diaeresis
      {0xA0, "\xC2\xA0"},      // above the block: Latin-1
      {0xF6, "\xC3\xB6"},      // o with diaeresis, of "H\xF6hen"
  };
  auto hex = [](const std::string& bytes) {
    std::string out;
    char buffer[4];
    for (unsigned char b : bytes) {
      std::snprintf(buffer, sizeof buffer, " %02X", b);
      out += buffer;
    }
    return out;
  };
  for (const Case& c : cases) {
    const char text[1] = {static_cast<char>(c.byte)};
    EXPECT_EQ(hex(c.utf8), hex(cairo_canvas::Utf8FromWindows1252(text, 1))) << "byte" << hex(std::string(1, static_cast<char>(c.byte)));
  }
}

// Centres and radii far beyond the surface, as nearly parallel lines make them, draw
// only what shows and take no time; nothing outside shows.
TEST_F(CanvasTest, FarOffShapesAreClippedBeforeDrawing) {
  const auto start = std::chrono::steady_clock::now();
  WithPen(PS_DASHDOTDOT, 1, [&] {
    // Only the arc near (320, 100) falls on the surface.
    Circle(320, 100 - 2000000000, 2000000000);
    Circle(-2000000000, 2000000000, 0xFFFFFFFFu / 2);
    Segment(-2000000000, 100, 2000000000, 100);
  });
  WithPen(PS_SOLID, 2, [&] { Segment(-2000000000, -2000000000, 2000000000, 2000000000); });
  const double ms = std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start).count();
  EXPECT_LT(ms, 200) << "far-off shapes took " << ms << " ms";
  EXPECT_TRUE(Lit(backend_->Image(), 320, 99)) << "the bottom of the huge circle passes through (320, 99)";
  EXPECT_TRUE(Lit(backend_->Image(), 150, 150)) << "the wide diagonal crosses the surface";
  EXPECT_TRUE(Lit(backend_->Image(), 0, 100)) << "the long dashed line starts its pattern off the surface";
  int lit = 0;
  for (int x = 0; x < 640; ++x) lit += Lit(backend_->Image(), x, 100);
  EXPECT_GT(lit, 640 * 12 / 24) << "a dash-dot-dot pattern is on for 15 of every 24 steps";
  EXPECT_LT(lit, 640 * 17 / 24);
}

// What a drawing damaged, in pieces: every pixel it changed lies in one of them, and a
// slanted line or a circle takes in a small share of its box (the page converts and
// compares the tiles the pieces touch, not the box).
TEST_F(CanvasTest, DrawnPiecesHoldEveryChangedPixelAndLittleElse) {
  struct Case {
    const char* what;
    int style, width;
    std::function<void()> draw;
    int percentOfBoxMax;  // the pieces' union, in percent of the bounding box
  };
  const Case cases[] = {
      {"a slanted line", PS_SOLID, 1, [this] { Segment(0, 0, 639, 239); }, 8},
      {"a steep line", PS_SOLID, 1, [this] { Segment(300, 239, 340, 0); }, 25},
      {"a dash-dot line leaving the canvas", PS_DASHDOT, 1, [this] { Segment(-50, 230, 700, -10); }, 8},
      {"a wide slanted line", PS_SOLID, 3, [this] { Segment(10, 230, 630, 5); }, 12},
      {"a circle", PS_SOLID, 1, [this] { Circle(320, 120, 110); }, 10},
      {"a dotted circle", PS_DOT, 1, [this] { Circle(320, 120, 110); }, 10},
      {"a wide dashed circle", PS_DASHDOT, 2, [this] { Circle(320, 120, 100); }, 16},
      {"a circle mostly off the canvas", PS_SOLID, 1, [this] { Circle(600, 200, 500); }, 15},
      {"a circle of radius 2", PS_SOLID, 1, [this] { Circle(50, 50, 2); }, 100},
  };
  for (const Case& c : cases) {
    backend_->Canvas().Fill({0, 0, 640, 240}, 0);
    backend_->Canvas().TakeDamage();
    const std::vector<uint32_t> before = backend_->Pixels();
    WithPen(c.style, c.width, c.draw);
    const std::vector<uint32_t> after = backend_->Pixels();
    std::vector<RECT> pieces;
    const RECT box = backend_->Canvas().TakeDamage(&pieces);
    std::vector<unsigned char> covered(before.size(), 0);
    for (const RECT& p : pieces) {
      EXPECT_TRUE(p.left >= box.left && p.top >= box.top && p.right <= box.right && p.bottom <= box.bottom)
          << c.what << ": piece " << p.left << "," << p.top << "-" << p.right << "," << p.bottom << " outside the box";
      for (int y = p.top; y < p.bottom; ++y)
        for (int x = p.left; x < p.right; ++x) covered[static_cast<size_t>(y) * 640 + x] = 1;
    }
    int changed = 0, missed = 0, area = 0;
    for (size_t i = 0; i < before.size(); ++i) {
      changed += before[i] != after[i];
      missed += before[i] != after[i] && covered[i] == 0;
      area += covered[i];
    }
    EXPECT_GT(changed, 0) << c.what << " changed nothing";
    EXPECT_EQ(0, missed) << c.what << ": " << missed << " of " << changed << " changed pixels in no piece";
    const int boxArea = (box.right - box.left) * (box.bottom - box.top);
    EXPECT_LE(area * 100, c.percentOfBoxMax * boxArea)
        << c.what << ": the pieces take in " << area << " of the box's " << boxArea << " pixels";
  }
}

// Past the most pieces a canvas keeps, the box alone stands for them all; the next
// drawing starts counting again.
TEST_F(CanvasTest, TooManyPiecesBecomeTheBox) {
  const auto segments = [&](int n) {
    WithPen(PS_SOLID, 1, [&] {
      for (int i = 0; i < n; ++i) Segment(i % 600, (i / 600) * 20, i % 600 + 3, (i / 600) * 20 + 2);
    });
  };
  backend_->Canvas().TakeDamage();
  std::vector<RECT> pieces;
  segments(static_cast<int>(cairo_canvas::Canvas::kDamagePiecesMax));
  RECT box = backend_->Canvas().TakeDamage(&pieces);
  EXPECT_EQ(cairo_canvas::Canvas::kDamagePiecesMax, pieces.size()) << "one piece per short segment";
  segments(static_cast<int>(cairo_canvas::Canvas::kDamagePiecesMax) + 1);
  box = backend_->Canvas().TakeDamage(&pieces);
  ASSERT_EQ(1u, pieces.size()) << "too many pieces";
  EXPECT_TRUE(pieces[0].left == box.left && pieces[0].top == box.top && pieces[0].right == box.right &&
              pieces[0].bottom == box.bottom)
      << "the one piece is the box " << box.left << "," << box.top << "-" << box.right << "," << box.bottom;
  segments(3);
  backend_->Canvas().TakeDamage(&pieces);
  EXPECT_EQ(3u, pieces.size()) << "a new count after the box";
}

// A window's image at a scale: what a released device context drew goes to the memory
// as its pieces, in the image's own pixels (each window pixel scale x scale of them)
// and within the image; a resize shows the image whole.
TEST_F(CanvasTest, WindowImageShowsThePiecesDrawnAtItsScale) {
  struct Shown {
    RECT part;
    std::vector<RECT> pieces;
  };
  class Memory final : public cairo_canvas::ImageMemory {
   public:
    Memory(int width, int height, std::vector<Shown>* shown)
        : surface_(cairo_image_surface_create(CAIRO_FORMAT_RGB24, width, height)), shown_(shown) {}
    ~Memory() override { cairo_surface_destroy(surface_); }
    cairo_surface_t* Surface() const override { return surface_; }
    void Show(const RECT& part) override { shown_->push_back({part, {}}); }
    void ShowPieces(const RECT& part, const std::vector<RECT>& pieces) override { shown_->push_back({part, pieces}); }

   private:
    cairo_surface_t* surface_;
    std::vector<Shown>* shown_;
  };
  std::vector<Shown> shown;
  cairo_canvas::WindowImage image(
      window_, [&](int width, int height) { return std::make_unique<Memory>(width, height, &shown); }, 2);
  std::string why;
  ASSERT_TRUE(image.Resize(&why)) << why;
  ASSERT_EQ(1u, shown.size());
  EXPECT_EQ(RectText({0, 0, 1280, 480}), RectText(shown[0].part)) << "the resize shows the image whole";
  core::PenLook pen;
  pen.colour = 0x00FFFFFF;
  // From (600, 10) far beyond the window's right edge: two pieces of at most 32 window
  // pixels along the line with half a pixel around, the second ending at the image's edge.
  image.Canvas()->Line(pen, false, {600, 10}, {700, 30});
  image.Canvas()->Flush();
  ASSERT_EQ(2u, shown.size());
  EXPECT_EQ(RectText({1198, 18, 1280, 40}), RectText(shown[1].part)) << "the line's box, doubled and clipped";
  std::string pieces;
  for (const RECT& piece : shown[1].pieces) pieces += RectText(piece) + " ";
  EXPECT_EQ("1198,18-1244,32 1240,28-1280,40 ", pieces) << "each piece doubled, within the image";
  image.Canvas()->Flush();
  EXPECT_EQ(2u, shown.size()) << "nothing drawn, nothing shown";
}

// A window whose image cannot be made says so once on stderr, and shows nothing, until a
// size whose image can be made; then it says so again the next time it cannot.
TEST_F(CanvasTest, WindowImageSaysOnceThatItHasNoPixels) {
  bool fail = true;
  cairo_canvas::WindowImage image(window_, [&](int width, int height) -> std::unique_ptr<cairo_canvas::ImageMemory> {
    if (fail) return nullptr;
    class Memory final : public cairo_canvas::ImageMemory {
     public:
      Memory(int w, int h) : surface_(cairo_image_surface_create(CAIRO_FORMAT_RGB24, w, h)) {}
      ~Memory() override { cairo_surface_destroy(surface_); }
      cairo_surface_t* Surface() const override { return surface_; }
      void Show(const RECT&) override {}

     private:
      cairo_surface_t* surface_;
    };
    return std::make_unique<Memory>(width, height);
  });
  const std::string line = "who: cannot make a 640x240 image of the window (out of memory); nothing is drawn until the "
                           "window is smaller\n";
  // fail | what the resize says
  const std::pair<bool, std::string> steps[] = {{true, line}, {true, ""}, {false, ""}, {true, line}, {true, ""}};
  int i = 0;
  for (const auto& [failing, said] : steps) {
    fail = failing;
    testing::internal::CaptureStderr();
    image.ResizeSaying("who");
    EXPECT_EQ(said, testing::internal::GetCapturedStderr()) << "resize " << i;
    EXPECT_EQ(failing, image.Canvas() == nullptr) << "resize " << i << ": pixels";
    ++i;
  }
}

}  // namespace
