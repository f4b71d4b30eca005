// user32 dialogs on the host (to be filled in with the settings dialog).
#include "platform/host/state.h"

namespace host {
void ResetDialogs() {}
}  // namespace host

INT_PTR WINAPI DialogBoxParamA(HINSTANCE, LPCSTR, HWND, DLGPROC, LPARAM) {
  host::Unsupported("DialogBoxParamA");
}
BOOL WINAPI EndDialog(HWND, INT_PTR) { host::Unsupported("EndDialog"); }
BOOL WINAPI CheckDlgButton(HWND, int, UINT) { host::Unsupported("CheckDlgButton"); }
UINT WINAPI IsDlgButtonChecked(HWND, int) { host::Unsupported("IsDlgButtonChecked"); }
HWND WINAPI GetDlgItem(HWND, int) { host::Unsupported("GetDlgItem"); }
int WINAPI SetScrollInfo(HWND, int, LPCSCROLLINFO, BOOL) { host::Unsupported("SetScrollInfo"); }
BOOL WINAPI GetScrollInfo(HWND, int, LPSCROLLINFO) { host::Unsupported("GetScrollInfo"); }
