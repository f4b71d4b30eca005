#include "frontends/page/script.h"

#include <emscripten.h>

#include <cstdlib>

// clang-format off
EM_JS(int, ScriptQueryCount, (), {
  return Module.page.query.length;
});

// Element 0 the name, 1 the value (null when there is none), 2 the pair as written; as
// UTF-8 in memory the program frees, its length in bytes at `length` (it may hold a
// zero byte, which the address writes %00).
EM_JS(char*, ScriptQueryPart, (int index, int part, int* length), {
  const text = Module.page.query[index][part];
  if (text === null) return 0;
  const bytes = lengthBytesUTF8(text) + 1;
  const copy = _malloc(bytes);
  if (copy) stringToUTF8(text, copy, bytes);
  HEAP32[length >> 2] = copy ? bytes - 1 : 0;
  return copy;
});

EM_JS(void, ScriptStopped, (), {
  Module.page.stopped();
});

EM_JS(void, ScriptWhere, (const char* option), {
  Module.page.where(UTF8ToString(option));
});

EM_JS(int, ScriptFontSize, (), {
  return Module.page.font.length;
});

EM_JS(void, ScriptFontCopy, (uint8_t* to), {
  HEAPU8.set(Module.page.font, to);
});

// The kept settings: how many, and of each (index) its name (part 0) or its value as
// text (part 1), as UTF-8 in memory the program frees, its length in bytes at `length`.
// The count takes the values as they are now; the parts are read from that one look.
EM_JS(int, ScriptKeptCount, (), {
  Module.keptNow = Module.page.kept();
  return Module.keptNow.length;
});
EM_JS(char*, ScriptKeptPart, (int index, int part, int* length), {
  const text = String(Module.keptNow[index][part]);
  const bytes = lengthBytesUTF8(text) + 1;
  const copy = _malloc(bytes);
  if (copy) stringToUTF8(text, copy, bytes);
  HEAP32[length >> 2] = copy ? bytes - 1 : 0;
  return copy;
});

EM_JS(void, ScriptKeep, (const char* lines), {
  const parts = UTF8ToString(lines).split("\n");
  const values = [];
  for (let i = 0; i + 1 < parts.length; i += 2) values.push([parts[i], Number(parts[i + 1])]);
  Module.page.keep(values);
});

EM_JS(void, ScriptStarted, (const int* flags, int count, int background, int intervalMs, int colour), {
  Module.page.started(Array.from(HEAP32.subarray(flags >> 2, (flags >> 2) + count)), background, intervalMs,
                      colour & 0xFF, (colour >> 8) & 0xFF, (colour >> 16) & 0xFF);
});

EM_JS(void, ScriptTicked, (int started, int step, double ms, double showMs, int held), {
  Module.page.ticked(started, step, ms, showMs, !!held);
});

EM_JS(void, ScriptExploring, (int on), {
  Module.page.exploring(!!on);
});

EM_JS(void, ScriptExplored, (double ms, double showMs), {
  Module.page.explored(ms, showMs);
});

EM_JS(void, ScriptSavePicture,
      (const char* stem, const char* svg, int svgLength, const char* redraw, const char* line, int ms), {
  Module.page.savePicture(UTF8ToString(stem), svgLength > 0 ? UTF8ToString(svg, svgLength) : "",
                          UTF8ToString(redraw), UTF8ToString(line), ms);
});
// clang-format on

namespace script {

std::vector<driver::Argument> Query() {
  std::vector<driver::Argument> arguments;
  const int count = ScriptQueryCount();
  for (int i = 0; i < count; ++i) {
    driver::Argument argument;
    for (int part = 0; part < 3; ++part) {
      int length = 0;
      char* text = ScriptQueryPart(i, part, &length);
      if (text == nullptr) continue;
      const std::string whole(text, static_cast<size_t>(length));
      if (part == 0) argument.name = whole;
      else if (part == 1) argument.value = whole;
      else argument.written = whole;
      std::free(text);
    }
    arguments.push_back(std::move(argument));
  }
  return arguments;
}

void Where(const char* option) { ScriptWhere(option); }

void Stopped() { ScriptStopped(); }

std::vector<uint8_t> FontFile() {
  std::vector<uint8_t> bytes(static_cast<size_t>(ScriptFontSize()));
  if (!bytes.empty()) ScriptFontCopy(bytes.data());
  return bytes;
}

driver::KeptValues KeptSettings() {
  const auto part = [](int index, int which) {
    int length = 0;
    char* text = ScriptKeptPart(index, which, &length);
    std::string whole = text != nullptr ? std::string(text, static_cast<size_t>(length)) : "";
    std::free(text);
    return whole;
  };
  std::vector<std::pair<std::string, std::string>> texts;
  const int count = ScriptKeptCount();
  for (int i = 0; i < count; ++i) texts.emplace_back(part(i, 0), part(i, 1));
  return driver::KeptFromText(texts);
}

void Keep(const driver::KeptValues& values) {
  std::string lines;
  for (const auto& [name, value] : values) lines += name + "\n" + std::to_string(value) + "\n";
  ScriptKeep(lines.c_str());
}

void Started(const int* flags, int count, int background, int intervalMs, COLORREF backgroundColour) {
  ScriptStarted(flags, count, background, intervalMs, static_cast<int>(backgroundColour));
}

void Ticked(int started, int step, double ms, double showMs, bool held) {
  ScriptTicked(started, step, ms, showMs, held ? 1 : 0);
}

void Exploring(bool on) { ScriptExploring(on ? 1 : 0); }

void Explored(double ms, double showMs) { ScriptExplored(ms, showMs); }

void SavePicture(const std::string& stem, const std::string& svg, const std::string& redraw, const std::string& line,
                 int ms) {
  ScriptSavePicture(stem.c_str(), svg.c_str(), static_cast<int>(svg.size()), redraw.c_str(), line.c_str(), ms);
}

}  // namespace script
