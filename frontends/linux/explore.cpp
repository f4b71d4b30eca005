#include "frontends/linux/explore.h"

#include <sys/stat.h>

#include <cstdio>
#include <ctime>
#include <string>

#include "driver/explore.h"
#include "frontends/linux/picture.h"

namespace dreieck {

namespace {

// S: the window's pixels as dreieck-YYYYMMDD-HHMMSS.png in the working directory (with
// -2, -3, ... after a name that is taken), said on stderr with the options that draw it
// again; the window says where it went, or why not.
std::string Save(const ImageOf& imageOf, HWND window, const explorer::View& view) {
  cairo_surface_t* image = imageOf(window);
  if (image == nullptr) {
    std::fprintf(stderr, "dreieck: nothing to save: the window has no picture\n");
    return "Nicht gespeichert: das Fenster hat kein Bild";
  }
  // A file of that name, of any kind, takes the name.
  const std::string name = driver::SaveStem(std::time(nullptr), [](const std::string& stem) {
    struct stat taken;
    return lstat((stem + ".png").c_str(), &taken) == 0;
  }) + ".png";
  std::string error;
  if (!WritePng(image, name, false, &error)) {
    std::fprintf(stderr, "dreieck: cannot write %s: %s\n", driver::Quoted(name).c_str(), error.c_str());
    return "Nicht gespeichert: " + name + " (der Grund steht auf der Fehlerausgabe)";
  }
  std::fprintf(stderr, "dreieck: saved %s (%s)\n", driver::Quoted(name).c_str(),
               driver::PictureOptions(view, cairo_image_surface_get_width(image), cairo_image_surface_get_height(image)).c_str());
  return "Gespeichert: " + name;
}

}  // namespace

int ExploreOnDisplay(const driver::Options& options, const ImageOf& imageOf, HWND outer) {
  const int result = driver::RunExplorer(outer, driver::ExplorerStart(options), [&imageOf](HWND window, const explorer::View& view) {
    return Save(imageOf, window, view);
  });
  if (result == 0) return 0;
  std::fprintf(stderr, "dreieck: the explorer could not make its window\n");
  return 1;
}

}  // namespace dreieck
