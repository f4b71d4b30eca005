// Dreieck in the browser: the program's own entry runs unchanged inside the page's
// frame window (platform/web/backend.h), again each time the settings panel changes
// the settings. The address's query is read with the Linux program's option table; the
// settings the page keeps (localStorage) go into the registry the program reads, and
// those the address gives override them for the visit.
#include <cairo-ft.h>
#include <ft2build.h>
#include FT_FREETYPE_H

#include <algorithm>
#include <cstdint>
#include <string>
#include <vector>

#include "version.h"

#include "explorer/explorer.h"
#include "platform/cairo/canvas.h"
#include "platform/cairo/svg.h"
#include "platform/core/hooks.h"
#include "platform/core/resources.h"
#include "driver/options.h"
#include "driver/program.h"
#include "platform/web/backend.h"
#include "platform/web/page.h"
#include "res/resource.h"
#include "settings/settings.h"
#include "shell/shell.h"

namespace {

// The labels' face: Liberation Sans from the file beside the page. The program asks
// for "Arial" only, which fontconfig gives it as Liberation Sans on Linux; the page has
// this one face, for every name.
cairo_font_face_t* labelFace = nullptr;

cairo_font_face_t* LabelFace(const std::string&, bool, bool) { return labelFace; }

// Opens the font file with FreeType; it and the face live as long as the page.
bool OpenFont() {
  static const std::vector<uint8_t> file = web::page::FontFile();
  FT_Library library;
  FT_Face face;
  if (file.empty() || FT_Init_FreeType(&library) != 0 ||
      FT_New_Memory_Face(library, file.data(), static_cast<FT_Long>(file.size()), 0, &face) != 0)
    return false;
  labelFace = cairo_ft_font_face_create_for_ft_face(face, 0);
  cairo_canvas::SetFaceSource(LabelFace);
  return cairo_font_face_status(labelFace) == CAIRO_STATUS_SUCCESS;
}

// What each control of the settings dialog sets, as settings/dialog.cpp reads them.
struct Role {
  int id;
  const char* role;
  int which;  // the construction (in the order of kShowFlags), the shade, the default button
};
const Role kRoles[] = {
    {IDC_MEDIANS, "flag", 0},   {IDC_INCIRCLE, "flag", 1},  {IDC_CIRCUMCIRCLE, "flag", 2},
    {IDC_ALTITUDES, "flag", 3}, {IDC_NINEPOINT, "flag", 4}, {IDC_EULERLINE, "flag", 5},
    {IDC_EXCIRCLES, "flag", 6}, {IDC_WHITE, "shade", 0},    {IDC_LIGHTGREY, "shade", 1},
    {IDC_GREY, "shade", 2},     {IDC_DARKGREY, "shade", 3}, {IDC_BLACK, "shade", 4},
    {IDC_INTERVAL, "interval", 0}, {IDOK, "ok", 1},          {IDCANCEL, "cancel", 0},
};

std::string Utf8(const char* windows1252) {
  return cairo_canvas::Utf8FromWindows1252(windows1252, static_cast<int>(std::char_traits<char>::length(windows1252)));
}

// The settings panel mirrors the settings dialog: the page lays out the controls of its
// template where the template places them.
void DescribePanel() {
  const core::DialogTemplate* dialog = core::FindDialogTemplate(IDD_SETTINGS);
  if (dialog == nullptr) return;
  std::vector<std::string> names;
  for (const ShowFlag& flag : kShowFlags) names.push_back(flag.valueName);
  names.push_back(kBackgroundValue);
  names.push_back(kIntervalValue);
  web::page::Panel(Utf8(dialog->caption), dialog->cx, dialog->cy, kIntervalMinMs, kIntervalMaxMs, names);
  for (size_t i = 0; i < dialog->controlCount; ++i) {
    const core::ControlTemplate& c = dialog->controls[i];
    const std::string className = c.className;
    const DWORD type = c.style & BS_TYPEMASK;
    const char* kind = className == "STATIC"      ? "text"
                       : className == "SCROLLBAR" ? "range"
                       : type == BS_GROUPBOX      ? "group"
                       : type == BS_AUTOCHECKBOX  ? "check"
                       : type == BS_AUTORADIOBUTTON ? "radio"
                                                    : "button";
    const char* role = "";
    int which = className == "STATIC" && (c.style & SS_RIGHT) != 0 ? 1 : 0;  // a text set right
    for (const Role& r : kRoles)
      if (r.id == c.id) role = r.role, which = r.which;
    web::page::PanelControl(kind, role, which, Utf8(c.text), c.x, c.y, c.cx, c.cy);
  }
}

// The settings the page keeps, where the program reads its settings.
void StoreKeptSettings() {
  auto store = [](const char* name) {
    const int value = web::page::StoredSetting(name);
    if (value >= 0) core::SetRegistryDword(kSettingsKey, name, static_cast<uint32_t>(value));
  };
  for (const ShowFlag& flag : kShowFlags) store(flag.valueName);
  store(kBackgroundValue);
  store(kIntervalValue);
}

// One run of the program, as a process of its own would run: a fresh platform, the
// settings in the registry, the clock, and the program's entry inside the page's frame.
// How a run of the program ended: for new settings, or for the explorer (on these
// corners, when the screen showed a triangle).
struct Ended {
  bool settings = false;
  bool explore = false;
  bool cornersShown = false;
  Point corners[3] = {};
};
Ended RunProgram(const dreieck::Options& options) {
  core::Reset();
  core::SetRecording(false);  // a screensaver runs for hours; nothing keeps its calls
  web::Backend backend(options, false);
  core::InstallBackend(&backend);
  StoreKeptSettings();
  dreieck::StoreSettings(options);
  if (options.timeGiven) core::SetClock(static_cast<time_t>(options.second));
  gMainWindow = nullptr;
  gCycleStep = 0;
  dreieck::RunInside(backend.MakeFrame());
  core::InstallBackend(nullptr);
  if (gMainWindow == nullptr) web::page::Message("Das Programm konnte sein Fenster nicht anlegen.", true);
  Ended ended;
  ended.settings = backend.SettingsChanged();
  ended.explore = backend.ExploreAsked(ended.corners, &ended.cornersShown);
  return ended;
}

// The explorer in the page's frame until Escape, on `start`; S offers the <canvas> as
// a PNG download, and the same picture drawn again as SVG.
void RunExplorer(const dreieck::Options& options, const explorer::Start& start) {
  core::Reset();
  core::SetRecording(false);
  web::Backend backend(options, true);
  core::InstallBackend(&backend);
  StoreKeptSettings();
  dreieck::StoreSettings(options);
  const HWND frame = backend.MakeFrame();
  const int result = explorer::Run(frame, start, [&backend](HWND window, const explorer::View& view) {
    backend.ShowDrawn();
    RECT client = {};
    GetClientRect(window, &client);
    std::string svg, error;
    const bool made = cairo_canvas::MakeSvg(
        client.right, client.bottom,
        [&](cairo_canvas::Canvas* canvas) {
          backend.DrawOn(canvas, [&] { explorer::DrawView(window, view); });
          return true;
        },
        &svg, &error);
    if (!made) web::page::Message("Das SVG ließ sich nicht anlegen: " + error, true);
    web::page::SavePicture(dreieck::PictureOptions(view, client.right, client.bottom), svg);
  });
  if (result != 0) web::page::Message("Zum Erkunden ließ sich kein Fenster anlegen.", true);
  if (core::IsWindowAlive(frame)) core::DestroyWindowTree(frame);
  core::InstallBackend(nullptr);
}

const char* WhereName(dreieck::Mode mode) {
  for (const dreieck::OptionRow& row : dreieck::OptionTable())
    if (row.group == dreieck::Group::Where && row.mode == mode) return row.name;
  return "";
}

}  // namespace

int main() {
  if (!OpenFont()) {
    web::page::Message("Die Schrift der Beschriftung (LiberationSans-Regular.ttf) ließ sich nicht lesen.", true);
    return 1;
  }
  dreieck::Options options;
  const dreieck::Parsed parsed = dreieck::ParseArguments(web::page::Query(), dreieck::kQuery);
  if (!parsed.ok) {
    web::page::Message(parsed.error + " (die Seite läuft ohne die Parameter der Adresse)", true);
  } else if (parsed.options.mode == dreieck::Mode::Help) {
    web::page::Message("Die Adresse nimmt diese Optionen bei ihren Namen, ohne Striche, z. B.\n"
                       "?background=white&interval=500&no-excircles\n\n" + dreieck::Usage(),
                       false);
  } else if (parsed.options.mode == dreieck::Mode::Version) {
    web::page::Message("dreieck " DREIECK_VERSION, false);
  } else {
    options = parsed.options;
  }
  web::page::Where(WhereName(options.mode));
  DescribePanel();
  // explore in the address opens the explorer first; Escape there goes on to the
  // screensaver, whose Explore button opens it on the triangle shown.
  bool explore = options.mode == dreieck::Mode::Explore;
  explorer::Start start = dreieck::ExplorerStart(options);
  for (;;) {
    if (explore) {
      RunExplorer(options, start);
      explore = false;
    }
    const Ended ended = RunProgram(options);
    if (ended.explore) {
      explore = true;
      start = dreieck::ExplorerStart(options);
      start.step = 7;
      if (ended.cornersShown) {
        start.cornersGiven = true;
        std::copy(ended.corners, ended.corners + 3, start.corners);
      } else {
        start.cornersGiven = false;
        start.secondGiven = false;  // a triangle of its own
      }
    } else if (ended.settings) {
      // The panel's choices are the settings from now on; the address's give way.
      std::fill(options.flags, options.flags + 7, -1);
      options.background = -1;
      options.intervalMs = -1;
    } else {
      break;
    }
  }
  return 0;
}
