// advapi32 in the core: an in-memory registry below HKEY_CURRENT_USER. Keys are paths
// such as "Software\Morvaselkin"; key and value names compare without regard to ASCII
// case, as Windows does. Open keys are handles of kind Key ("key1", "key2", ...).
#include "platform/core/state.h"
#include "platform/core/testing.h"

#include <cstring>
#include <set>

using namespace core;

namespace {

struct NoCase {
  bool operator()(const std::string& a, const std::string& b) const {
    return std::lexicographical_compare(a.begin(), a.end(), b.begin(), b.end(), [](char x, char y) {
      auto fold = [](char c) { return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c; };
      return fold(x) < fold(y);
    });
  }
};

typedef std::map<std::string, RegistryEntry, NoCase> Values;

struct Registry {
  std::map<std::string, Values, NoCase> keys;  // every key that exists, by full path
  bool failCreation = false;
  std::set<std::string, NoCase> failingWrites;
  uint64_t writes = 0;  // values RegSetValueExA wrote
};

Registry& R() {
  static Registry registry;
  return registry;
}

// Creates the key and every key above it.
void CreatePath(const std::string& path) {
  for (size_t end = path.find('\\'); end != std::string::npos; end = path.find('\\', end + 1))
    R().keys[path.substr(0, end)];
  R().keys[path];
}

std::string KeyName(const char* subKey) {
  return subKey == nullptr ? "null" : Quote(subKey, static_cast<int>(std::strlen(subKey)));
}

// The full path of `subKey` below `base`, or false when `base` is no open key.
bool PathBelow(HKEY base, const char* subKey, const char* call, std::string* path) {
  if (base == HKEY_CURRENT_USER) {
    path->clear();
  } else if (const Object* key = FindAlive(base, ObjectKind::Key)) {
    *path = key->keyPath;
  } else {
    Error(std::string(call) + ": " + Name(base) + " is no open key");
    return false;
  }
  if (subKey != nullptr && *subKey != '\0') {
    if (subKey[0] == '\\' || subKey[std::strlen(subKey) - 1] == '\\')
      Unsupported(std::string(call) + " with a leading or trailing backslash");
    *path += (path->empty() ? "" : "\\") + std::string(subKey);
  }
  if (path->empty()) Unsupported(std::string(call) + " of HKEY_CURRENT_USER itself");
  return true;
}

HKEY NewKey(const std::string& path) {
  Object key(ObjectKind::Key);
  key.keyPath = path;
  return static_cast<HKEY>(NewObject(key, "key"));
}

Values* OpenValues(HKEY key, const char* call) {
  const Object* o = FindAlive(key, ObjectKind::Key);
  if (o == nullptr) {
    Error(std::string(call) + ": " + Name(key) + " is no open key");
    return nullptr;
  }
  return &R().keys[o->keyPath];
}

std::string Bytes(const BYTE* data, DWORD size) {
  std::string out = "[";
  for (DWORD i = 0; i < size; ++i) {
    char buffer[4];
    std::snprintf(buffer, sizeof buffer, "%02X", data[i]);
    out += (i == 0 ? "" : " ") + std::string(buffer);
  }
  return out + "]";
}

}  // namespace

namespace core {

void ResetRegistry() { R() = Registry(); }

void SetRegistryValue(const std::string& path, const std::string& name, DWORD type,
                      const std::vector<BYTE>& data) {
  CreatePath(path);
  R().keys[path][name] = RegistryEntry{type, data};
}

void SetRegistryDword(const std::string& path, const std::string& name, uint32_t value) {
  SetRegistryValue(path, name, REG_DWORD,
                   {static_cast<BYTE>(value), static_cast<BYTE>(value >> 8),
                    static_cast<BYTE>(value >> 16), static_cast<BYTE>(value >> 24)});
}

uint64_t RegistryWrites() { return R().writes; }

std::optional<RegistryEntry> RegistryValue(const std::string& path, const std::string& name) {
  auto key = R().keys.find(path);
  if (key == R().keys.end()) return std::nullopt;
  auto value = key->second.find(name);
  if (value == key->second.end()) return std::nullopt;
  return value->second;
}

bool KeyExists(const std::string& path) { return R().keys.count(path) != 0; }

int OpenKeyCount() {
  int open = 0;
  for (const Object& o : S().objects) open += (o.kind == ObjectKind::Key && o.alive) ? 1 : 0;
  return open;
}

void FailKeyCreation(bool fail) { R().failCreation = fail; }

void FailValueWrite(const std::string& name) { R().failingWrites.insert(name); }

}  // namespace core

LSTATUS WINAPI RegOpenKeyA(HKEY base, LPCSTR subKey, HKEY* result) {
  Call("RegOpenKeyA", base, KeyName(subKey));
  *result = nullptr;
  std::string path;
  if (!PathBelow(base, subKey, "RegOpenKeyA", &path)) return ERROR_INVALID_HANDLE;
  if (!KeyExists(path)) return ERROR_FILE_NOT_FOUND;  // opening never creates
  *result = NewKey(path);
  return ERROR_SUCCESS;
}

LSTATUS WINAPI RegCreateKeyA(HKEY base, LPCSTR subKey, HKEY* result) {
  Call("RegCreateKeyA", base, KeyName(subKey));
  *result = nullptr;
  std::string path;
  if (!PathBelow(base, subKey, "RegCreateKeyA", &path)) return ERROR_INVALID_HANDLE;
  if (R().failCreation) return ERROR_ACCESS_DENIED;
  CreatePath(path);
  *result = NewKey(path);
  return ERROR_SUCCESS;
}

LSTATUS WINAPI RegQueryValueExA(HKEY key, LPCSTR valueName, LPDWORD reserved, LPDWORD type,
                                LPBYTE data, LPDWORD dataSize) {
  Call("RegQueryValueExA", key, KeyName(valueName), reserved ? "reserved" : "null",
       type ? "type" : "null", data ? "data" : "null", dataSize ? Arg(*dataSize) : "null");
  if (reserved != nullptr) Unsupported("RegQueryValueExA with a reserved argument");
  if (data != nullptr && dataSize == nullptr) Unsupported("RegQueryValueExA with data but no size");
  Values* values = OpenValues(key, "RegQueryValueExA");
  if (values == nullptr) return ERROR_INVALID_HANDLE;
  auto found = values->find(valueName != nullptr ? valueName : "");
  if (found == values->end()) return ERROR_FILE_NOT_FOUND;
  const RegistryEntry& entry = found->second;
  const DWORD size = static_cast<DWORD>(entry.data.size());
  if (type != nullptr) *type = entry.type;
  if (data != nullptr && *dataSize < size) {
    *dataSize = size;  // what it would take; nothing is copied
    return ERROR_MORE_DATA;
  }
  if (data != nullptr && size != 0) std::memcpy(data, entry.data.data(), size);
  if (dataSize != nullptr) *dataSize = size;
  return ERROR_SUCCESS;
}

LSTATUS WINAPI RegSetValueExA(HKEY key, LPCSTR valueName, DWORD reserved, DWORD type,
                              const BYTE* data, DWORD dataSize) {
  Call("RegSetValueExA", key, KeyName(valueName), reserved, type,
       data ? Bytes(data, dataSize) : "null", dataSize);
  if (reserved != 0) Unsupported("RegSetValueExA with a reserved argument");
  if (data == nullptr && dataSize != 0) Unsupported("RegSetValueExA with a size but no data");
  Values* values = OpenValues(key, "RegSetValueExA");
  if (values == nullptr) return ERROR_INVALID_HANDLE;
  const std::string name = valueName != nullptr ? valueName : "";
  if (R().failingWrites.count(name) != 0) return ERROR_ACCESS_DENIED;
  (*values)[name] = RegistryEntry{type, std::vector<BYTE>(data, data + dataSize)};
  ++R().writes;
  return ERROR_SUCCESS;
}

LSTATUS WINAPI RegCloseKey(HKEY key) {
  Call("RegCloseKey", key);
  if (key == HKEY_CURRENT_USER) return ERROR_SUCCESS;
  Object* o = FindAlive(key, ObjectKind::Key);
  if (o == nullptr) {
    Error("RegCloseKey: " + Name(key) + " is no open key");
    return ERROR_INVALID_HANDLE;
  }
  Retire(o);
  return ERROR_SUCCESS;
}
