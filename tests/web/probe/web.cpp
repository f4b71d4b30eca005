// The probe in the browser: fetches the font file shipped beside the page into the
// in-memory file system, opens it with FreeType, draws the probe picture with the
// WebAssembly build of Cairo and puts it onto <canvas id="probe">. The page's body
// gets data-probe="drawn" when the picture is there, or "failed" with a console
// error naming what went wrong.
#include <cairo-ft.h>
#include <emscripten.h>
#include <ft2build.h>
#include FT_FREETYPE_H

#include "tests/web/probe/probe.h"

namespace {

const char kFontUrl[] = "LiberationSans-Regular.ttf";
const char kFontFile[] = "/LiberationSans-Regular.ttf";

void Fail(const char* what) {
  EM_ASM({
    console.error("probe: " + UTF8ToString($0));
    document.body.dataset.probe = "failed";
  }, what);
}

void DrawWithFont(const char* file) {
  FT_Library library;
  FT_Face ft;
  if (FT_Init_FreeType(&library) != 0) return Fail("FreeType does not start");
  if (FT_New_Face(library, file, 0, &ft) != 0) return Fail("the font file is no font FreeType reads");
  cairo_font_face_t* face = cairo_ft_font_face_create_for_ft_face(ft, 0);
  cairo_surface_t* surface = cairo_image_surface_create(CAIRO_FORMAT_RGB24, probe::kWidth, probe::kHeight);
  cairo_t* cr = cairo_create(surface);
  probe::Draw(cr, face);
  const cairo_status_t status = cairo_status(cr);
  cairo_destroy(cr);
  const std::vector<uint8_t> rgba = probe::Rgba(surface);
  cairo_surface_destroy(surface);
  cairo_font_face_destroy(face);
  // Cairo keeps the scaled fonts of the face in its caches; the page lives as long as
  // the library does, so the face is not closed.
  if (status != CAIRO_STATUS_SUCCESS) return Fail(cairo_status_to_string(status));
  EM_ASM({
    const canvas = document.getElementById("probe");
    canvas.width = $1;
    canvas.height = $2;
    const pixels = new Uint8ClampedArray(HEAPU8.subarray($0, $0 + $1 * $2 * 4));
    canvas.getContext("2d").putImageData(new ImageData(pixels, $1, $2), 0, 0);
    document.body.dataset.probe = "drawn";
  }, rgba.data(), probe::kWidth, probe::kHeight);
}

}  // namespace

int main() {
  emscripten_async_wget(kFontUrl, kFontFile, DrawWithFont, [](const char*) { Fail("the font file did not load"); });
  return 0;
}
