// advapi32 on the host: an in-memory registry (to be filled in with the settings store).
#include "platform/host/state.h"

namespace host {
void ResetRegistry() {}
}  // namespace host

LSTATUS WINAPI RegOpenKeyA(HKEY, LPCSTR, HKEY*) { host::Unsupported("RegOpenKeyA"); }
LSTATUS WINAPI RegCreateKeyA(HKEY, LPCSTR, HKEY*) { host::Unsupported("RegCreateKeyA"); }
LSTATUS WINAPI RegQueryValueExA(HKEY, LPCSTR, LPDWORD, LPDWORD, LPBYTE, LPDWORD) {
  host::Unsupported("RegQueryValueExA");
}
LSTATUS WINAPI RegSetValueExA(HKEY, LPCSTR, DWORD, DWORD, const BYTE*, DWORD) {
  host::Unsupported("RegSetValueExA");
}
LSTATUS WINAPI RegCloseKey(HKEY) { host::Unsupported("RegCloseKey"); }
