// The settings dialog: seven checkboxes for the constructions, five radio buttons for
// the background and a scroll bar for the tick interval. The controls hold the choices
// while the dialog is open; gSettings changes only on OK.
#include "res/resource.h"
#include "settings/settings.h"

namespace {

struct ShadeButton {
  int id;
  uint32_t background;
};
// In the order OK looks at them: the first one checked decides.
const ShadeButton kShadeButtons[] = {
    {IDC_BLACK, 4}, {IDC_DARKGREY, 3}, {IDC_GREY, 2}, {IDC_LIGHTGREY, 1}, {IDC_WHITE, 0},
};

void ShowSettings(HWND dialog) {
  LoadSettings();
  // The check boxes are set on opening and read on OK in the order of the constructions.
  for (const Construction& c : kConstructions)
    CheckDlgButton(dialog, c.checkBox, gSettings.*c.flag == 1 ? BST_CHECKED : BST_UNCHECKED);
  // A background outside 0..4 checks no button at all.
  for (const ShadeButton& button : kShadeButtons) {
    if (button.background == gSettings.background) {
      CheckDlgButton(dialog, button.id, BST_CHECKED);
      break;
    }
  }
  // The scroll bar itself places an interval outside its range at the nearer end.
  SCROLLINFO info = {};
  info.cbSize = sizeof info;
  info.fMask = SIF_ALL;
  info.nMin = kIntervalMinMs;
  info.nMax = kIntervalMaxMs;
  info.nPage = 1;
  info.nPos = gSettings.intervalMs;
  SetScrollInfo(GetDlgItem(dialog, IDC_INTERVAL), SB_CTL, &info, TRUE);
}

void AcceptSettings(HWND dialog) {
  for (const Construction& c : kConstructions)
    gSettings.*c.flag = IsDlgButtonChecked(dialog, c.checkBox) == BST_CHECKED ? 1 : 0;
  // With no button checked the background stays what was loaded.
  for (const ShadeButton& button : kShadeButtons) {
    if (IsDlgButtonChecked(dialog, button.id) == BST_CHECKED) {
      gSettings.background = button.background;
      break;
    }
  }
  SCROLLINFO info = {};
  info.cbSize = sizeof info;
  info.fMask = SIF_ALL;
  GetScrollInfo(GetDlgItem(dialog, IDC_INTERVAL), SB_CTL, &info);
  gSettings.intervalMs = info.nPos;
  SaveSettings();
}

}  // namespace

INT_PTR CALLBACK SettingsDlgProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam) {
  switch (message) {
    case WM_INITDIALOG:
      ShowSettings(dialog);
      return TRUE;  // the platform focuses the first tab stop, OK
    case WM_COMMAND:
      // Only the control id counts; the notification code is not looked at.
      switch (LOWORD(wParam)) {
        case IDOK:
          AcceptSettings(dialog);
          EndDialog(dialog, IDOK);
          return TRUE;
        case IDCANCEL:  // also Escape and the close box
          EndDialog(dialog, IDCANCEL);
          return TRUE;
        default:
          return FALSE;
      }
    case WM_HSCROLL:
      // The thumb moves only when it is dropped; arrows, trough clicks and dragging
      // leave it where it is.
      if (LOWORD(wParam) == SB_THUMBPOSITION) {
        SCROLLINFO info = {};
        info.cbSize = sizeof info;
        info.fMask = SIF_POS;
        info.nPos = static_cast<int16_t>(HIWORD(wParam));
        SetScrollInfo(reinterpret_cast<HWND>(lParam), SB_CTL, &info, TRUE);
      }
      return TRUE;
    default:
      return FALSE;
  }
}
