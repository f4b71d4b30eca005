#include "driver/words.h"
#include "driver/options.h"

#include <cstring>

#include "settings/settings.h"

namespace driver {

const Words kEnglish = {
    .unexpected = "unexpected argument {1}",
    .unknown = "unknown option {1}",
    .takesNoValue = "{1} takes no value",
    .needsValue = "{1} needs a value",
    .badValue = "bad value for {1}: {2}",
    .range = "{1} to {2}",
    .rangeEach = "{1} to {2} each",
    .sizeRange = "WxH, {1} to {2} pixels each",
    .orWord = " or ",
    .andWord = " and ",
    .noFormat = "cannot tell the format of {1}: name it .png, .svg or .pdf",
    .needPicture = "{1} need {2}picture or {2}frames",
    .framesStep = "{1}step needs {1}picture: {1}frames writes every step",
    .timeTriangle = "{1}time and {1}triangle cannot be combined",
    .exploreStep = "{1}explore takes {1}step {2} to {3}",
    .notWith = "{1} cannot be combined with {2}",
    .noTicks = "the explorer has no ticks",
    .noTime = "pictures have no time between ticks",
    .pngTooLarge = "{1} is {2} pixels: a PNG picture has at most {3} pixels a side",
    .pdfPage = "{1} is a page of {2} points: a PDF page is {3} to {4} points a side",
    .on = "on",
    .off = "off",
    .now = "now",
    .usageHead = "usage: dreieck [OPTION]...\n"
                 "Shows the constructions of plane triangle geometry, one per tick, in the order\n"
                 "\"What it shows\" lists them.\n",
    .headings = {"Where it draws (a window of its own when none is given):\n",
                 "What it shows (each construction is on unless switched off):\n",
                 "Pictures (--explore takes --time, --triangle and --step too):\n", ""},
    .limits = "  Size times scale: a PNG has at most {1} pixels a side, a PDF page {2} to\n"
              "  {3} points a side, an SVG no limit. A file is written whole or not at all.\n",
    .usageEnd = "\n"
                "Every word is checked, whatever comes before it (--help and --version too).\n"
                "One place to draw: --root with --window-id ID draws in ID (xscreensaver-settings\n"
                "passes both), and --explore with --fullscreen explores on the whole screen. An\n"
                "option that would do nothing there is refused: --interval with --picture,\n"
                "--frames or --explore.\n"
                "\n"
                "A mouse button (but in --explore), q, Escape or closing the window ends it;\n"
                "--saver ends at any key and button and at the pointer moved by more than 8\n"
                "pixels. It locks nothing: a screen locker belongs above it.\n"
                "\n"
                "With WAYLAND_DISPLAY set its windows are Wayland surfaces, else X11 windows on\n"
                "DISPLAY; DREIECK_DISPLAY=wayland or DREIECK_DISPLAY=x11 chooses. --root,\n"
                "--window-id and XSCREENSAVER_WINDOW are X11 windows always.\n"
                "Exit status: 0 done, 1 it could not draw or write (no display, no such window,\n"
                "the display lost, a picture or this output not written), 2 a bad command line.\n",
    .rows = {},
};

namespace {

// The page's own words for each row: what the option does there (the page has one
// canvas and writes no file).
const RowWords kGermanRows[] = {
    {.name = "fullscreen",
     .help = "ein Klick auf das Bild geht in den Vollbildmodus; bis sich der Zeiger bewegt, das Bild allein"},
    {.name = "saver", .help = "der Bildschirmschoner, wie fullscreen: ein Klick auf das Bild geht in den Vollbildmodus"},
    {.name = "root", .help = "ändert nichts: die Seite hat ihre eine Leinwand"},
    {.name = "window-id", .help = "ändert nichts: die Seite hat ihre eine Leinwand",
     .valueHelp = "eine Fensternummer, dezimal oder 0x-hex"},
    {.name = "explore",
     .help = "erst ein Dreieck erkunden: seine Ecken ziehen, mit den Pfeiltasten durch den Zyklus; Esc geht "
             "weiter zum Bildschirmschoner"},
    {.name = "picture", .value = "DATEI",
     .help = "das Bild nach seinem Schritt halten (7, oder step=); die Seite schreibt keine Datei"},
    {.name = "frames", .value = "ORDNER", .help = "das Bild nach dem ganzen Zyklus halten; die Seite schreibt keine Datei"},
    {.name = "medians", .help = "die Schwerlinien und der Schwerpunkt"},
    {.name = "incircle", .help = "der Inkreis und sein Mittelpunkt"},
    {.name = "circumcircle", .help = "der Umkreis und sein Mittelpunkt"},
    {.name = "altitudes", .help = "die Höhen und der Höhenschnittpunkt"},
    {.name = "nine-point-circle", .help = "der Feuerbachkreis"},
    {.name = "euler-line", .help = "die Eulersche Gerade"},
    {.name = "excircles", .help = "die drei Ankreise und ihre Mittelpunkte"},
    {.name = "background", .value = "FARBTON", .help = "der Hintergrund"},
    {.name = "interval", .help = "Millisekunden zwischen zwei Takten", .unit = "Millisekunden"},
    {.name = "size", .value = "BxH", .help = "der Bildschirm in Pixeln, wie groß das Fenster auch ist",
     .fallback = "das Fenster"},
    {.name = "time", .value = "WANN",
     .help = "die Sekunde (UTC), deren Dreieck jeder Zyklus zeichnet: 'JJJJ-MM-TT HH:MM:SS' oder "
             "JJJJ-MM-TTTHH:MM:SSZ",
     .valueHelp = "JJJJ-MM-TT HH:MM:SS oder JJJJ-MM-TTTHH:MM:SSZ, UTC, ab 1970"},
    {.name = "triangle", .help = "die Ecken jedes Zyklus statt eines zufälligen Dreiecks",
     .valueHelp = "sechs ganze Zahlen AX,AY,BX,BY,CX,CY"},
    {.name = "step", .help = "das Bild nach dem Takt des Schritts N halten", .fallback = ""},
    {.name = "scale", .help = "K mal K Pixel des Bildschirms für jeden Pixel"},
    {.name = "help", .help = "diese Übersicht zeigen"},
    {.name = "version", .help = "die Version zeigen"},
};

}  // namespace

const Words kGerman = {
    .unexpected = "unerwarteter Parameter {1}",
    .unknown = "unbekannter Parameter {1}",
    .takesNoValue = "{1} nimmt keinen Wert",
    .needsValue = "{1} braucht einen Wert",
    .badValue = "falscher Wert für {1}: {2}",
    .range = "{1} bis {2}",
    .rangeEach = "je {1} bis {2}",
    .sizeRange = "BxH, je {1} bis {2} Pixel",
    .orWord = " oder ",
    .andWord = " und ",
    .noFormat = "{1} nennt kein Format: der Name endet auf .png, .svg oder .pdf",
    .needPicture = "{1} brauchen {2}picture oder {2}frames",
    .framesStep = "{1}step braucht {1}picture: {1}frames schreibt jeden Schritt",
    .timeTriangle = "{1}time und {1}triangle gehen nicht zusammen",
    .exploreStep = "{1}explore nimmt {1}step {2} bis {3}",
    .notWith = "{1} geht nicht zusammen mit {2}",
    .noTicks = "das Erkunden hat keine Takte",
    .noTime = "ein Bild hat keine Zeit zwischen Takten",
    .pngTooLarge = "{1} sind {2} Pixel: ein PNG-Bild hat höchstens {3} Pixel je Seite",
    .pdfPage = "{1} ist eine Seite von {2} Punkten: eine PDF-Seite hat {3} bis {4} Punkte je Seite",
    .on = "an",
    .off = "aus",
    .now = "jetzt",
    .usageHead = "Die Adresse nimmt diese Optionen bei ihren Namen, ohne Striche, z. B.\n"
                 "?background=white&interval=500&no-excircles\n"
                 "Dreieck zeigt die Konstruktionen der Dreiecksgeometrie, eine je Takt, in der\n"
                 "Reihenfolge, in der \"Was es zeigt\" sie nennt.\n",
    .headings = {"Wo es zeichnet (ohne diese: der Bildschirmschoner im Fenster):\n",
                 "Was es zeigt (jede Konstruktion ist an, bis sie abgeschaltet wird):\n",
                 "Bildschirm, Zeit und Dreieck:\n", ""},
    .limits = "  Größe mal Maßstab: höchstens {1} Pixel je Seite, eine PDF-Seite {2} bis {3}\n"
              "  Punkte je Seite.\n",
    .usageEnd = "\n"
                "Jeder Parameter wird geprüft, wo er auch steht (help und version auch). Einer,\n"
                "der hier nichts täte, wird abgelehnt: interval mit picture, frames oder explore.\n"
                "Mit einem abgelehnten Parameter läuft die Seite ohne die Parameter der Adresse.\n",
    .rows = kGermanRows,
};

// ---- The words put together ----

// "a, b, c, d or e"
std::string ShadeList(const Words& words) {
  std::string out;
  for (int s = 0; s < kShadeCount; ++s)
    out += std::string(s == 0 ? "" : s == kShadeCount - 1 ? words.orWord : ", ") + kShadeNames[s];
  return out;
}

// A pattern of Words with {1}, {2}, ... replaced by `parts`.
std::string Fill(const char* pattern, std::initializer_list<std::string> parts) {
  std::string out;
  for (const char* c = pattern; *c != '\0'; ++c) {
    const size_t n = c[0] == '{' && c[1] >= '1' && c[1] <= '9' && c[2] == '}' ? static_cast<size_t>(c[1] - '0') : 0;
    if (n == 0 || n > parts.size()) {
      out += *c;
      continue;
    }
    out += parts.begin()[n - 1];
    c += 2;
  }
  return out;
}

// What `words` say of the row: its own words where they say nothing.
RowWords WordsOf(const OptionRow& row, const Words& words) {
  RowWords own = {.name = row.name, .value = row.value, .help = row.help, .valueHelp = row.valueHelp,
                  .unit = row.unit};
  for (const RowWords& said : words.rows) {
    if (std::strcmp(said.name, row.name) != 0) continue;
    for (auto field : {&RowWords::value, &RowWords::help, &RowWords::valueHelp, &RowWords::unit, &RowWords::fallback})
      if (said.*field != nullptr) own.*field = said.*field;
  }
  return own;
}

std::string RangeText(const OptionRow& row, const Words& words) {
  const std::string range = Fill(words.range, {std::to_string(row.low), std::to_string(row.high)});
  switch (row.kind) {
    case Kind::Shade:
      return ": " + ShadeList(words);
    case Kind::Integer:
      return ", " + range;
    case Kind::Size:
      return ", " + Fill(words.rangeEach, {std::to_string(row.low), std::to_string(row.high)});
    default:
      return "";
  }
}

std::string DefaultText(const OptionRow& row, const Words& words) {
  if (const char* fallback = WordsOf(row, words).fallback) return fallback;
  switch (row.kind) {
    case Kind::Show:
      return kDefaultShow ? words.on : words.off;
    case Kind::Shade:
      return kShadeNames[kDefaultBackground];
    case Kind::Integer:
      return std::to_string(row.fallback);
    case Kind::Size:
      return std::to_string(Options::kDefaultWidth) + "x" + std::to_string(Options::kDefaultHeight);
    case Kind::Time:
      return words.now;
    default:
      return "";
  }
}

// What a bad value of the row should have been, as the message says it in brackets.
std::string ValueHelp(const OptionRow& row, const Words& words) {
  const RowWords said = WordsOf(row, words);
  switch (row.kind) {
    case Kind::Integer:
      return Fill(words.range, {std::to_string(row.low), std::to_string(row.high)}) +
             (said.unit != nullptr ? std::string(" ") + said.unit : "");
    case Kind::Size:
      return Fill(words.sizeRange, {std::to_string(row.low), std::to_string(row.high)});
    case Kind::Shade:
      return ShadeList(words);
    default:
      return said.valueHelp != nullptr ? said.valueHelp : "";
  }
}

}  // namespace driver
