// blank_png FILE WIDTH HEIGHT: writes a blank (black) PNG of that size with Cairo and
// nothing else, the baseline of a whole `dreieck --picture` process: the same loader
// work for Cairo and its libraries, the same PNG encoder. 0 when written, 1 when not.
#include <cairo.h>

#include <cstdio>
#include <cstdlib>

int main(int argc, char** argv) {
  if (argc != 4) {
    std::fprintf(stderr, "usage: blank_png FILE WIDTH HEIGHT\n");
    return 1;
  }
  const int width = std::atoi(argv[2]), height = std::atoi(argv[3]);
  if (width < 1 || height < 1 || width > 16384 || height > 16384) {
    std::fprintf(stderr, "blank_png: the size is 1..16384 each\n");
    return 1;
  }
  cairo_surface_t* image = cairo_image_surface_create(CAIRO_FORMAT_RGB24, width, height);
  const cairo_status_t status = cairo_surface_write_to_png(image, argv[1]);
  cairo_surface_destroy(image);
  if (status != CAIRO_STATUS_SUCCESS) {
    std::fprintf(stderr, "blank_png: %s\n", cairo_status_to_string(status));
    return 1;
  }
  return 0;
}
