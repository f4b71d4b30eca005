// What tests, fuzzers, benchmarks and the soak run may ask of the core besides what a
// backend may (backend.h): the record of the calls the program made, the platform
// misuse noted, the state the core keeps, and the knobs that a real platform takes
// from the machine (display size, text extent, random numbers, failures). The
// recording backend (platform/record) draws nothing; the user is what a test posts.
#pragma once

#include <functional>
#include <string>
#include <vector>

#include "platform/core/backend.h"

namespace core {

// ---- The call record ----
// Off after Reset: a screensaver runs for hours and keeps no record. On, every
// platform call is kept in order, as "Name(arg,arg,...)". Handles print as names
// ("pen1", "font2", "dc1", "hwnd1", "stock:BLACK_PEN", "null"), colours as 0x00BBGGRR,
// texts quoted with bytes above 0x7E as \xNN. Off, the calls still act and misuse is
// still caught; only the record stays empty.
void SetRecording(bool on);
const std::vector<std::string>& Calls();
// The recorded calls whose name is one of `names`, in order.
std::vector<std::string> CallsNamed(const std::vector<std::string>& names);
void ClearCalls();

// Misuse of the platform that Windows would reject or that leaks (deleting a selected
// object, selecting a deleted one, releasing a device context that still holds a
// created pen or font, ...). Empty when the program behaved.
const std::vector<std::string>& Errors();
// The platform misuse noted so far, which is then forgotten: for a test that makes
// the program do on purpose what Windows merely answers with a failure.
std::vector<std::string> TakeErrors();

// ---- GDI ----
int LiveObjectCount();  // pens, fonts and brushes created and not yet deleted
// Slots in the table of handles: live objects and at most a few hundred dead ones.
size_t TableSize();
std::string Name(const void* handle);
std::string SelectedPen(HDC dc);
std::string SelectedFont(HDC dc);
int BkMode(HDC dc);
COLORREF TextColour(HDC dc);
void SetDisplaySize(int width, int height);  // GetDeviceCaps HORZRES / VERTRES
// Text extent: each byte is `perByte` pixels wide and the line `height` high.
void SetTextMetrics(int perByte, int height);
// From now on CreatePen and CreateFontA make nothing and return null (or work again),
// as when GDI has run out of room.
void FailObjectCreation(bool fail);
// From now on GetDC returns null (or works again).
void FailDeviceContexts(bool fail);

// ---- Windows and messages ----
// A top-level window of the given client size whose procedure is DefWindowProcA.
HWND CreateTestWindow(int width, int height);
void SetClientSize(HWND window, int width, int height);
// The next GetMessageA fails: it returns -1 and leaves garbage in the message, which
// Windows leaves undefined. May be called from the idle handler.
void FailNextMessage();
// Called by the recording backend when GetMessageA has nothing to return; it may post
// more. Without one, or when it posts nothing, an empty queue without a quit message
// aborts: a real loop would wait forever.
void SetIdleHandler(std::function<void()> handler);
// The timers that are set: window and id -> period in milliseconds (0 when not set).
UINT TimerPeriod(HWND window, UINT_PTR id);
int TimerCount();
// The class registered under this name, or null.
const WNDCLASSA* RegisteredClass(const std::string& name);
// From now on RegisterClassA fails (or works again).
void FailClassRegistration(bool fail);

// ---- Random numbers ----
// rand() returns these first, one by one, before it goes on with its generator.
void QueueRandomNumbers(const std::vector<int>& numbers);

// ---- Registry ----
void SetRegistryValue(const std::string& path, const std::string& name, DWORD type,
                      const std::vector<BYTE>& data);
bool KeyExists(const std::string& path);
int OpenKeyCount();  // keys opened or created and not yet closed
// From now on RegCreateKeyA fails with ERROR_ACCESS_DENIED (or works again).
void FailKeyCreation(bool fail);
// From now on writing the value of this name fails with ERROR_ACCESS_DENIED.
void FailValueWrite(const std::string& name);

// ---- Dialogs ----
// Dialogs are made from the program's dialog templates (platform/core/resources.h),
// with their controls in template order. Check boxes and radio buttons hold a check
// state; "auto" buttons change it when clicked, radio buttons within their group (up
// to the next control with WS_GROUP). A scroll bar holds range, page and position.
//
// A dialog of the template with this id whose procedure has not been called yet
// ("dlg1", its controls "dlg1.1000", ... by id, "dlg1.static9" for id -1 by place).
// DialogBoxParamA makes its dialogs the same way.
HWND CreateTestDialog(int templateId, DLGPROC proc);
// Called by DialogBoxParamA after WM_INITDIALOG, with the dialog: it plays the user,
// clicking and sending messages, and must end the dialog. Without one DialogBoxParamA
// lets the backend show the dialog (Backend::DialogOpened).
void SetUser(std::function<void(HWND dialog)> user);
// What the user does: a click on a control (its state changes as the platform's own
// handling would change it, then the procedure receives WM_COMMAND with BN_CLICKED),
// and any message straight to the procedure, whose result comes back.
void Click(HWND dialog, int id);
INT_PTR SendToDialog(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam);
// What the controls show, also after the dialog has ended.
HWND Control(HWND dialog, int id);  // as GetDlgItem, without recording
bool IsChecked(HWND dialog, int id);
int ScrollPosition(HWND dialog, int id);
SCROLLINFO ScrollBar(HWND dialog, int id);  // range, page and position
bool DialogEnded(HWND dialog);
INT_PTR DialogResult(HWND dialog);  // the EndDialog result; -1 while it runs

}  // namespace core
