// Dreieck in the browser: the program's own entry runs unchanged inside the page's
// outer window (platform/web/backend.h) through the driver, as the saver, and as its
// settings dialog when the page's Settings button asks for it; the explorer runs there
// too. Each run starts afresh, as a process of its own would. The address's query is
// read with the Linux program's option table; the settings the page keeps
// (localStorage) go into the registry the program reads, and those the address gives
// override them for the visit.
#include <cairo-ft.h>
#include <emscripten.h>
#include <ft2build.h>
#include FT_FREETYPE_H

#include <algorithm>
#include <ctime>
#include <set>
#include <cstdint>
#include <string>
#include <vector>

#include "version.h"

#include "driver/explore.h"
#include "driver/kept.h"
#include "driver/options.h"
#include "driver/run.h"
#include "frontends/page/script.h"
#include "platform/cairo/canvas.h"
#include "platform/cairo/svg.h"
#include "platform/core/backend.h"
#include "platform/web/backend.h"
#include "platform/web/page.h"

namespace {

// The labels' face: Liberation Sans, which the page fetched (cmake/web.cmake names it). The program asks
// for "Arial" only, which fontconfig gives it as Liberation Sans on Linux; the page has
// this one face, for every name.
cairo_font_face_t* labelFace = nullptr;

cairo_font_face_t* LabelFace(const std::string&, bool, bool) { return labelFace; }

// Opens the font file with FreeType; it and the face live as long as the page.
bool OpenFont() {
  static const std::vector<uint8_t> file = script::FontFile();
  FT_Library library;
  FT_Face face;
  if (file.empty() || FT_Init_FreeType(&library) != 0 ||
      FT_New_Memory_Face(library, file.data(), static_cast<FT_Long>(file.size()), 0, &face) != 0)
    return false;
  labelFace = cairo_ft_font_face_create_for_ft_face(face, 0);
  cairo_canvas::SetFaceSource(LabelFace);
  return cairo_font_face_status(labelFace) == CAIRO_STATUS_SUCCESS;
}

// A fresh platform for one run, as a process of its own would start: the web backend
// (`gather`: the explorer's pictures go out whole), the settings the browser keeps in
// the registry, read now, and those of the address over them.
class Run {
 public:
  Run(const driver::Options& options, bool gather) : backend_(ConfigOf(options, gather)), kept_(script::KeptSettings()) {
    core::Reset();
    core::InstallBackend(&backend_);
    driver::ImportSettings(kept_, options);
  }
  ~Run() { core::InstallBackend(nullptr); }
  Run(const Run&) = delete;
  Run& operator=(const Run&) = delete;

  web::Backend& Backend() { return backend_; }
  // Whether the browser keeps other settings now than when the run began (another tab's
  // settings dialog stored them).
  bool KeptChanged() const { return script::KeptSettings() != kept_; }

 private:
  static web::Backend::Config ConfigOf(const driver::Options& options, bool gather) {
    web::Backend::Config config;
    config.scale = options.scale;
    config.sizeGiven = options.Given("size");
    config.size = {options.width, options.height};
    config.gather = gather;
    return config;
  }

  web::Backend backend_;
  const std::vector<std::pair<std::string, uint32_t>> kept_;
};

// What the page shows of the saver's run: its settings when the first tick begins,
// and each tick with what it cost. A cycle begins only while the kept settings are
// those the run began with: another tab's are taken at the next cycle.
class SaverListener final : public driver::Listener {
 public:
  explicit SaverListener(Run* run) : run_(run), backend_(&run->Backend()) {}
  bool CycleBegins() override {
    keptChanged_ = started_ && run_->KeptChanged();
    return !keptChanged_;
  }
  bool KeptChanged() const { return keptChanged_; }
  void TickStarts() override {
    if (!started_) Started();
    start_ = emscripten_get_now();
    backend_->TakeShowMs();
  }
  void Ticked(int32_t started, int32_t next, bool held) override {
    script::Ticked(started, next, emscripten_get_now() - start_, backend_->TakeShowMs(), held);
  }

 private:
  void Started() {
    started_ = true;
    const driver::RunningSettings running = driver::CurrentSettings();
    script::Started(running.shown.data(), static_cast<int>(running.shown.size()), running.background,
                    running.intervalMs, running.backgroundColour);
  }

  Run* run_;
  web::Backend* backend_;
  bool started_ = false;
  bool keptChanged_ = false;
  double start_ = 0;
};

// How a run of the saver ended: by the page's Settings or Explore button, for other
// kept settings, or not. The buttons' names, as page.js posts them.
enum class Asked { Nothing, Settings, Explore, Again };
const char kSettingsButton[] = "settings";
const char kExploreButton[] = "explore";

// The saver in the page's outer window until the page's Settings or Explore button
// ends it (or it ends itself).
Asked SaverUntilAsked(const driver::Options& options) {
  Run run(options, false);
  SaverListener listener(&run);
  const HWND outer = run.Backend().MakeOuterWindow();
  Asked asked = Asked::Nothing;
  run.Backend().OnPageButton([&](const std::string& button) {
    const Asked pressed = button == kSettingsButton ? Asked::Settings
                          : button == kExploreButton ? Asked::Explore
                                                     : Asked::Nothing;
    if (asked != Asked::Nothing || pressed == Asked::Nothing) return;
    asked = pressed;
    // The program ends as its window's end ends it (its WM_DESTROY posts the quit).
    if (core::IsWindowAlive(outer)) core::DestroyWindowTree(outer);
  });
  const driver::Ran ran = driver::RunSaver(outer, driver::PlanOf(options), &listener);
  if (!ran.window) web::page::Message("Das Programm konnte sein Fenster nicht anlegen.", true);
  if (core::IsWindowAlive(outer)) core::DestroyWindowTree(outer);
  return asked == Asked::Nothing && listener.KeptChanged() ? Asked::Again : asked;
}

// The program's settings dialog, drawn by the page; what OK stores the browser keeps.
bool RunSettings(const driver::Options& options) {
  Run run(options, false);
  if (!driver::RunSettingsDialog()) return false;
  script::Keep(driver::ExportSettings());
  return true;
}

// The name of a picture saved now: dreieck-YYYYMMDD-HHMMSS in the browser's local time,
// then -2, -3, ... for more within that second, as the Linux program names them.
std::string SaveStem() {
  // The names given this visit: the browser tells of no downloads folder.
  static std::set<std::string> given;
  const std::string stem = driver::SaveStem(time(nullptr), [](const std::string& name) { return given.count(name) > 0; });
  given.insert(stem);
  return stem;
}

// The explorer in the page's outer window until Escape, on `start`; S offers the
// <canvas> as a PNG download, and the same picture drawn again as SVG.
void ExploreOnPage(const driver::Options& options, const explorer::Start& start) {
  Run run(options, true);
  web::Backend& backend = run.Backend();
  // Each picture's cost: from the event that asked for it until it is on the <canvas>.
  double drawStart = -1;
  backend.AroundWaits(
      [&] {
        const double shown = backend.TakeShowMs();
        if (drawStart >= 0 && shown > 0) script::Explored(emscripten_get_now() - drawStart, shown);
      },
      [&] { drawStart = emscripten_get_now(); });
  const HWND outer = backend.MakeOuterWindow();
  script::Exploring(true);
  const int result = driver::RunExplorer(outer, start, [&backend, &options](HWND window, const explorer::View& view) {
    const std::string stem = SaveStem();
    backend.ShowGathered();
    RECT client = {};
    GetClientRect(window, &client);
    std::string svg, error;
    const bool made = cairo_canvas::MakeSvg(
        client.right, client.bottom,
        [&](cairo_canvas::Canvas* canvas) {
          backend.DrawOn(canvas, [&] { driver::DrawExplorerView(window, view); });
          return true;
        },
        &svg, &error);
    if (!made) web::page::Message("Das SVG ließ sich nicht anlegen: " + error, true);
    // The explorer shows where the picture went; the page says how to draw it again.
    const std::string saved = "Gespeichert: " + stem + ".png" + (svg.empty() ? "" : " und " + stem + ".svg");
    const std::string redraw = driver::PictureOptions(view, client.right, client.bottom, options.scale);
    script::SavePicture(stem, svg, redraw,
                        saved + "; dreieck --picture " + stem + ".png " + redraw + " zeichnet es wieder.",
                        explorer::kStatusMs);
    return saved;
  });
  script::Exploring(false);
  if (result != 0) web::page::Message("Zum Erkunden ließ sich kein Fenster anlegen.", true);
  if (core::IsWindowAlive(outer)) core::DestroyWindowTree(outer);
}

const char* WhereName(driver::Mode mode) {
  for (const driver::OptionRow& row : driver::OptionTable())
    if (row.group == driver::Group::Where && row.mode == mode) return row.name;
  return "";
}

}  // namespace

int main() {
  if (!OpenFont()) {
    web::page::Message("Die Schrift der Beschriftung ließ sich nicht lesen.", true);
    script::Stopped();
    return 1;
  }
  driver::Options options;
  const driver::Parsed parsed = driver::ParseArguments(script::Query(), driver::kQuery);
  if (!parsed.ok) {
    web::page::Message(parsed.error + " (die Seite läuft ohne die Parameter der Adresse)", true);
  } else if (parsed.options.mode == driver::Mode::Help) {
    web::page::Message(driver::Usage(driver::kQuery), false);
  } else if (parsed.options.mode == driver::Mode::Version) {
    web::page::Message("dreieck " DREIECK_VERSION, false);
  } else {
    options = parsed.options;
  }
  script::Where(WhereName(options.mode));
  // explore in the address opens the explorer first; Escape there goes on to the
  // screensaver, whose Explore button opens it on the triangle shown.
  bool explore = options.mode == driver::Mode::Explore;
  explorer::Start start = driver::ExplorerStart(options);
  for (;;) {
    if (explore) {
      ExploreOnPage(options, start);
      explore = false;
    }
    const Asked asked = SaverUntilAsked(options);
    if (asked == Asked::Explore) {
      explore = true;
      start = driver::ExplorerStartFromSaver(options);
    } else if (asked == Asked::Settings) {
      // What the dialog's OK stored holds from now on; the address's settings give way.
      if (RunSettings(options)) driver::GiveUpSettings(&options);
    } else if (asked == Asked::Nothing) {
      break;
    }
  }
  // The saver ended by itself: it could not run, and nothing the page offers can work.
  script::Stopped();
  return 0;
}
