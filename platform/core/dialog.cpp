// user32 dialogs in the core: the program's dialog templates, their controls with
// check states and scroll positions, and modal dialogs whose user is a test or the
// person in front of a backend that shows dialogs.
#include "platform/core/resources.h"
#include "platform/core/state.h"
#include "platform/core/testing.h"

#include <algorithm>
#include <cctype>

using namespace core;

namespace {

std::vector<const DialogTemplate*>& Templates() {
  static std::vector<const DialogTemplate*> templates;
  return templates;
}

enum class ControlKind { PushButton, CheckBox, Radio, GroupBox, Static, ScrollBar };

// Class names compare without regard to ASCII case, as window classes do.
bool SameClass(const char* a, const char* b) {
  for (; *a != '\0' && *b != '\0'; ++a, ++b)
    if (std::tolower(static_cast<unsigned char>(*a)) != std::tolower(static_cast<unsigned char>(*b))) return false;
  return *a == *b;
}

// What a control does, from its class and style as user32 reads them; the kinds the
// program does not use are not made here.
ControlKind KindOf(const ControlTemplate& control) {
  if (SameClass(control.className, "BUTTON")) {
    switch (control.style & BS_TYPEMASK) {
      case BS_PUSHBUTTON:
      case BS_DEFPUSHBUTTON:
        return ControlKind::PushButton;
      case BS_AUTOCHECKBOX:
        return ControlKind::CheckBox;
      case BS_AUTORADIOBUTTON:
        return ControlKind::Radio;
      case BS_GROUPBOX:
        return ControlKind::GroupBox;
    }
  } else if (SameClass(control.className, "STATIC")) {
    return ControlKind::Static;
  } else if (SameClass(control.className, "SCROLLBAR")) {
    return ControlKind::ScrollBar;
  }
  Unsupported("a dialog control of class " + std::string(control.className) + " with style " + Hex(control.style));
}

struct Item {
  int id;
  ControlKind kind;
  bool group;  // WS_GROUP: begins a new group of radio buttons
  bool tabStop;
  HWND window;
  bool defaultButton = false;  // BS_DEFPUSHBUTTON
  bool textRight = false;      // SS_RIGHT
  UINT check = BST_UNCHECKED;
  int min = 0;
  int max = 100;  // a new scroll bar control's range is 0..100
  UINT page = 0;
  int pos = 0;
};

struct Dialog {
  const DialogTemplate* from = nullptr;
  DLGPROC proc = nullptr;
  std::vector<Item> controls;
  bool ended = false;
  INT_PTR result = -1;
};

struct Dialogs {
  std::map<HWND, Dialog> open;  // every dialog made since the reset, ended or not
  std::function<void(HWND)> user;
};

Dialogs& D() {
  static Dialogs dialogs;
  return dialogs;
}

// Messages sent to a dialog window go to its dialog procedure.
LRESULT CALLBACK DialogWindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  auto it = D().open.find(window);
  if (it == D().open.end() || it->second.proc == nullptr) return 0;
  return it->second.proc(window, message, wParam, lParam);
}

HWND MakeDialog(int templateId, DLGPROC proc) {
  const DialogTemplate* dialogTemplate = FindDialogTemplate(templateId);
  if (dialogTemplate == nullptr)
    Unsupported("dialog template " + std::to_string(templateId) + ": the program's resources have none");
  Object window(ObjectKind::Window);
  window.proc = DialogWindowProc;
  window.style = dialogTemplate->style;
  window.title = dialogTemplate->caption;
  HWND dialog = static_cast<HWND>(NewObject(window, "dlg"));
  const std::string prefix = Name(dialog) + ".";
  Dialog d;
  d.from = dialogTemplate;
  d.proc = proc;
  for (size_t i = 0; i < dialogTemplate->controlCount; ++i) {
    const ControlTemplate& item = dialogTemplate->controls[i];
    Object control(ObjectKind::Window);
    control.parent = dialog;
    control.style = item.style;
    control.title = item.text;
    control.name = prefix + (item.id == -1 ? "static" + std::to_string(i + 1) : std::to_string(item.id));
    Item c{item.id, KindOf(item), (item.style & WS_GROUP) != 0, (item.style & WS_TABSTOP) != 0, nullptr};
    c.window = static_cast<HWND>(NewObject(control, nullptr));
    c.defaultButton = c.kind == ControlKind::PushButton && (item.style & BS_TYPEMASK) == BS_DEFPUSHBUTTON;
    c.textRight = c.kind == ControlKind::Static && (item.style & SS_RIGHT) != 0;
    d.controls.push_back(c);
  }
  D().open[dialog] = std::move(d);
  return dialog;
}

// The dialog behind a handle, for the user32 calls: misuse is the program's error.
Dialog* LiveDialog(HWND dialog, const char* call) {
  auto it = D().open.find(dialog);
  if (it == D().open.end() || FindAlive(dialog, ObjectKind::Window) == nullptr) {
    Error(std::string(call) + ": " + Name(dialog) + " is no open dialog");
    return nullptr;
  }
  return &it->second;
}

Item* ById(Dialog& d, int id) {
  for (Item& c : d.controls)
    if (c.id == id) return &c;
  return nullptr;
}

Item* LiveControl(HWND dialog, int id, const char* call) {
  Dialog* d = LiveDialog(dialog, call);
  if (d == nullptr) return nullptr;
  Item* c = ById(*d, id);
  if (c == nullptr) Error(std::string(call) + ": " + Name(dialog) + " has no control " + std::to_string(id));
  return c;
}

// A scroll bar control of an open dialog, by its own window handle.
Item* ScrollBarControl(HWND window, int bar, const char* call) {
  if (bar != SB_CTL) Unsupported(std::string(call) + " for a window's own scroll bar");
  for (auto& [dialog, d] : D().open)
    for (Item& c : d.controls)
      if (c.window == window && c.kind == ControlKind::ScrollBar && FindAlive(window, ObjectKind::Window))
        return &c;
  Error(std::string(call) + ": " + Name(window) + " is no scroll bar control");
  return nullptr;
}

// The hooks look at dialogs that have ended too; an unknown one is the test's mistake.
Dialog& KnownDialog(HWND dialog) {
  auto it = D().open.find(dialog);
  if (it == D().open.end()) Unsupported(Name(dialog) + " is no dialog");
  return it->second;
}

Item& KnownControl(HWND dialog, int id) {
  Item* c = ById(KnownDialog(dialog), id);
  if (c == nullptr) Unsupported(Name(dialog) + " has no control " + std::to_string(id));
  return *c;
}

// A click on a button: its state changes as the platform's own handling changes it,
// then the procedure receives WM_COMMAND with BN_CLICKED.
void ClickControl(HWND dialog, Dialog& d, Item& c) {
  switch (c.kind) {
    case ControlKind::CheckBox:
      c.check = c.check == BST_CHECKED ? BST_UNCHECKED : BST_CHECKED;
      break;
    case ControlKind::Radio: {
      // The group runs from the control with WS_GROUP at or before this one up to the
      // next one with WS_GROUP.
      size_t self = static_cast<size_t>(&c - d.controls.data());
      size_t first = self;
      while (first > 0 && !d.controls[first].group) --first;
      for (size_t i = first; i < d.controls.size() && (i == first || !d.controls[i].group); ++i)
        if (d.controls[i].kind == ControlKind::Radio) d.controls[i].check = BST_UNCHECKED;
      c.check = BST_CHECKED;
      break;
    }
    case ControlKind::PushButton:
      break;
    default:
      Unsupported("a click on a control that is no button");
  }
  const HWND window = c.window;
  const int id = c.id;
  if (d.proc != nullptr)
    d.proc(dialog, WM_COMMAND, MAKEWPARAM(id, 0 /* BN_CLICKED */), reinterpret_cast<LPARAM>(window));
}

// What the dialog manager makes of a message for a modal dialog or its controls, as
// IsDialogMessage does: a click on a button, Escape as Cancel, Enter as the default
// button; anything else for the dialog goes to its procedure. False for a message that
// is not the dialog's.
bool DialogMessage(HWND dialog, const MSG& msg) {
  Dialog& d = KnownDialog(dialog);
  for (Item& c : d.controls) {
    if (c.window != msg.hwnd) continue;
    if (msg.message == BM_CLICK && c.kind != ControlKind::ScrollBar && c.kind != ControlKind::Static &&
        c.kind != ControlKind::GroupBox)
      ClickControl(dialog, d, c);
    return true;
  }
  if (msg.hwnd != dialog) return false;
  if (msg.message == WM_KEYDOWN && (msg.wParam == VK_ESCAPE || msg.wParam == VK_RETURN)) {
    int id = IDCANCEL;
    if (msg.wParam == VK_RETURN) {
      id = IDOK;
      for (const Item& c : d.controls)
        if (c.kind == ControlKind::PushButton && c.defaultButton) id = c.id;
    }
    if (d.proc != nullptr) d.proc(dialog, WM_COMMAND, MAKEWPARAM(id, 0), 0);
  } else if (d.proc != nullptr && msg.message != WM_KEYDOWN) {
    d.proc(dialog, msg.message, msg.wParam, msg.lParam);
  }
  return true;
}

// The modal loop of a dialog no test plays: the backend shows it and posts what its
// user does, until the procedure ends it. A quit message ends the loop too and is
// posted again for the loop that waits outside, as Windows does.
void RunModalLoop(HWND dialog) {
  if (!CurrentBackend().DialogOpened(dialog))
    Unsupported("DialogBoxParamA on a backend that shows no dialogs: the dialog would wait for ever");
  MSG msg;
  while (!KnownDialog(dialog).ended) {
    const BOOL got = GetMessageA(&msg, nullptr, 0, 0);
    if (got <= 0) {
      // The loop cannot go on: the dialog ends with 0 (a quit) or -1 (no message),
      // and a quit goes on to the loop outside.
      if (got == 0) PostQuit(static_cast<int>(msg.wParam));
      Dialog& d = KnownDialog(dialog);
      d.ended = true;
      d.result = got == 0 ? 0 : -1;
      break;
    }
    if (!DialogMessage(dialog, msg)) DispatchMessageA(&msg);
    CurrentBackend().DialogChanged(dialog);
  }
  CurrentBackend().DialogClosed(dialog);
}

}  // namespace

namespace core {

void ResetDialogs() { D() = Dialogs(); }

void AddDialogTemplates(const DialogTemplate* templates, size_t count) {
  for (size_t i = 0; i < count; ++i) {
    if (FindDialogTemplate(templates[i].id) != nullptr)
      Unsupported("two dialog templates " + std::to_string(templates[i].id) + ": resources linked twice");
    Templates().push_back(&templates[i]);
  }
}

const DialogTemplate* FindDialogTemplate(int id) {
  for (const DialogTemplate* t : Templates())
    if (t->id == id) return t;
  return nullptr;
}

HWND CreateTestDialog(int templateId, DLGPROC proc) { return MakeDialog(templateId, proc); }

void SetUser(std::function<void(HWND)> user) { D().user = std::move(user); }

void Click(HWND dialog, int id) { ClickControl(dialog, KnownDialog(dialog), KnownControl(dialog, id)); }

INT_PTR SendToDialog(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam) {
  DLGPROC proc = KnownDialog(dialog).proc;
  if (proc == nullptr) Unsupported(Name(dialog) + " has no dialog procedure");
  return proc(dialog, message, wParam, lParam);
}

HWND Control(HWND dialog, int id) { return KnownControl(dialog, id).window; }

bool IsChecked(HWND dialog, int id) { return KnownControl(dialog, id).check == BST_CHECKED; }

int ScrollPosition(HWND dialog, int id) { return KnownControl(dialog, id).pos; }

SCROLLINFO ScrollBar(HWND dialog, int id) {
  const Item& c = KnownControl(dialog, id);
  SCROLLINFO info = {};
  info.cbSize = sizeof info;
  info.fMask = SIF_RANGE | SIF_PAGE | SIF_POS;
  info.nMin = c.min;
  info.nMax = c.max;
  info.nPage = c.page;
  info.nPos = c.pos;
  return info;
}

bool DialogEnded(HWND dialog) { return KnownDialog(dialog).ended; }

DialogView DescribeDialog(HWND dialog) {
  const Dialog& d = KnownDialog(dialog);
  DialogView view;
  view.caption = d.from->caption;
  view.cx = d.from->cx;
  view.cy = d.from->cy;
  for (size_t i = 0; i < d.controls.size(); ++i) {
    const Item& c = d.controls[i];
    const ControlTemplate& t = d.from->controls[i];
    using Type = DialogControl::Type;
    Type type = Type::Text;
    switch (c.kind) {
      case ControlKind::PushButton: type = c.defaultButton ? Type::DefaultButton : Type::PushButton; break;
      case ControlKind::CheckBox: type = Type::CheckBox; break;
      case ControlKind::Radio: type = Type::Radio; break;
      case ControlKind::GroupBox: type = Type::GroupBox; break;
      case ControlKind::Static: type = c.textRight ? Type::TextRight : Type::Text; break;
      case ControlKind::ScrollBar: type = Type::ScrollBar; break;
    }
    view.controls.push_back(DialogControl{type, c.id, t.text, t.x, t.y, t.cx, t.cy, c.window, c.check == BST_CHECKED,
                                          c.min, c.max, c.pos});
  }
  return view;
}

INT_PTR DialogResult(HWND dialog) { return KnownDialog(dialog).result; }

}  // namespace core

INT_PTR WINAPI DialogBoxParamA(HINSTANCE instance, LPCSTR templateName, HWND owner,
                               DLGPROC dialogProc, LPARAM initParam) {
  const uintptr_t name = reinterpret_cast<uintptr_t>(templateName);
  Call("DialogBoxParamA", instance, name < 0x10000 ? "#" + std::to_string(name) : "name", owner,
       dialogProc ? "proc" : "null", initParam);
  if (name == 0 || name >= 0x10000) Unsupported("DialogBoxParamA with a template given by name");
  if (dialogProc == nullptr) Unsupported("DialogBoxParamA without a dialog procedure");
  if (owner != nullptr && FindAlive(owner, ObjectKind::Window) == nullptr) {
    Error("DialogBoxParamA: owner " + Name(owner) + " is no live window");
    return -1;
  }
  const HWND dialog = MakeDialog(static_cast<int>(name), dialogProc);
  // The focus goes to the first control with WS_TABSTOP; the procedure's answer is not
  // needed here.
  HWND focus = nullptr;
  for (const Item& c : KnownDialog(dialog).controls)
    if (c.tabStop && focus == nullptr) focus = c.window;
  dialogProc(dialog, WM_INITDIALOG, reinterpret_cast<WPARAM>(focus), initParam);
  if (!KnownDialog(dialog).ended) {
    if (D().user) {
      const std::function<void(HWND)> user = D().user;
      user(dialog);
    } else {
      RunModalLoop(dialog);
    }
  }
  Dialog& d = KnownDialog(dialog);
  if (!d.ended) Unsupported("DialogBoxParamA: the user left without ending the dialog");
  Retire(Find(dialog));
  for (const Item& c : d.controls) Retire(Find(c.window));
  return d.result;
}

BOOL WINAPI EndDialog(HWND dialog, INT_PTR result) {
  Call("EndDialog", dialog, static_cast<long long>(result));
  Dialog* d = LiveDialog(dialog, "EndDialog");
  if (d == nullptr) return FALSE;
  d->ended = true;
  d->result = result;
  return TRUE;
}

BOOL WINAPI CheckDlgButton(HWND dialog, int id, UINT check) {
  Call("CheckDlgButton", dialog, id, check);
  Item* c = LiveControl(dialog, id, "CheckDlgButton");
  if (c == nullptr) return FALSE;
  if (check != BST_CHECKED && check != BST_UNCHECKED) Unsupported("CheckDlgButton with a third state");
  if (c->kind == ControlKind::CheckBox || c->kind == ControlKind::Radio) c->check = check;
  return TRUE;
}

UINT WINAPI IsDlgButtonChecked(HWND dialog, int id) {
  Call("IsDlgButtonChecked", dialog, id);
  Item* c = LiveControl(dialog, id, "IsDlgButtonChecked");
  return c == nullptr ? BST_UNCHECKED : c->check;
}

HWND WINAPI GetDlgItem(HWND dialog, int id) {
  Call("GetDlgItem", dialog, id);
  Item* c = LiveControl(dialog, id, "GetDlgItem");
  return c == nullptr ? nullptr : c->window;
}

int WINAPI SetScrollInfo(HWND window, int bar, LPCSCROLLINFO info, BOOL redraw) {
  Call("SetScrollInfo", window, bar, info->cbSize, Hex(info->fMask), info->nMin, info->nMax,
       info->nPage, info->nPos, redraw);
  Item* c = ScrollBarControl(window, bar, "SetScrollInfo");
  if (c == nullptr) return 0;
  if (info->cbSize != sizeof(SCROLLINFO)) {
    Error("SetScrollInfo: cbSize " + std::to_string(info->cbSize));
    return 0;
  }
  if ((info->fMask & SIF_RANGE) != 0) {
    if (info->nMin > info->nMax) Unsupported("SetScrollInfo with a minimum above the maximum");
    c->min = info->nMin;
    c->max = info->nMax;
  }
  if ((info->fMask & SIF_PAGE) != 0) c->page = info->nPage;
  if ((info->fMask & SIF_POS) != 0) c->pos = info->nPos;
  // As the platform does: the page is at most the whole range, and the position lies
  // between the minimum and the last place a whole page still fits.
  const long long span = static_cast<long long>(c->max) - c->min + 1;
  if (c->page > span) c->page = static_cast<UINT>(span);
  const long long last = c->max - std::max(static_cast<long long>(c->page) - 1, 0LL);
  c->pos = static_cast<int>(std::clamp(static_cast<long long>(c->pos), static_cast<long long>(c->min), last));
  return c->pos;
}

BOOL WINAPI GetScrollInfo(HWND window, int bar, LPSCROLLINFO info) {
  Call("GetScrollInfo", window, bar, info->cbSize, Hex(info->fMask));
  Item* c = ScrollBarControl(window, bar, "GetScrollInfo");
  if (c == nullptr) return FALSE;
  if (info->cbSize != sizeof(SCROLLINFO)) {
    Error("GetScrollInfo: cbSize " + std::to_string(info->cbSize));
    return FALSE;
  }
  if ((info->fMask & SIF_RANGE) != 0) {
    info->nMin = c->min;
    info->nMax = c->max;
  }
  if ((info->fMask & SIF_PAGE) != 0) info->nPage = c->page;
  if ((info->fMask & SIF_POS) != 0) info->nPos = c->pos;
  if ((info->fMask & SIF_TRACKPOS) != 0) info->nTrackPos = c->pos;  // nothing is being dragged
  return (info->fMask & SIF_ALL) != 0;
}
