// The probe drawn natively with the system's Cairo, as the page draws it:
//   probe_native --font FILE --rgba OUT [--png OUT]   the face from FILE (FreeType)
//   probe_native --face NAME --rgba OUT [--png OUT]   the face fontconfig gives for NAME,
//                                                     as the Linux program selects it
// OUT gets the pixels as RGBA rows (what a canvas's getImageData gives). Exit code 2
// for a wrong command line, 1 when the font or a file fails.
#include <cairo-ft.h>
#include <ft2build.h>
#include FT_FREETYPE_H

#include <cstdio>
#include <cstring>
#include <string>

#include "tests/web/probe/probe.h"

int main(int argc, char** argv) {
  std::string font, faceName, rgbaFile, pngFile;
  for (int i = 1; i + 1 < argc; i += 2) {
    const std::string option = argv[i];
    if (option == "--font") font = argv[i + 1];
    else if (option == "--face") faceName = argv[i + 1];
    else if (option == "--rgba") rgbaFile = argv[i + 1];
    else if (option == "--png") pngFile = argv[i + 1];
    else argc = 0;
  }
  if (argc % 2 != 1 || font.empty() == faceName.empty() || rgbaFile.empty()) {
    std::fprintf(stderr, "usage: probe_native (--font FILE | --face NAME) --rgba OUT [--png OUT]\n");
    return 2;
  }
  FT_Library library = nullptr;
  FT_Face ft = nullptr;
  cairo_font_face_t* face;
  if (!font.empty()) {
    if (FT_Init_FreeType(&library) != 0 || FT_New_Face(library, font.c_str(), 0, &ft) != 0) {
      std::fprintf(stderr, "probe_native: %s is no font FreeType reads\n", font.c_str());
      return 1;
    }
    face = cairo_ft_font_face_create_for_ft_face(ft, 0);
  } else {
    face = cairo_toy_font_face_create(faceName.c_str(), CAIRO_FONT_SLANT_NORMAL, CAIRO_FONT_WEIGHT_NORMAL);
  }
  cairo_surface_t* surface = cairo_image_surface_create(CAIRO_FORMAT_RGB24, probe::kWidth, probe::kHeight);
  cairo_t* cr = cairo_create(surface);
  probe::Draw(cr, face);
  cairo_status_t status = cairo_status(cr);
  cairo_destroy(cr);
  if (status == CAIRO_STATUS_SUCCESS && !pngFile.empty()) status = cairo_surface_write_to_png(surface, pngFile.c_str());
  const std::vector<uint8_t> rgba = probe::Rgba(surface);
  cairo_surface_destroy(surface);
  cairo_font_face_destroy(face);
  // Cairo's caches hold the face until they are emptied; then FreeType's may go.
  cairo_debug_reset_static_data();
  if (ft) FT_Done_Face(ft);
  if (library) FT_Done_FreeType(library);
  if (status != CAIRO_STATUS_SUCCESS) {
    std::fprintf(stderr, "probe_native: %s\n", cairo_status_to_string(status));
    return 1;
  }
  FILE* out = std::fopen(rgbaFile.c_str(), "wb");
  const bool written = out && std::fwrite(rgba.data(), 1, rgba.size(), out) == rgba.size();
  if (out && std::fclose(out) != 0) status = CAIRO_STATUS_WRITE_ERROR;
  if (!written || status != CAIRO_STATUS_SUCCESS) {
    std::fprintf(stderr, "probe_native: cannot write %s\n", rgbaFile.c_str());
    return 1;
  }
  return 0;
}
