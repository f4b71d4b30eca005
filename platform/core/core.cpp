// The common core of the stand-in platform: handles, the call record, errors, the
// clock and the random generator.
#include "platform/core/state.h"
#include "platform/core/testing.h"

#include <cinttypes>

namespace core {

State& S() {
  static State state;
  return state;
}

// A handle names a slot of the table and the generation of the object in it: slot n
// (counting from 1) in bits 16 and up, the generation in bits 4 to 15, so handles stay
// multiples of 16 and within 32 bits, and a stale handle to a slot that was used again
// names nothing. Slots of dead objects are used again only once more than kDeadKept
// of them wait: the table of a program that runs for hours stays small, while a
// handle that has just died still reads as what it was.
const size_t kDeadKept = 64;

void* HandleAt(size_t index) {
  return reinterpret_cast<void*>((static_cast<uintptr_t>(index + 1) << 16) |
                                 (static_cast<uintptr_t>(S().objects[index].generation) << 4));
}

void* NewObject(Object object, const char* prefix) {
  State& s = S();
  if (prefix != nullptr) object.name = prefix + std::to_string(++s.counters[prefix]);
  size_t index;
  if (s.deadSlots.size() > kDeadKept) {
    index = s.deadSlots.front();
    s.deadSlots.pop_front();
    object.generation = (s.objects[index].generation + 1) & 0xFFF;
    object.index = index;
    s.objects[index] = std::move(object);
  } else {
    index = s.objects.size();
    object.index = index;
    s.objects.push_back(std::move(object));
  }
  return HandleAt(index);
}

void Retire(Object* object) {
  if (!object->alive) return;
  object->alive = false;
  S().deadSlots.push_back(object->index);
}

size_t TableSize() { return S().objects.size(); }

Object* Find(const void* handle) {
  const uintptr_t raw = reinterpret_cast<uintptr_t>(handle);
  if (raw % 16u != 0 || (raw >> 16) == 0 || (raw >> 16) > S().objects.size()) return nullptr;
  Object& object = S().objects[(raw >> 16) - 1];
  return object.generation == ((raw >> 4) & 0xFFF) ? &object : nullptr;
}

Object* FindAlive(const void* handle, ObjectKind kind) {
  Object* object = Find(handle);
  return (object != nullptr && object->alive && object->kind == kind) ? object : nullptr;
}

std::string Name(const void* handle) {
  if (handle == nullptr) return "null";
  if (handle == HKEY_CURRENT_USER) return "HKEY_CURRENT_USER";
  const Object* object = Find(handle);
  if (object == nullptr) {
    char buffer[32];
    std::snprintf(buffer, sizeof buffer, "#%" PRIuPTR, reinterpret_cast<uintptr_t>(handle));
    return buffer;
  }
  return object->name;
}

void Record(const std::string& call) { S().calls.push_back(call); }

Object* LiveDc(HDC dc, const char* call) {
  Object* object = FindAlive(dc, ObjectKind::Dc);
  if (object == nullptr) Error(std::string(call) + ": " + Name(dc) + " is no live device context");
  return object;
}

Object* LiveWindow(HWND window, const char* call) {
  Object* object = FindAlive(window, ObjectKind::Window);
  if (object == nullptr) Error(std::string(call) + ": " + Name(window) + " is no live window");
  return object;
}


namespace {
Backend* installed = nullptr;
}

Backend& CurrentBackend() { return installed != nullptr ? *installed : *RecordingBackend(); }
void InstallBackend(Backend* backend) { installed = backend; }

void Error(const std::string& what) { S().errors.push_back(what); }

void Unsupported(const std::string& what) {
  std::fprintf(stderr, "platform core: unsupported: %s\n", what.c_str());
  std::abort();
}

std::string Hex(uint32_t value) {
  char buffer[16];
  std::snprintf(buffer, sizeof buffer, "0x%08" PRIX32, value);
  return buffer;
}

std::string Quote(const char* text, int count) {
  std::string out = "\"";
  for (int i = 0; i < count; ++i) {
    unsigned char c = static_cast<unsigned char>(text[i]);
    if (c < 0x20 || c > 0x7E || c == '"' || c == '\\') {
      char buffer[8];
      std::snprintf(buffer, sizeof buffer, "\\x%02X", c);
      out += buffer;
    } else {
      out += static_cast<char>(c);
    }
  }
  return out + "\"";
}

std::string Arg(double v) {
  char buffer[32];
  std::snprintf(buffer, sizeof buffer, "%.1f", v);
  return buffer;
}

const std::vector<std::string>& Calls() { return S().calls; }

std::vector<std::string> CallsNamed(const std::vector<std::string>& names) {
  std::vector<std::string> out;
  for (const std::string& call : S().calls) {
    std::string name = call.substr(0, call.find('('));
    for (const std::string& wanted : names) {
      if (name == wanted) {
        out.push_back(call);
        break;
      }
    }
  }
  return out;
}

void ClearCalls() { S().calls.clear(); }

Knobs& TheKnobs() { return S().knobs; }
size_t QueuedMessages() { return S().queue.size(); }
bool QuitPosted() { return S().quitPosted; }

void SetRecording(bool on) { S().recording = on; }

const std::vector<std::string>& Errors() { return S().errors; }

void ResetRegistry();
void ResetDialogs();
void ResetWindowClasses();

void Reset() {
  S() = State();
  InstallBackend(nullptr);
  ResetRegistry();
  ResetDialogs();
  ResetWindowClasses();
}

void SetClock(time_t now) {
  S().clockSet = true;
  S().clock = now;
}

void QueueRandomNumbers(const std::vector<int>& numbers) {
  for (int n : numbers) S().knobs.randomQueue.push_back(n);
}

}  // namespace core

// The C runtime's clock and generator as the program sees them here (the
// build renames the program's time, srand and rand to these). The generator is the
// one of the Windows C runtime, so a given second yields the same triangle here as
// in the real program: 15-bit results from a 32-bit linear congruential state.
extern "C" time_t CrtTime(time_t* out) {
  time_t now;
  if (core::S().clockSet) {
    now = core::S().clock;
  } else {
    struct timespec ts;
    clock_gettime(CLOCK_REALTIME, &ts);
    now = ts.tv_sec;
  }
  if (out != nullptr) *out = now;
  return now;
}

extern "C" void CrtSrand(unsigned seed) { core::S().randomState = seed; }

extern "C" int CrtRand(void) {
  core::State& s = core::S();
  if (!s.knobs.randomQueue.empty()) {
    int n = s.knobs.randomQueue.front();
    s.knobs.randomQueue.pop_front();
    return n;
  }
  s.randomState = s.randomState * 214013u + 2531011u;
  return static_cast<int>((s.randomState >> 16) & 0x7FFFu);
}
