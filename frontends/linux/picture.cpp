// Pictures: the program runs as it does on a screen, inside an outer window whose
// pixels are a Cairo image, SVG or PDF surface, on a clock that jumps from tick to
// tick (platform/cairo/picture_backend.h). The driver holds the picture after the
// step asked for; for --frames every tick is written.
#include "frontends/linux/picture.h"

#include "version.h"

#include <sys/stat.h>

#include <cairo-pdf.h>
#include <cairo-svg.h>
#include <cairo.h>

#include <cerrno>
#include <cmath>
#include <cstdlib>
#include <cstdio>
#include <cstring>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "driver/run.h"
#include "frontends/linux/files.h"
#include "platform/cairo/canvas.h"
#include "platform/cairo/picture_backend.h"
#include "platform/cairo/svg.h"
#include "platform/core/backend.h"

namespace dreieck {

namespace {

cairo_status_t WriteToFile(void* closure, const unsigned char* data, unsigned int length) {
  return static_cast<AtomicFile*>(closure)->Write(data, length) ? CAIRO_STATUS_SUCCESS : CAIRO_STATUS_WRITE_ERROR;
}

// Hears the driver's ticks and hands each to `afterTick` with the step it began at;
// once the picture is held the program ends, and so it does when `afterTick` says so.
class PictureListener final : public driver::Listener {
 public:
  explicit PictureListener(std::function<bool(int32_t started)> afterTick) : afterTick_(std::move(afterTick)) {}
  void Ticked(int32_t started, int32_t, bool held) override {
    if (afterTick_(started) || held) core::PostQuit(0);
  }

 private:
  std::function<bool(int32_t)> afterTick_;
};

// Runs the program under the options' plan on a screen that is the picture, until the
// picture is held; `afterTick` is called after each tick. False when the program made
// no window.
bool RunCycle(int width, int height, cairo_canvas::Canvas* canvas, const driver::Options& o,
              const std::function<bool(int32_t started)>& afterTick) {
  cairo_canvas::PictureBackend backend(width, height, canvas);
  core::InstallBackend(&backend);
  PictureListener listener(afterTick);
  const driver::Ran ran = driver::RunSaver(backend.MakeOuterWindow(), driver::PlanOf(o), &listener);
  core::InstallBackend(nullptr);
  if (backend.TimerMissing()) std::fprintf(stderr, "dreieck: the program set no timer\n");
  return ran.window;
}

int Fail(const std::string& what, const std::string& path, const std::string& why) {
  std::fprintf(stderr, "dreieck: %s %s: %s\n", what.c_str(), driver::Quoted(path).c_str(), why.c_str());
  return 1;
}

}  // namespace

namespace {

// Writes the image as a PNG into `file`, made for `path`; false (and *error) when that
// failed. The file is not committed.
bool PngInto(cairo_surface_t* image, const std::string& path, AtomicFile* file, std::string* error) {
  if (!file->Open(path, error)) return false;
  const cairo_status_t status = cairo_surface_write_to_png_stream(image, WriteToFile, file);
  if (status == CAIRO_STATUS_SUCCESS) return true;
  // The file's own error says more than Cairo's; either way nothing takes the name.
  *error = file->Failure().empty() ? cairo_status_to_string(status) : file->Failure();
  return false;
}

}  // namespace

bool WritePng(cairo_surface_t* image, const std::string& path, bool replace, std::string* error) {
  AtomicFile file;
  return PngInto(image, path, &file, error) && file.Commit(error, replace);
}

namespace {

// The surface a picture is drawn on, as its file's format asks, the scale included:
// an image for a PNG, an SVG document in *svg, a PDF written straight into *pdfFile
// (opened here) while Cairo makes it. Null, with *error and what failed ("cannot make"
// the surface, "cannot write" the PDF's file), when it cannot be made.
cairo_surface_t* MakeSurface(const driver::Options& o, std::string* svg, AtomicFile* pdfFile, std::string* error,
                             const char** failed) {
  *failed = "cannot write";
  const int w = o.width * o.scale, h = o.height * o.scale;
  cairo_surface_t* surface;
  if (o.format == driver::Format::Png) {
    surface = cairo_image_surface_create(CAIRO_FORMAT_RGB24, w, h);
  } else if (o.format == driver::Format::Svg) {
    surface = cairo_svg_surface_create_for_stream(cairo_canvas::AppendToString, svg, w, h);
    cairo_svg_surface_set_document_unit(surface, CAIRO_SVG_UNIT_PX);
  } else {
    if (!pdfFile->Open(o.path, error)) return nullptr;
    surface = cairo_pdf_surface_create_for_stream(WriteToFile, pdfFile, w, h);
    cairo_pdf_surface_set_metadata(surface, CAIRO_PDF_METADATA_TITLE, "Dreieck");
    cairo_pdf_surface_set_metadata(surface, CAIRO_PDF_METADATA_CREATOR, "dreieck " DREIECK_VERSION);
  }
  if (cairo_surface_status(surface) == CAIRO_STATUS_SUCCESS) return surface;
  *failed = "cannot make";
  *error = cairo_status_to_string(cairo_surface_status(surface));
  cairo_surface_destroy(surface);
  return nullptr;
}

// Finishes the drawn surface (which it destroys) and puts the picture in its file,
// whole or not at all: the PNG from the image, the SVG with its labels as text, the
// PDF Cairo wrote. False, with *error, when the file was not written.
bool WritePicture(cairo_surface_t* surface, const driver::Options& o, std::string* svg, AtomicFile* pdfFile,
                  const std::vector<cairo_canvas::TextRun>& texts, std::string* error) {
  cairo_surface_flush(surface);
  bool ok = o.format != driver::Format::Png || WritePng(surface, o.path, true, error);
  cairo_surface_finish(surface);
  const cairo_status_t status = cairo_surface_status(surface);
  cairo_surface_destroy(surface);
  if (ok && status != CAIRO_STATUS_SUCCESS) {
    // A PDF that could not be written: the file's own error says more than Cairo's.
    *error = o.format == driver::Format::Pdf && !pdfFile->Failure().empty() ? pdfFile->Failure()
                                                                      : cairo_status_to_string(status);
    return false;
  }
  if (!ok) return false;
  if (o.format == driver::Format::Svg) {
    if (!cairo_canvas::LabelsAsText(svg, texts, o.scale)) {
      *error = "the labels could not be written as text";
      return false;
    }
    return WriteFileAtomically(o.path, *svg, error);
  }
  return o.format != driver::Format::Pdf || pdfFile->Commit(error);
}

}  // namespace

int RunPicture(const driver::Options& o) {
  std::string svg, error;
  AtomicFile pdfFile;
  const char* failed;
  cairo_surface_t* surface = MakeSurface(o, &svg, &pdfFile, &error, &failed);
  if (surface == nullptr) return Fail(failed, o.path, error);
  bool drawn;
  std::vector<cairo_canvas::TextRun> texts;
  {
    cairo_canvas::Canvas canvas(surface, o.width, o.height, o.scale);
    if (o.format == driver::Format::Svg) canvas.KeepTexts();
    drawn = RunCycle(o.width, o.height, &canvas, o, [](int32_t) { return false; });
    texts = canvas.Texts();
  }
  if (!drawn) {
    cairo_surface_destroy(surface);
    return Fail("cannot write", o.path, "the program made no window");
  }
  if (!WritePicture(surface, o, &svg, &pdfFile, texts, &error)) return Fail("cannot write", o.path, error);
  return 0;
}

namespace {

// DIR/tick-NN.png
std::string FramePath(const std::string& folder, size_t tick) {
  char name[32];
  std::snprintf(name, sizeof name, "/tick-%02zu.png", tick);
  return folder + name;
}

// Puts the frames written in place together, then removes the ticks of a longer cycle
// (files only; a folder or anything else of such a name is not ours). Runs into the
// same folder take their turns here: the last one's cycle stays. 0, or 1 after a line.
int PutInPlace(const std::string& folder, const std::vector<std::unique_ptr<AtomicFile>>& frames) {
  FolderLock lock(folder);
  if (!lock.Error().empty()) return Fail("cannot lock the folder", folder, lock.Error());
  std::vector<AtomicFile*> files;
  for (const auto& file : frames) files.push_back(file.get());
  std::string error, failed;
  if (!CommitTogether(files, &error, &failed)) return Fail("cannot write", failed, error);
  for (size_t tick = frames.size(); tick < 100; ++tick) {
    const std::string stale = FramePath(folder, tick);
    struct stat old;
    if (lstat(stale.c_str(), &old) != 0 || !S_ISREG(old.st_mode)) continue;
    if (unlink(stale.c_str()) != 0 && errno != ENOENT)
      return Fail("cannot remove the earlier frame", stale, std::strerror(errno));
  }
  return 0;
}

}  // namespace

int RunFrames(const driver::Options& o) {
  std::string folder = o.path;
  while (folder.size() > 1 && folder.back() == '/') folder.pop_back();
  // The picture first: without memory for it no folder is made.
  cairo_surface_t* image = cairo_image_surface_create(CAIRO_FORMAT_RGB24, o.width * o.scale, o.height * o.scale);
  if (cairo_surface_status(image) != CAIRO_STATUS_SUCCESS) {
    const std::string why = cairo_status_to_string(cairo_surface_status(image));
    cairo_surface_destroy(image);
    return Fail("cannot make the frames of", folder, why);
  }
  std::unique_ptr<cairo_surface_t, void (*)(cairo_surface_t*)> owned(image, cairo_surface_destroy);
  if (mkdir(folder.c_str(), 0777) != 0 && errno != EEXIST) return Fail("cannot make the folder", folder, std::strerror(errno));
  struct stat info;
  if (stat(folder.c_str(), &info) != 0 || !S_ISDIR(info.st_mode)) return Fail("cannot write into", folder, "not a folder");
  // Every frame is written beside the folder's files without taking a name, and they
  // all take their names at the end: the folder holds the whole earlier cycle or the
  // whole new one, also when this run fails or is ended on the way.
  std::vector<std::unique_ptr<AtomicFile>> frames;
  std::string error, failed;
  bool drawn;
  {
    cairo_canvas::Canvas canvas(image, o.width, o.height, o.scale);
    // The driver holds the picture after the erase, which ends the cycle.
    drawn = RunCycle(o.width, o.height, &canvas, o, [&](int32_t) {
      cairo_surface_flush(image);
      frames.push_back(std::make_unique<AtomicFile>());
      if (PngInto(image, FramePath(folder, frames.size() - 1), frames.back().get(), &error)) return false;
      failed = FramePath(folder, frames.size() - 1);
      return true;
    });
  }
  if (!drawn) return Fail("cannot make the frames of", folder, "the program made no window");
  if (!failed.empty()) return Fail("cannot write", failed, error);
  if (PutInPlace(folder, frames) != 0) return 1;
  std::printf("dreieck: wrote %zu frames to %s\n", frames.size(), driver::Quoted(folder).c_str());
  return 0;
}

}  // namespace dreieck
